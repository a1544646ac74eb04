// Half-bandwidth of the banded stiffness matrix.
//
// The symmetric matrix K of n = 2*nodeCount equations is stored as its upper
// band: stiffnessBand(i, m) holds K(i, i+m-1), column 1 the diagonal. Cells
// with i+m-1 > n lie beyond the matrix edge and stay zero.
#pragma once

#include <cstdint>

#include "model/arrays.hpp"
#include "model/model.hpp"

namespace quivor {

// halfBandwidth = 2*dmax + 2, dmax the largest difference of the internal
// indices of a bar's two ends; 2 when there is no bar.
void ComputeHalfBandwidth(std::int16_t barCount, std::int16_t& halfBandwidth,
                          const Array2<std::int16_t>& barNodes, const LabelMap& nodeIndexOfLabel);

}  // namespace quivor
