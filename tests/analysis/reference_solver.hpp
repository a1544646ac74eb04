// The banded solver as a direct transcription of its loops, kept as the
// reference that any faster SolveBanded must match bit for bit: the same
// eliminated band, the same displacements, the same outcome.
//
// B(i, m) holds K(i, i+m-1); n = 2*nodeCount equations, h columns, and
// last(k) = min(k+h-1, n). Each update is a product rounded on its own and
// then subtracted from the stored value, in increasing step order per cell.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "analysis/solve_banded.hpp"
#include "model/arrays.hpp"

namespace quivor::test {

inline SolveOutcome ReferenceSolveBanded(Array2<double>& B, const Array2<double>& loadMatrix,
                                         Array2<double>& U, std::int16_t loadCaseCount,
                                         std::int16_t halfBandwidth, std::int16_t nodeCount,
                                         Array1<double>& W) {
  const int n = 2 * nodeCount;
  const int h = halfBandwidth;
  const int cases = loadCaseCount;
  if (n <= 0) return SolveOutcome::kSolved;
  // Written out here rather than taken from the header, so a change there
  // shows up as a difference.
  const double tolerance = static_cast<double>(1.0E-5f);
  auto singular = [tolerance](double p) { return !std::isfinite(p) || std::abs(p) < tolerance; };
  auto last = [n, h](int k) { return std::min(k + h - 1, n); };

  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= cases; ++j) U(i, j) = loadMatrix(i, j);
  }
  for (int k = 1; k <= n - 1; ++k) {
    const double p = B(k, 1);
    if (singular(p)) return SolveOutcome::kSingular;
    for (int m = 2; m <= h; ++m) W(m) = B(k, m);
    for (int i = k + 1; i <= last(k); ++i) B(k, i - k + 1) = B(k, i - k + 1) / p;
    for (int j = 1; j <= cases; ++j) U(k, j) = U(k, j) / p;
    for (int i = k + 1; i <= last(k); ++i) {
      const double t = W(i - k + 1);
      for (int l = i; l <= last(k); ++l) B(i, l - i + 1) = B(i, l - i + 1) - t * B(k, l - k + 1);
      for (int j = 1; j <= cases; ++j) U(i, j) = U(i, j) - t * U(k, j);
    }
  }
  const double lastPivot = B(n, 1);
  if (singular(lastPivot)) return SolveOutcome::kSingular;
  for (int j = 1; j <= cases; ++j) U(n, j) = U(n, j) / lastPivot;
  for (int k = n - 1; k >= 1; --k) {
    for (int i = k + 1; i <= last(k); ++i) {
      for (int j = 1; j <= cases; ++j) U(k, j) = U(k, j) - B(k, i - k + 1) * U(i, j);
    }
  }
  return SolveOutcome::kSolved;
}

}  // namespace quivor::test
