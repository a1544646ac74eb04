// The study's page of a large truss: 1000 nodes on a 50 x 20 grid of 5 cm,
// 5000 bars (neighbours, diagonals and knight's moves), one load case,
// studied once. The page must be written in well under half a second.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "analysis/truss_builder.hpp"
#include "page/page.hpp"
#include "study/study.hpp"

namespace quivor::bench {
namespace {

Model LargeTruss() {
  constexpr int kColumns = 50;
  constexpr int kRows = 20;
  constexpr int kBars = 5000;
  test::TrussBuilder truss(1);
  const auto label = [](int column, int row) { return 1 + column * kRows + row; };
  for (int c = 0; c < kColumns; ++c) {
    for (int r = 0; r < kRows; ++r) truss.Node(label(c, r), 5.0 * c, 5.0 * r);
  }
  int bars = 0;
  const std::pair<int, int> steps[] = {{0, 1}, {1, 0}, {1, 1},  {1, -1},
                                       {2, 1}, {1, 2}, {2, -1}, {1, -2}};
  for (const auto& [dc, dr] : steps) {
    for (int c = 0; c + dc < kColumns; ++c) {
      for (int r = 0; r < kRows; ++r) {
        if (r + dr < 0 || r + dr >= kRows || bars == kBars) continue;
        ++bars;
        truss.Bar(bars, label(c, r), label(c + dc, r + dr));
      }
    }
  }
  truss.Support(label(0, 0), 0, 0).Support(label(kColumns - 1, 0), 1, 0);
  truss.Load(1, label(kColumns / 2, 0), 0, -5).SafetyFactors(2, 3);
  return truss.Build();
}

void PageOfALargeTruss(benchmark::State& state) {
  Model model = LargeTruss();
  const study::Study study = study::StudyModel(model, {});
  if (!study.stable) state.SkipWithError("the truss is not stable");
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string page = page::PageHtml("grande", model, study, {});
    bytes = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  state.counters["page_MB"] = static_cast<double>(bytes) / 1e6;
}

BENCHMARK(PageOfALargeTruss)->Name("Page/1000nodes_5000bars")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quivor::bench
