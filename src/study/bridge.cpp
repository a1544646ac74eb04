// The whole bridge from one truss's study.
#include "study/bridge.hpp"

#include <cmath>

#include "study/stages.hpp"

namespace quivor::study {

BridgeWeight WeighBridge(double trussWeight, int nodes, const StudyOptions& options) {
  const double trusses = static_cast<double>(options.trusses);
  BridgeWeight weight;
  weight.trusses = trusses * trussWeight;
  weight.glue = (trusses * static_cast<double>(nodes)) * options.glue;
  weight.extra = options.extraWeight;
  weight.total = (weight.trusses + weight.glue) + weight.extra;
  return weight;
}

Bridge MakeBridge(const Study& study, const StudyOptions& options) {
  Bridge bridge;
  bridge.trusses = options.trusses;
  bridge.glue = options.glue;
  bridge.extraWeight = options.extraWeight;
  const BridgeWeight weight = WeighBridge(study.build->weight, study.nodes, options);
  bridge.trussesWeight = weight.trusses;
  bridge.glueWeight = weight.glue;
  bridge.weight = weight.total;
  bridge.withinLimit = bridge.weight <= study.weightLimit;
  if (study.collapse) {
    // Each truss carries an equal share of the load: the bridge collapses
    // when each reaches its own collapse load.
    const double load = static_cast<double>(options.trusses) * study.collapse->load;  // kgf
    if (std::isfinite(load)) bridge.collapseLoad = load;
  }
  if (bridge.collapseLoad && bridge.weight > 0.0) {
    const double efficiency = *bridge.collapseLoad / (bridge.weight / 1000.0);  // kgf/kg
    // Beyond the largest double it would rank above every real bridge.
    if (std::isfinite(efficiency)) bridge.efficiency = efficiency;
  }
  bridge.wholeStrands = CountWholeStrands(study.build->bars, study.strandLength, options.trusses);
  return bridge;
}

}  // namespace quivor::study
