// Gaussian elimination without row exchanges inside the upper band, then
// back substitution; all load cases are carried along as columns of U.
//
// B is stiffnessBand (B(i, m) holds K(i, i+m-1)), U is displacement, W is
// solverWork, h the half-bandwidth, n = 2*nodeCount the number of equations,
// and last(k) = min(k+h-1, n) the last equation coupled to row k in the band.
//
// Every band cell receives its subtractions in increasing step order, each a
// product rounded on its own and then subtracted from the stored value; any
// loop order that keeps this per-cell order gives the same bits. The work is
// done in blocks of steps by solve_banded_kernel.hpp, in the widest vectors
// the processor has; this file chooses the kernel and the blocking, and keeps
// the loops in their plain order for when the kernel's scratch memory cannot
// be had.
#include "analysis/solve_banded.hpp"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "analysis/solve_banded_kernel.hpp"
#include "platform/platform.hpp"

namespace quivor {
namespace solver {
namespace {

// One real per "vector": the blocked order on any processor.
struct Plain {
  static constexpr int kLanes = 1;
  static constexpr int kRows = 4;
  static constexpr int kColumns = 3;
  using Vector = double;

  static void Prefetch(const double*) {}
  static Vector Load(const double* p) { return *p; }
  static void Store(double* p, Vector v) { *p = v; }
  static Vector LoadFirst(const double* p, int count) { return count > 0 ? *p : 0.0; }
  static void StoreFirst(double* p, Vector v, int count) {
    if (count > 0) *p = v;
  }
  static Vector Broadcast(double x) { return x; }
  static void Transpose(const double* src, std::ptrdiff_t, double* dst, std::ptrdiff_t) {
    *dst = *src;
  }
  static Vector SubFirst(Vector c, Vector product, int count) {
    return count > 0 ? c - product : c;
  }
};

}  // namespace

SolveOutcome EliminatePlain(const BandSystem& system) {
  return BlockedElimination<Plain>(system).Run();
}

#ifdef __wasm__
// The 128-bit kernel is linked only into the web engine built for browsers
// that have those instructions; in the other one it stays undefined, and
// its address null.
[[gnu::weak]] SolveOutcome EliminateSimd128(const BandSystem& system);
#endif

}  // namespace solver

namespace {

// The loops in their plain order, on B and U only.
SolveOutcome SolveInPlainOrder(Array2<double>& B, Array2<double>& U, int cases, int h, int n,
                               Array1<double>& W) {
  auto last = [n, h](int k) { return std::min(k + h - 1, n); };
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

// The widest vectors the processor has, except that a narrow band (one step
// at a time) goes faster in AVX2's four lanes: its rows are short, and the
// lanes of eight that fall beyond a row's last cell are wasted.
SolverKernel FastestKernel(int panelRows) {
  if (IsAvailable(SolverKernel::kAvx2) && panelRows == 0) return SolverKernel::kAvx2;
  if (IsAvailable(SolverKernel::kAvx512)) return SolverKernel::kAvx512;
  if (IsAvailable(SolverKernel::kAvx2)) return SolverKernel::kAvx2;
  if (IsAvailable(SolverKernel::kSimd128)) return SolverKernel::kSimd128;
  return SolverKernel::kPlain;
}

}  // namespace

bool IsAvailable(SolverKernel kernel) {
  switch (kernel) {
    case SolverKernel::kPlain:
      return true;
#ifdef QUIVOR_X86_SOLVER_KERNELS
    case SolverKernel::kAvx2:
      return __builtin_cpu_supports("avx2");
    case SolverKernel::kAvx512:
      return __builtin_cpu_supports("avx512f");
#endif
#ifdef __wasm__
    case SolverKernel::kSimd128:
      return &solver::EliminateSimd128 != nullptr;
#endif
    default:
      return false;
  }
}

int DefaultPanelRows(int halfBandwidth) {
  // A narrow band's working rows fit the first-level cache: one step at a
  // time. A wider band goes by blocks of steps, each cell loaded and stored
  // once per block; longer blocks do more work per load but pack more rows,
  // 2 * panelRows * (panelRows + h) reals, which for the widest bands is
  // held to about a tenth of the band itself (2000 x 2000: 3.4 MB of 32 MB).
  if (halfBandwidth < 96) return 0;
  return halfBandwidth < 1024 ? 128 : 96;
}

SolveOutcome SolveBandedWith(SolverKernel kernel, int panelRows, Array2<double>& stiffnessBand,
                             const Array2<double>& loadMatrix, Array2<double>& displacement,
                             std::int16_t loadCaseCount, std::int16_t halfBandwidth,
                             std::int16_t nodeCount, Array1<double>& solverWork) {
  const int n = 2 * nodeCount;
  const int h = halfBandwidth;
  const int cases = loadCaseCount;
  // A model without nodes has no equations and nothing to solve.
  if (n <= 0) return SolveOutcome::kSolved;
  assert(h >= 1 && panelRows >= 0);

  // The loads are copied; all further work is done on U.
  if (cases > 0) {
    std::memcpy(displacement.data(), loadMatrix.data(), displacement.size() * sizeof(double));
  }

  // The packed rows of one block, or of one step: 64-byte aligned.
  const int packRows = panelRows > 0 ? panelRows : 1;
  const int packWidth = solver::PackWidth(h, packRows);
  const std::size_t packSize =
      2 * static_cast<std::size_t>(packRows) * static_cast<std::size_t>(packWidth);
  const int rowBlockRows = solver::RowBlockRows(h, panelRows);
  const int rowBlockWidth = solver::RowBlockWidth(h);
  const std::size_t scratchSize =
      packSize + static_cast<std::size_t>(rowBlockRows) * static_cast<std::size_t>(rowBlockWidth);
  // From the same storage as the arrays: the widest bands' scratch is a few
  // megabytes, which then come on huge pages too.
  const std::size_t scratchBytes = (scratchSize + 8) * sizeof(double);
  const std::unique_ptr<double[], StorageRelease> scratch(
      static_cast<double*>(platform::AllocateZeroed(scratchBytes)), StorageRelease{scratchBytes});
  if (!scratch) return SolveInPlainOrder(stiffnessBand, displacement, cases, h, n, solverWork);
  double* pack = scratch.get();
  pack += (64 - reinterpret_cast<std::uintptr_t>(pack) % 64) % 64 / sizeof(double);
  // Vector lanes beyond a row's reach read pack entries that are never
  // written and never stored back: NaN, so that a lane mask in error shows.
  std::fill(pack, pack + scratchSize, std::numeric_limits<double>::quiet_NaN());

  const solver::BandSystem system{.band = stiffnessBand.data(),
                                  .rhs = displacement.data(),
                                  .work = solverWork.data(),
                                  .n = n,
                                  .h = h,
                                  .cases = cases,
                                  .panelRows = panelRows,
                                  .pack = pack,
                                  .packRows = packRows,
                                  .packWidth = packWidth,
                                  .rowBlock = pack + packSize,
                                  .rowBlockRows = rowBlockRows,
                                  .rowBlockWidth = rowBlockWidth};
  switch (IsAvailable(kernel) ? kernel : SolverKernel::kPlain) {
#ifdef QUIVOR_X86_SOLVER_KERNELS
    case SolverKernel::kAvx2:
      return solver::EliminateAvx2(system);
    case SolverKernel::kAvx512:
      return solver::EliminateAvx512(system);
#endif
#ifdef __wasm__
    case SolverKernel::kSimd128:
      return solver::EliminateSimd128(system);
#endif
    default:
      return solver::EliminatePlain(system);
  }
}

SolveOutcome SolveBanded(Array2<double>& stiffnessBand, const Array2<double>& loadMatrix,
                         Array2<double>& displacement, std::int16_t loadCaseCount,
                         std::int16_t halfBandwidth, std::int16_t nodeCount,
                         Array1<double>& solverWork) {
  const int panelRows = DefaultPanelRows(halfBandwidth);
  return SolveBandedWith(FastestKernel(panelRows), panelRows, stiffnessBand, loadMatrix,
                         displacement, loadCaseCount, halfBandwidth, nodeCount, solverWork);
}

}  // namespace quivor
