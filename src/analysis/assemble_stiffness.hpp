// Assembly of the global stiffness matrix of the plane truss (direct
// stiffness method), every bar with the axial rigidity of one strand.
#pragma once

#include <array>
#include <cstdint>

#include "model/arrays.hpp"
#include "model/model.hpp"

namespace quivor {

// The 4x4 stiffness matrix of one bar, local order x1, y1, x2, y2; only the
// upper triangle is written. elementStiffness[r-1][c-1] holds entry (r, c).
using ElementStiffness = std::array<std::array<double, 4>, 4>;

// Writes the ten upper-triangle entries of bar b's matrix.
void BarStiffness(std::int16_t b, ElementStiffness& elementStiffness,
                  const LabelMap& nodeIndexOfLabel, const Array2<std::int16_t>& barNodes,
                  const Array2<double>& nodeCoord, double elasticModulus, double strandArea);

// Adds bar b's matrix into the upper band: the blocks (start, start),
// (start, end) and (end, end).
void AddBarStiffness(std::int16_t b, const ElementStiffness& elementStiffness,
                     const LabelMap& nodeIndexOfLabel, const Array2<std::int16_t>& barNodes,
                     Array2<double>& stiffnessBand);

// Overwrites stiffnessBand (already shaped (2*nodeCount, halfBandwidth)) with
// the assembled band.
void AssembleStiffness(const LabelMap& nodeIndexOfLabel, const Array2<std::int16_t>& barNodes,
                       const Array2<double>& nodeCoord, double elasticModulus, double strandArea,
                       Array2<double>& stiffnessBand, std::int16_t barCount);

}  // namespace quivor
