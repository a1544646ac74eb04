// The whole analysis and sizing of a model, in the order of the main program.
#pragma once

#include <utility>

#include "analysis/bits.hpp"
#include "analysis/truss_builder.hpp"
#include "design/member_forces.hpp"
#include "design/size_members.hpp"

namespace quivor::test {

struct TrussRun {
  Model model;
  Results results;
  Array2<double> appliedLoads;  // the loads as read, before the supports zero some
  SolveOutcome outcome = SolveOutcome::kSolved;
};

inline TrussRun RunModel(Model built) {
  TrussRun run;
  run.model = std::move(built);
  Model& model = run.model;
  Results& results = run.results;
  run.appliedLoads = Copy(model.loadMatrix);
  run.outcome = Solve(model, results);
  if (run.outcome != SolveOutcome::kSolved) return run;
  (void)Allocate(results.barForce, model.barCount, model.loadCaseCount);
  (void)Allocate(results.reaction, 2 * model.nodeCount, model.loadCaseCount);
  ComputeMemberForces(model.barCount, model.loadCaseCount, model.barNodes, results.displacement,
                      kElasticModulus, kStrandArea, model.nodeIndexOfLabel, model.nodeCoord,
                      results.barForce, results.reaction);
  (void)Allocate(results.strandCount, model.barCount, model.loadCaseCount);
  (void)Allocate(results.barLength, model.barCount);
  (void)Allocate(results.barWeight, model.barCount, model.loadCaseCount);
  (void)Allocate(results.totalWeight, model.loadCaseCount);
  SizeMembers(results.strandCount, results.barLength, results.barWeight, results.barForce,
              model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, model.barCount,
              model.loadCaseCount, results.totalWeight, model.tensionSafetyFactor,
              model.compressionSafetyFactor);
  return run;
}

inline TrussRun RunTruss(const TrussBuilder& truss) { return RunModel(truss.Build()); }

// Every result array of two runs, bit for bit.
inline bool SameResults(const Results& a, const Results& b) {
  return SameBits(a.displacement, b.displacement) && SameBits(a.barForce, b.barForce) &&
         SameBits(a.reaction, b.reaction) && SameBits(a.strandCount, b.strandCount) &&
         SameBits(a.barLength, b.barLength) && SameBits(a.barWeight, b.barWeight) &&
         SameBits(a.totalWeight, b.totalWeight);
}

}  // namespace quivor::test
