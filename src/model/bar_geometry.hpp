// The geometry of one bar, from its start node to its end node, as the model
// checks, the assembly, the bar forces and the sizing all work it out: the
// same operations in the same order, so every stage sees the same length.
#pragma once

#include <cmath>
#include <cstdint>

#include "model/arrays.hpp"
#include "model/model.hpp"

namespace quivor {

struct BarGeometry {
  int start;      // internal index of the start node
  int end;        // internal index of the end node
  double dx;      // cm
  double dy;      // cm
  double length;  // cm: sqrt(dx*dx + dy*dy)
};

inline BarGeometry GeometryOfBar(int bar, const LabelMap& nodeIndexOfLabel,
                                 const Array2<std::int16_t>& barNodes,
                                 const Array2<double>& nodeCoord) {
  const int start = nodeIndexOfLabel(barNodes(bar, 1));
  const int end = nodeIndexOfLabel(barNodes(bar, 2));
  const double dx = nodeCoord(end, 1) - nodeCoord(start, 1);
  const double dy = nodeCoord(end, 2) - nodeCoord(start, 2);
  return {start, end, dx, dy, std::sqrt(dx * dx + dy * dy)};
}

}  // namespace quivor
