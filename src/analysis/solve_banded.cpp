// Gaussian elimination without row exchanges inside the upper band, then
// back substitution; all load cases are carried along as columns of U.
//
// B is stiffnessBand (B(i, m) holds K(i, i+m-1)), U is displacement, W is
// solverWork, h the half-bandwidth, n = 2*nodeCount the number of equations,
// and last(k) = min(k+h-1, n) the last equation coupled to row k in the band.
//
// Every band cell receives its subtractions in increasing step order, each a
// product rounded on its own and then subtracted from the stored value; any
// loop order that keeps this per-cell order gives the same bits.
#include "analysis/solve_banded.hpp"

#include <algorithm>
#include <cassert>

namespace quivor {

SolveOutcome SolveBanded(Array2<double>& stiffnessBand, const Array2<double>& loadMatrix,
                         Array2<double>& displacement, std::int16_t loadCaseCount,
                         std::int16_t halfBandwidth, std::int16_t nodeCount,
                         Array1<double>& solverWork) {
  Array2<double>& B = stiffnessBand;
  Array2<double>& U = displacement;
  Array1<double>& W = solverWork;
  const int n = 2 * nodeCount;
  const int h = halfBandwidth;
  const int cases = loadCaseCount;
  // A model without nodes has no equations and nothing to solve.
  if (n <= 0) return SolveOutcome::kSolved;
  assert(h >= 1);
  auto last = [n, h](int k) { return std::min(k + h - 1, n); };

  // The loads are copied; all further work is done on U.
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= cases; ++j) U(i, j) = loadMatrix(i, j);
  }

  // Forward elimination.
  for (int k = 1; k <= n - 1; ++k) {
    const double p = B(k, 1);
    if (IsSingularPivot(p)) return SolveOutcome::kSingular;
    // Row k as it stood before it is divided by its pivot: by symmetry W(i-k+1)
    // is also row i's entry for equation k, the multiplier of row i.
    for (int m = 2; m <= h; ++m) W(m) = B(k, m);
    for (int i = k + 1; i <= last(k); ++i) B(k, i - k + 1) = B(k, i - k + 1) / p;
    for (int j = 1; j <= cases; ++j) U(k, j) = U(k, j) / p;
    for (int i = k + 1; i <= last(k); ++i) {
      const double t = W(i - k + 1);
      for (int l = i; l <= last(k); ++l) B(i, l - i + 1) = B(i, l - i + 1) - t * B(k, l - k + 1);
      for (int j = 1; j <= cases; ++j) U(i, j) = U(i, j) - t * U(k, j);
    }
  }

  // The last equation: its pivot is tested like every other one.
  const double lastPivot = B(n, 1);
  if (IsSingularPivot(lastPivot)) return SolveOutcome::kSingular;
  for (int j = 1; j <= cases; ++j) U(n, j) = U(n, j) / lastPivot;

  // Back substitution; rows 1 to n-1 were normalised, so no division follows.
  for (int k = n - 1; k >= 1; --k) {
    for (int i = k + 1; i <= last(k); ++i) {
      for (int j = 1; j <= cases; ++j) U(k, j) = U(k, j) - B(k, i - k + 1) * U(i, j);
    }
  }
  return SolveOutcome::kSolved;
}

}  // namespace quivor
