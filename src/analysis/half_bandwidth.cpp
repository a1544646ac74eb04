// Half-bandwidth from the largest index distance between a bar's two ends.
#include "analysis/half_bandwidth.hpp"

#include <cassert>
#include <cstdlib>

namespace quivor {

void ComputeHalfBandwidth(std::int16_t barCount, std::int16_t& halfBandwidth,
                          const Array2<std::int16_t>& barNodes, const LabelMap& nodeIndexOfLabel) {
  // Internal indices lie in 1..nodeCount, so their difference fits in 16 bits.
  int largestDistance = 0;
  for (int b = 1; b <= barCount; ++b) {
    const int distance =
        std::abs(nodeIndexOfLabel(barNodes(b, 2)) - nodeIndexOfLabel(barNodes(b, 1)));
    if (distance > largestDistance) largestDistance = distance;
  }
  // A bar between nodes i and i+d couples equation 2i-1 (x of i) with 2(i+d)
  // (y of i+d), 2d+1 places right of the diagonal: 2d+2 columns with it. The
  // model reader admits at most 1000 nodes, so this stays far below 32767.
  const int columns = 2 * largestDistance + 2;
  assert(columns <= INT16_MAX);
  halfBandwidth = static_cast<std::int16_t>(columns);
}

}  // namespace quivor
