// One trial: quivor's routines on the arrays allocated when the analysis was
// made. The stiffness band is overwritten whole by each assembly, and the
// supports clear the same rows of the loads each time, so no trial depends
// on the one before it.
#include "optimize/trial_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <new>

#include "analysis/apply_supports.hpp"
#include "analysis/assemble_stiffness.hpp"
#include "analysis/half_bandwidth.hpp"
#include "analysis/solve_banded.hpp"
#include "design/member_forces.hpp"
#include "design/size_members.hpp"
#include "model/bar_geometry.hpp"

namespace quivor::optimize {
TrialAnalysis::TrialAnalysis(const Model& model)
    : nodeCount_(model.nodeCount),
      barCount_(model.barCount),
      supportCount_(model.supportCount),
      loadCaseCount_(model.loadCaseCount),
      nodeIndexOfLabel_(model.nodeIndexOfLabel),
      // Raised as quivor's sizing raises them (a NaN stays NaN).
      tensionSafetyFactor_(std::max(model.tensionSafetyFactor, 1.0f)),
      compressionSafetyFactor_(std::max(model.compressionSafetyFactor, 1.0f)) {
  allowableStrandTension_ =
      static_cast<double>(kStrandTensileStrength) / static_cast<double>(tensionSafetyFactor_);

  CopyArray(model.barNodes, barNodes_);
  CopyArray(model.supportTable, supportTable_);
  CopyArray(model.loadMatrix, loads_);
  CopyArray(model.nodeCoord, coordinates_);

  const int equations = 2 * nodeCount_;
  ComputeHalfBandwidth(barCount_, halfBandwidth_, barNodes_, nodeIndexOfLabel_);
  Check(Allocate(band_, equations, halfBandwidth_));
  Check(Allocate(solverWork_, halfBandwidth_));
  Check(Allocate(displacement_, equations, loadCaseCount_));
  Check(Allocate(barForce_, barCount_, loadCaseCount_));
  Check(Allocate(reaction_, equations, loadCaseCount_));
  Check(Allocate(strandCount_, barCount_, loadCaseCount_));
  Check(Allocate(barLength_, barCount_));
  Check(Allocate(barWeight_, barCount_, loadCaseCount_));
  Check(Allocate(totalWeight_, loadCaseCount_));
}

double TrialAnalysis::BarLength(int b) const {
  return GeometryOfBar(b, nodeIndexOfLabel_, barNodes_, coordinates_).length;
}

bool TrialAnalysis::Run() {
  AssembleStiffness(nodeIndexOfLabel_, barNodes_, coordinates_, kElasticModulus, kStrandArea, band_,
                    barCount_);
  ApplySupports(supportCount_, band_, loadCaseCount_, supportTable_, loads_, halfBandwidth_,
                nodeCount_);
  if (SolveBanded(band_, loads_, displacement_, loadCaseCount_, halfBandwidth_, nodeCount_,
                  solverWork_) == SolveOutcome::kSingular) {
    return false;
  }
  ComputeMemberForces(barCount_, loadCaseCount_, barNodes_, displacement_, kElasticModulus,
                      kStrandArea, nodeIndexOfLabel_, coordinates_, barForce_, reaction_);
  // The sizing raises a coefficient below 1 in what it is given: ours are
  // raised already.
  float tension = tensionSafetyFactor_;
  float compression = compressionSafetyFactor_;
  SizeMembers(strandCount_, barLength_, barWeight_, barForce_, nodeIndexOfLabel_, barNodes_,
              coordinates_, barCount_, loadCaseCount_, totalWeight_, tension, compression);

  buildWeight_ = 0.0;
  smoothWeight_ = 0.0;
  for (int i = 1; i <= barCount_; ++i) {
    std::int32_t strands = kMinimumStrandCount;
    double realStrands = static_cast<double>(kMinimumStrandCount);
    for (int k = 1; k <= loadCaseCount_; ++k) {
      // A force that is not a finite number sizes nothing: the truss is too
      // near a mechanism here to be judged.
      if (!std::isfinite(barForce_(i, k))) return false;
      if (k == 1 || strandCount_(i, k) > strands) strands = strandCount_(i, k);
      realStrands =
          std::max(realStrands, RealStrandCount(barForce_(i, k), barLength_(i),
                                                allowableStrandTension_, compressionSafetyFactor_));
    }
    // The study's product, in its order (build_list.cpp).
    buildWeight_ += (static_cast<double>(strands) * barLength_(i)) * kStrandLinearWeight;
    smoothWeight_ += (realStrands * barLength_(i)) * kStrandLinearWeight;
  }
  return std::isfinite(buildWeight_) && std::isfinite(smoothWeight_);
}

}  // namespace quivor::optimize
