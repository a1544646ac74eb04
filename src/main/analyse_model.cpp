// Bandwidth, assembly, supports, solution, bar forces and sizing, in order.
#include "main/analyse_model.hpp"

#include "analysis/apply_supports.hpp"
#include "analysis/assemble_stiffness.hpp"
#include "analysis/half_bandwidth.hpp"
#include "analysis/solve_banded.hpp"
#include "design/member_forces.hpp"
#include "design/size_members.hpp"

namespace quivor {

AnalysisStatus AnalyseModel(Model& model, Results& results) {
  const int equationCount = 2 * model.nodeCount;
  Failure failure;

  ComputeHalfBandwidth(model.barCount, results.halfBandwidth, model.barNodes,
                       model.nodeIndexOfLabel);
  if ((failure = Allocate(results.stiffnessBand, equationCount, results.halfBandwidth)).failed()) {
    return {failure};
  }
  AssembleStiffness(model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, kElasticModulus,
                    kStrandArea, results.stiffnessBand, model.barCount);
  ApplySupports(model.supportCount, results.stiffnessBand, model.loadCaseCount, model.supportTable,
                model.loadMatrix, results.halfBandwidth, model.nodeCount);

  if ((failure = Allocate(results.solverWork, results.halfBandwidth)).failed() ||
      (failure = Allocate(results.displacement, equationCount, model.loadCaseCount)).failed()) {
    return {failure};
  }
  if (SolveBanded(results.stiffnessBand, model.loadMatrix, results.displacement,
                  model.loadCaseCount, results.halfBandwidth, model.nodeCount,
                  results.solverWork) == SolveOutcome::kSingular) {
    return {kSuccess, true};
  }

  if ((failure = Allocate(results.barForce, model.barCount, model.loadCaseCount)).failed() ||
      (failure = Allocate(results.reaction, equationCount, model.loadCaseCount)).failed()) {
    return {failure};
  }
  ComputeMemberForces(model.barCount, model.loadCaseCount, model.barNodes, results.displacement,
                      kElasticModulus, kStrandArea, model.nodeIndexOfLabel, model.nodeCoord,
                      results.barForce, results.reaction);

  if ((failure = Allocate(results.strandCount, model.barCount, model.loadCaseCount)).failed() ||
      (failure = Allocate(results.barLength, model.barCount)).failed() ||
      (failure = Allocate(results.barWeight, model.barCount, model.loadCaseCount)).failed() ||
      (failure = Allocate(results.totalWeight, model.loadCaseCount)).failed()) {
    return {failure};
  }
  SizeMembers(results.strandCount, results.barLength, results.barWeight, results.barForce,
              model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, model.barCount,
              model.loadCaseCount, results.totalWeight, model.tensionSafetyFactor,
              model.compressionSafetyFactor);
  return {};
}

}  // namespace quivor
