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

Study StudyModel(Model& model, const StudyOptions& options) {
  Study study = CheckTruss(model);
  study.weightLimit = options.weightLimit;
  study.strandLength = options.strandLength;
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

  study.build = MakeBuildList(model, results, options.strandLength);
  results = Results{};
  study.cases = EstimateCollapse(model, *study.build, std::move(caseLoads));
  for (const CaseCollapse& c : study.cases) {
    if (c.collapseLoad && (!study.collapse || *c.collapseLoad < study.collapse->load)) {
      study.collapse = Collapse{c.loadCase, *c.collapseLoad, *c.bar, *c.mode};
    }
  }
  if (study.collapse && study.build->weight > 0.0) {
    const double efficiency = study.collapse->load / (study.build->weight / 1000.0);  // kgf/kg
    // Beyond the largest double it would rank above every real bridge.
    if (std::isfinite(efficiency)) study.efficiency = efficiency;
  }
  study.bridge = MakeBridge(study, options);
  return study;
}

}  // namespace quivor::study
