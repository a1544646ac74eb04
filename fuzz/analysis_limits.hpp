// Which models the fuzz targets analyse: a legal model can be huge (1000
// nodes with a bar from the first to the last give a band of 2000 x 2000
// cells and some 10^9 operations), valid but far too slow for fuzzing. The
// end-to-end cases run such models through the real programs.
#pragma once

#include <algorithm>
#include <cstdint>

#include "analysis/half_bandwidth.hpp"
#include "model/model.hpp"

namespace quivor {

// Solver operations: equations x band x (band + load cases).
inline constexpr double kMaxSolverWork = 2e7;
// Cells of the band and of the result arrays together.
inline constexpr double kMaxCells = 4e6;

// Whether the analysis of `model` stays within the limits above.
inline bool SmallEnough(const Model& model) {
  std::int16_t band = 0;
  ComputeHalfBandwidth(model.barCount, band, model.barNodes, model.nodeIndexOfLabel);
  const double equations = 2.0 * model.nodeCount;
  const double bars = std::max(0, static_cast<int>(model.barCount));
  const double cases = std::max(0, static_cast<int>(model.loadCaseCount));
  const double work = equations * band * (band + cases);
  const double cells = equations * band + 2.0 * equations * cases + 3.0 * bars * cases;
  return work <= kMaxSolverWork && cells <= kMaxCells;
}

}  // namespace quivor
