// The stages of a study, in the order StudyModel runs them.
#pragma once

#include <vector>

#include "model/model.hpp"
#include "study/study.hpp"

namespace quivor::study {

// One strand's axial rigidity E*A, kgf: the two constants multiplied first.
// A bundle's is its strands times this.
inline constexpr double kStrandRigidity = kElasticModulus * kStrandArea;

// The directions the supports hold at one node.
struct HeldDirections {
  bool supported = false;  // named by some support
  bool x = false;
  bool y = false;
};

// held[i - 1] for internal node i. A node named by several supports is held
// in every direction that any of them holds; a support whose node index is
// outside 1..nodeCount holds nothing.
std::vector<HeldDirections> HeldByNode(const Model& model);

// The counts (nodes, bars, restraints, Maxwell's number) and the warnings
// that the connections of the truss give by themselves.
Study CheckTruss(const Model& model);

// Each load case's nodal forces as the model gives them (before the
// analysis clears the restrained rows): the nodes with a non-zero force.
std::vector<std::vector<NodeLoad>> CaseLoads(const Model& model);

// The magnitude of a load case's resultant, kgf: the forces added in node
// order. Finite for any finite forces whose sum fits in a double.
double Resultant(const std::vector<NodeLoad>& loads);

// The bridge to build from quivor's sizing of every load case. Throws
// CountOverflow for a bar whose strands quivor's sizing cannot count.
// With `material.sizeWithMaterial` each count is sized with the expected
// values of the material instead (the model's safety coefficients kept);
// the weights and capacities always come from the material's expected
// values.
BuildList MakeBuildList(const Model& model, const Results& results, double strandLength,
                        const StrandMaterial& material);

// The whole strands of `strandLength` cm that yield every piece: each bar
// needs `strands` pieces of its length; a piece longer than a strand is
// spliced from whole strands and a shorter remainder. Throws CountOverflow
// for a bar of a length that is not finite, or when the count would pass
// CountOverflow::kMostWholeStrands. With `copies` every bar's pieces are
// needed so many times over (the trusses of a bridge, cut together).
std::int64_t CountWholeStrands(const std::vector<BuildBar>& bars, double strandLength,
                               int copies = 1);

// The collapse of every load case, the truss analysed again with each bar's
// bundle. Needs the model as the first analysis left it.
std::vector<CaseCollapse> EstimateCollapse(Model& model, const BuildList& build,
                                           std::vector<std::vector<NodeLoad>> caseLoads);

// Each case's factor, collapse load, bar and mode from its bar forces and
// the capacities of `build`: the same forces give the collapse with other
// strengths of the strand.
void ScaleToCollapse(std::vector<CaseCollapse>& cases, const BuildList& build);

// kgf of collapse load per kg of what weighs `weight` g; nothing for no
// weight, or beyond the largest double (it would rank above every real
// bridge).
std::optional<double> Efficiency(double collapseLoad, double weight);

// Each bar's capacities from the strand's values (quivor's own give the
// same numbers as the sizing's constants).
void SetCapacities(BuildList& build, const StrandValues& strand);

}  // namespace quivor::study
