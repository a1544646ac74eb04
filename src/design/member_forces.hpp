// Axial bar forces and nodal reactions from the displacements.
#pragma once

#include <cstdint>

#include "model/arrays.hpp"
#include "model/model.hpp"

namespace quivor {

// Fills barForce (barCount, loadCaseCount), positive in tension, and reaction
// (2*nodeCount, loadCaseCount), the external force that balances the bars at
// each node.
void ComputeMemberForces(std::int16_t barCount, std::int16_t loadCaseCount,
                         const Array2<std::int16_t>& barNodes, const Array2<double>& displacement,
                         double elasticModulus, double strandArea, const LabelMap& nodeIndexOfLabel,
                         const Array2<double>& nodeCoord, Array2<double>& barForce,
                         Array2<double>& reaction);

}  // namespace quivor
