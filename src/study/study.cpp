// A study, in order: the truss's connections, quivor's own analysis and
// sizing, the search for mechanisms, then (for a stable truss) the bridge to
// build and its collapse.
#include "study/study.hpp"

#include <cmath>
#include <new>
#include <utility>

#include "main/analyse_model.hpp"
#include "study/bridge.hpp"
#include "study/mechanisms.hpp"
#include "study/stages.hpp"

namespace quivor::study {
namespace {

// The headline: the case with the least collapse load, the first of equals.
std::optional<Collapse> LeastCollapse(const std::vector<CaseCollapse>& cases) {
  std::optional<Collapse> least;
  for (const CaseCollapse& c : cases) {
    if (c.collapseLoad && (!least || *c.collapseLoad < least->load)) {
      least = Collapse{c.loadCase, *c.collapseLoad, *c.bar, *c.mode};
    }
  }
  return least;
}

// One truss's efficiency, where it has a collapse load.
std::optional<double> TrussEfficiency(const std::optional<Collapse>& collapse,
                                      const BuildList& build) {
  return collapse ? Efficiency(collapse->load, build.weight) : std::nullopt;
}

}  // namespace

std::optional<double> Efficiency(double collapseLoad, double weight) {
  if (!(weight > 0.0)) return std::nullopt;
  const double efficiency = collapseLoad / (weight / 1000.0);  // kgf/kg
  if (!std::isfinite(efficiency)) return std::nullopt;
  return efficiency;
}

Study StudyModel(Model& model, const StudyOptions& options) {
  Study study = CheckTruss(model);
  study.weightLimit = options.weightLimit;
  study.strandLength = options.strandLength;
  study.material = options.material;
  std::vector<std::vector<NodeLoad>> caseLoads = CaseLoads(model);

  Results results;
  const AnalysisStatus analysed = AnalyseModel(model, results);
  if (analysed.failure.failed()) throw std::bad_alloc();
  study.quivorSingular = analysed.singular;

  MechanismSearch search = FindMechanisms(model);
  study.mechanisms = std::move(search.mechanisms);
  if (!search.finite) {
    study.warnings.push_back({WarningKind::kNotFinite});
  } else if (study.quivorSingular && study.mechanisms.empty()) {
    study.warnings.push_back({WarningKind::kNoMotionFound});
  } else if (!study.quivorSingular && !study.mechanisms.empty()) {
    study.warnings.push_back({WarningKind::kTinyPivot, study.mechanisms.front().node});
  }
  study.stable = search.finite && !study.quivorSingular && study.mechanisms.empty();
  if (!study.stable) return study;

  study.build = MakeBuildList(model, results, options.strandLength, options.material);
  results = Results{};
  study.cases = EstimateCollapse(model, *study.build, std::move(caseLoads));
  study.collapse = LeastCollapse(study.cases);
  study.efficiency = TrussEfficiency(study.collapse, *study.build);

  // The same forces, the bundles at the material's characteristic values
  // (for a material without spread, the estimate above).
  study.conservativeCases = study.cases;
  if (options.material.conservative != options.material.expected) {
    BuildList conservative = *study.build;
    SetCapacities(conservative, options.material.conservative);
    ScaleToCollapse(study.conservativeCases, conservative);
  }
  study.conservativeCollapse = LeastCollapse(study.conservativeCases);
  study.conservativeEfficiency = TrussEfficiency(study.conservativeCollapse, *study.build);
  study.bridge = MakeBridge(study, options);
  return study;
}

}  // namespace quivor::study
