// Support conditions by the identity-row method: a restrained direction e
// keeps K(e, e) = 1 and nothing else in its row and column, and its load is
// zero, so the solution is exactly 0 there. The imposed value being zero,
// clearing the column changes no other right-hand side, and the matrix stays
// symmetric, so the upper band still describes it.
#include "analysis/apply_supports.hpp"

namespace quivor {

void ApplySupports(std::int16_t supportCount, Array2<double>& stiffnessBand,
                   std::int16_t loadCaseCount, const Array2<std::int16_t>& supportTable,
                   Array2<double>& loadMatrix, std::int16_t halfBandwidth, std::int16_t nodeCount) {
  const int equationCount = 2 * nodeCount;
  for (int s = 1; s <= supportCount; ++s) {
    // Column 2 holds the x code, column 3 the y code; 0 means restrained.
    for (int d = 2; d <= 3; ++d) {
      if (supportTable(s, d) != 0) continue;
      const int e = 2 * supportTable(s, 1) + d - 3;
      stiffnessBand(e, 1) = 1.0;
      for (int j = 1; j <= loadCaseCount; ++j) loadMatrix(e, j) = 0.0;
      for (int m = 2; m <= halfBandwidth; ++m) {
        if (e + m - 1 <= equationCount) stiffnessBand(e, m) = 0.0;  // row e
        if (e - m + 1 >= 1) stiffnessBand(e - m + 1, m) = 0.0;      // column e
      }
    }
  }
}

}  // namespace quivor
