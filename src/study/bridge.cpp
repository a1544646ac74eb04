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

namespace {

// The bridge's collapse load (kgf) and efficiency (kgf/kg) from one truss's
// collapse, where both are finite.
void BridgeCollapse(const std::optional<Collapse>& truss, const Bridge& bridge,
                    std::optional<double>& load, std::optional<double>& efficiency) {
  if (!truss) return;
  const double total = static_cast<double>(bridge.trusses) * truss->load;  // kgf
  if (!std::isfinite(total)) return;
  load = total;
  efficiency = Efficiency(total, bridge.weight);
}

}  // namespace

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
  // Each truss carries an equal share of the load: the bridge collapses
  // when each reaches its own collapse load.
  BridgeCollapse(study.collapse, bridge, bridge.collapseLoad, bridge.efficiency);
  BridgeCollapse(study.conservativeCollapse, bridge, bridge.conservativeCollapseLoad,
                 bridge.conservativeEfficiency);
  bridge.wholeStrands = CountWholeStrands(study.build->bars, study.strandLength, options.trusses);
  return bridge;
}

}  // namespace quivor::study
