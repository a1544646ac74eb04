// quivor-study otimizar on the 1 m Pratt bridges that `quivor-study nova`
// makes (15 cm high, 50 kgf at mid-span, coefficients 2 and 3), 10 and 40
// panels: the whole search as the command runs it, one core, against the
// targets of 10 s for 10 panels and a minute for 40; and one trial of the
// search (quivor's analysis and sizing on arrays allocated once) against
// quivor's own analysis, which allocates its arrays on every run.
//
// The counters: the bridge to build before and after (g), the saving, and
// the analyses the search made.
#include <benchmark/benchmark.h>

#include <string>

#include "generate/bridge_model.hpp"
#include "main/analyse_model.hpp"
#include "model/free_form_read.hpp"
#include "model/read_model_file.hpp"
#include "optimize/optimize.hpp"
#include "optimize/trial_analysis.hpp"

namespace quivor::bench {
namespace {

std::string Pratt(int panels) {
  generate::BridgeRequest request;
  request.panels = panels;
  request.load = 50.0;
  return generate::GenerateBridge(request).text;
}

Model Read(const std::string& text) {
  Model model;
  InputUnit unit(kModelUnit, text);
  (void)ReadModelFile(unit, model);
  return model;
}

void TrialAnalysis(benchmark::State& state) {
  const Model model = Read(Pratt(static_cast<int>(state.range(0))));
  optimize::TrialAnalysis trial(model);
  for (auto _ : state) benchmark::DoNotOptimize(trial.Run());
  state.counters["g"] = trial.BuildWeight();
}
BENCHMARK(TrialAnalysis)->Arg(10)->Arg(40)->Unit(benchmark::kMicrosecond);

void QuivorAnalysis(benchmark::State& state) {
  const std::string text = Pratt(static_cast<int>(state.range(0)));
  Model model = Read(text);
  for (auto _ : state) {
    Results results;
    benchmark::DoNotOptimize(AnalyseModel(model, results).singular);
  }
}
BENCHMARK(QuivorAnalysis)->Arg(10)->Arg(40)->Unit(benchmark::kMicrosecond);

// Arguments: the panels, then the options: 0 none (the nodes move up and
// down, symmetric), 1 --altura-max 30, 2 --mover-x, 3 --mover-x
// --sem-simetria.
void Optimize(benchmark::State& state) {
  const std::string text = Pratt(static_cast<int>(state.range(0)));
  optimize::SearchOptions options;
  const auto mode = state.range(1);
  if (mode == 1) options.rules.heightLimit = 30.0;
  options.rules.alongDeck = mode >= 2;
  options.rules.keepSymmetry = mode != 3;
  optimize::Optimization result;
  for (auto _ : state) result = optimize::OptimizeModelText(text, options, {});
  if (!result.error.empty() || !result.after.build) {
    state.SkipWithError(result.error.c_str());
    return;
  }
  const double before = result.before.build->weight;
  const double after = result.after.build->weight;
  state.counters["before_g"] = before;
  state.counters["after_g"] = after;
  state.counters["saving_pct"] = 100.0 * (before - after) / before;
  state.counters["analyses"] = static_cast<double>(result.evaluations);
}
BENCHMARK(Optimize)
    ->ArgNames({"panels", "mode"})
    ->Args({10, 0})
    ->Args({10, 1})
    ->Args({10, 2})
    ->Args({10, 3})
    ->Args({40, 0})
    ->Args({40, 1})
    ->Args({40, 2})
    ->Args({40, 3})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace quivor::bench
