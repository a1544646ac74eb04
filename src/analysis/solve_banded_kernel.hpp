// The banded elimination in blocks of steps, written once for any vector
// width and compiled once per instruction set: plain code (solve_banded.cpp),
// AVX2 and AVX-512 (solve_banded_avx2.cpp, solve_banded_avx512.cpp, built with
// those instructions enabled and called only on processors that have them),
// and WebAssembly's 128-bit SIMD (solve_banded_simd128.cpp, in the web engine
// for browsers that have it).
//
// Band storage: B(i, m) holds K(i, i+m-1), column 1 the diagonal. Here a cell
// is named by its row i and its distance d = m-1 from the diagonal, and lives
// at band[(i-1) + d*n]: one distance is one contiguous run of rows, so a
// vector holds the cells (i..i+V-1, d) of V consecutive rows.
//
// Why a blocked order gives the same bits. Step k of the elimination
// subtracts from every cell (i, l), k < i <= l <= min(k+h-1, n), the product
// W(k,i) * N(k,l): W(k,i) is row k's entry for equation i as it stood before
// step k divided it (the row saved in solverWork), N(k,l) is that row's entry
// after the division. Both are final once step k has begun, so a cell's
// value depends only on the order of its own subtractions. Every routine
// below applies to each cell the steps that reach it in increasing order,
// each as a product rounded on its own and then subtracted from the stored
// value (the build forbids contraction into fused multiply-add); where a
// vector lane lies beyond a step's reach, a mask leaves it untouched. The
// displacements U, which start as the loads, are treated the same way. Only
// the partial band left by a singular stop may differ from the plain order,
// since some updates are deferred.
//
// The order. A narrow band runs one step at a time on a window of its rows
// copied out row by row (SlideWindow). A wider one goes by blocks of steps:
// the block's own rows are factored by halves (Factor), the last few steps
// at a time on a row-by-row copy (FactorRows), and their saved and divided
// rows are packed; then every later row the block reaches takes the block's
// steps in register tiles (Update), one load and one store per cell per
// block instead of one per step.
//
// This header is compiled with different instruction sets in different
// translation units: everything lives in an unnamed namespace and calls no
// library function, so no out-of-line copy built for one instruction set can
// be picked by the linker for another.
#pragma once

#include <cstddef>

#include "analysis/solve_banded.hpp"

namespace quivor::solver {

// The system as the kernels see it: raw column-major storage, rows from 1.
struct BandSystem {
  double* band;  // n x h, cell (i, d) at band[(i-1) + d*n]
  double* rhs;   // n x cases: the loads on entry, the displacements on return
  double* work;  // solverWork, entry m at work[m-1]
  int n;
  int h;
  int cases;
  // Steps per block; 0 eliminates one step at a time over the whole band.
  int panelRows;
  // Two packs of the rows of a block, `packRows` rows of `packWidth` reals
  // each, 64-byte aligned: the saved rows W and the divided rows N.
  double* pack;
  int packRows;
  int packWidth;
  // Rows copied out of the band while the steps that reach them run:
  // `rowBlockRows` rows of `rowBlockWidth` reals (RowBlockRows).
  double* rowBlock;
  int rowBlockRows;
  int rowBlockWidth;
};

// The pack geometry for a system; the same for every instruction set.
inline constexpr int kPackMargin = 64;  // reals beyond a row's reach: vector over-reads
constexpr int PackWidth(int h, int panelRows) { return (panelRows + h + kPackMargin + 7) / 8 * 8; }
inline constexpr int kMaxStepRows = 8;
constexpr int RowBlockWidth(int h) { return (h + 16 + 7) / 8 * 8; }
// The rows of one block's base steps; one step at a time (panelRows 0), a
// ring over every row a step reaches and two groups of kMaxStepRows more, of
// a power of two rows.
constexpr int RowBlockRows(int h, int panelRows) {
  int rows = kMaxStepRows;
  while (panelRows == 0 && rows < h + 2 * kMaxStepRows) rows *= 2;
  return rows;
}

SolveOutcome EliminatePlain(const BandSystem& system);
SolveOutcome EliminateAvx2(const BandSystem& system);
SolveOutcome EliminateAvx512(const BandSystem& system);
SolveOutcome EliminateSimd128(const BandSystem& system);

namespace {

constexpr int Min(int a, int b) { return a < b ? a : b; }
constexpr int Max(int a, int b) { return a > b ? a : b; }
constexpr int Clamp(int x, int low, int high) { return x < low ? low : (x > high ? high : x); }

// The pivot test of SolveBanded (IsSingularPivot) without library calls:
// p - p is 0 exactly when p is finite.
constexpr bool IsSingular(double p) {
  return !(p - p == 0.0) || (-kPivotTolerance < p && p < kPivotTolerance);
}

// S gives the vector type and its operations: kLanes reals per vector, tiles
// of kRows x kColumns vectors, Prefetch, Load/Store, LoadFirst/StoreFirst
// (only the first `count` lanes; the others read as 0 and are not written),
// Broadcast, SubFirst(c, p, count) (c - p in the first `count` lanes, c
// elsewhere) and Transpose (a block of kLanes x kLanes reals:
// dst[r*dstStride + c] = src[c*srcStride + r]).
template <class S>
class BlockedElimination {
  using Vector = typename S::Vector;
  static constexpr int V = S::kLanes;

 public:
  explicit BlockedElimination(const BandSystem& s) : s_(s), n_(s.n), h_(s.h) {}

  SolveOutcome Run() {
    if (s_.panelRows == 0) {
      if (!SlideWindow()) return SolveOutcome::kSingular;
    } else {
      for (int k0 = 1; k0 <= n_ - 1; k0 += s_.panelRows) {
        const int kb = Min(k0 + s_.panelRows, n_);
        panelStart_ = k0;
        if (!Factor(k0, kb)) return SolveOutcome::kSingular;
        Update(k0, kb, kb, n_ + 1);
      }
    }
    const double lastPivot = *Cell(n_, 0);
    if (IsSingular(lastPivot)) return SolveOutcome::kSingular;
    for (int j = 0; j < s_.cases; ++j) Rhs(n_, j) = Rhs(n_, j) / lastPivot;
    BackSubstitute();
    return SolveOutcome::kSolved;
  }

 private:
  double* Cell(int i, int d) const {
    return s_.band + (static_cast<std::ptrdiff_t>(i) - 1) +
           static_cast<std::ptrdiff_t>(d) * static_cast<std::ptrdiff_t>(n_);
  }
  double& Rhs(int i, int j) const {
    return s_.rhs[(static_cast<std::ptrdiff_t>(i) - 1) +
                  static_cast<std::ptrdiff_t>(j) * static_cast<std::ptrdiff_t>(n_)];
  }
  // Pack rows of step k (a step of the current block): W(k)[c - panelStart_]
  // is W(k, c) and N(k)[c - panelStart_] is N(k, c), for the columns c that
  // row k reaches.
  double* PackRow(int k, int which) const {
    return s_.pack + (static_cast<std::ptrdiff_t>(which) * s_.packRows + (k - panelStart_)) *
                         static_cast<std::ptrdiff_t>(s_.packWidth);
  }
  double* W(int k) const { return PackRow(k, 0); }
  double* N(int k) const { return PackRow(k, 1); }

  // Step k on rows held row by row, row(i)[d] being cell (i, d): the pivot
  // test, row k saved (W) and divided (N) into the packs and into its own
  // cells, the displacements of row k divided, then the subtractions of
  // step k from rows k+1..k+count.
  template <class RowOf>
  bool StepRowByRow(int k, int count, RowOf row) {
    double* tk = row(k);
    const double p = tk[0];
    if (IsSingular(p)) return false;
    const int reach = Min(h_ - 1, n_ - k);  // row k couples equations k+1..k+reach
    // wr[x] = W(k, k+x), nr[x] = N(k, k+x), for x = 1..reach.
    double* wr = W(k) + (k - panelStart_);
    double* nr = N(k) + (k - panelStart_);
    const Vector pv = S::Broadcast(p);
    int x = 1;
    for (; x + V - 1 <= reach; x += V) {
      const Vector w = S::Load(tk + x);
      const Vector q = w / pv;
      S::Store(wr + x, w);
      S::Store(nr + x, q);
      S::Store(tk + x, q);
    }
    for (; x <= reach; ++x) {
      wr[x] = tk[x];
      nr[x] = tk[x] / p;
      tk[x] = nr[x];
    }
    for (int j = 0; j < s_.cases; ++j) Rhs(k, j) = Rhs(k, j) / p;
    if (k == n_ - 1) SaveLastRow(k, wr, reach);

    // Row k+a takes W(k, k+a) * N(k, k+a+d) at its distances d = 0..reach-a.
    for (int a = 1; a <= count; ++a) {
      const Vector wv = S::Broadcast(wr[a]);
      double* ta = row(k + a);
      const int cells = reach - a + 1;
      int d = 0;
      for (; d + V <= cells; d += V) S::Store(ta + d, S::Load(ta + d) - wv * S::Load(nr + a + d));
      if (d < cells) {
        S::Store(ta + d, S::SubFirst(S::Load(ta + d), wv * S::Load(nr + a + d), cells - d));
      }
    }
    // The displacements of rows k+1..k+count, V rows at a time.
    for (int j = 0; j < s_.cases; ++j) {
      const Vector xk = S::Broadcast(Rhs(k, j));
      double* c = &Rhs(k, j) + 1;
      for (int a = 0; a < count; a += V) {
        const Vector product = S::Load(wr + 1 + a) * xk;
        if (count - a >= V) {
          S::Store(c + a, S::Load(c + a) - product);
        } else {
          S::StoreFirst(c + a, S::LoadFirst(c + a, count - a) - product, count - a);
        }
      }
    }
    return true;
  }

  // Every step, one at a time, on a window of rows held row by row: the
  // narrow band's working rows stay in the first-level cache. Rows enter the
  // window kStepRows at a time before the first step that reaches them, and
  // go back to the band once their own step is done (or the run stops).
  bool SlideWindow() {
    int loaded = 0;  // rows 1..loaded are in the window
    int stored = 0;  // rows 1..stored are back in the band
    auto row = [this](int i) { return WindowRow(i); };
    bool solved = true;
    for (int k = 1; k <= n_ - 1 && solved; ++k) {
      const int reach = Min(h_ - 1, n_ - k);
      for (; loaded < k + reach; loaded += kStepRows) {
        CopyRows(loaded + 1, Min(kStepRows, n_ - loaded), WindowRow(loaded + 1), true);
      }
      panelStart_ = k;
      solved = StepRowByRow(k, reach, row);
      for (; solved && stored + kStepRows <= k; stored += kStepRows) {
        CopyRows(stored + 1, kStepRows, WindowRow(stored + 1), false);
      }
    }
    loaded = Min(loaded, n_);
    for (; stored < loaded; stored += kStepRows) {
      CopyRows(stored + 1, Min(kStepRows, loaded - stored), WindowRow(stored + 1), false);
    }
    return solved;
  }

  // Row i of the window: rows are kept in a ring of s_.rowBlockRows rows, a
  // power of two and a multiple of kStepRows, so that a group of kStepRows
  // rows never wraps.
  double* WindowRow(int i) const {
    return s_.rowBlock +
           static_cast<std::ptrdiff_t>((i - 1) & (s_.rowBlockRows - 1)) * s_.rowBlockWidth;
  }

  // solverWork ends as the saved row of the last step, as the plain order
  // leaves it: W(m) = B(n-1, m) before its division, cells beyond the edge
  // of the matrix included.
  void SaveLastRow(int k, const double* wr, int reach) {
    for (int m = 2; m <= h_; ++m) s_.work[m - 1] = m - 1 <= reach ? wr[m - 1] : *Cell(k, m - 1);
  }

  // Steps ka..kb-1 for the rows ka..kb-1, which have taken every step before
  // ka: halves, the second half brought up to date in between.
  bool Factor(int ka, int kb) {
    if (kb - ka <= kStepRows) return FactorRows(ka, kb);
    const int half = (kb - ka) / 2;
    const int mid = ka + (half + kStepRows - 1) / kStepRows * kStepRows;  // ka < mid < kb
    if (!Factor(ka, mid)) return false;
    Update(ka, mid, mid, kb);
    return Factor(mid, kb);
  }

  static constexpr int kStepRows = V > 4 ? V : 4;
  static_assert(kStepRows <= kMaxStepRows);

  // Steps ka..kb-1 (at most kStepRows of them) for their own rows, on a copy
  // of those rows laid out row by row, so that a row's cells are contiguous.
  bool FactorRows(int ka, int kb) {
    const std::ptrdiff_t tw = s_.rowBlockWidth;
    double* t = s_.rowBlock;
    auto row = [t, tw, ka](int i) { return t + (i - ka) * tw; };
    CopyRows(ka, kb - ka, t, true);
    for (int k = ka; k < kb; ++k) {
      if (!StepRowByRow(k, Min(h_ - 1, kb - 1 - k), row)) return false;
    }
    CopyRows(ka, kb - ka, t, false);
    return true;
  }

  // Copies `rows` rows from ka on between the band and `t` (rows of
  // s_.rowBlockWidth reals, t[r][d] = cell (ka + r, d)), in whole transposed
  // blocks where it can.
  void CopyRows(int ka, int rows, double* t, bool toRows) {
    const std::ptrdiff_t tw = s_.rowBlockWidth;
    int d0 = 0;
    if (rows == kStepRows) {
      for (; d0 + V <= h_; d0 += V) {
        for (int r0 = 0; r0 < rows; r0 += V) {
          if (toRows) {
            S::Transpose(Cell(ka + r0, d0), n_, t + r0 * tw + d0, tw);
          } else {
            S::Transpose(t + r0 * tw + d0, tw, Cell(ka + r0, d0), n_);
          }
        }
      }
    }
    for (; d0 < h_; ++d0) {
      for (int r = 0; r < rows; ++r) {
        if (toRows) {
          t[r * tw + d0] = *Cell(ka + r, d0);
        } else {
          *Cell(ka + r, d0) = t[r * tw + d0];
        }
      }
    }
  }

  // Steps ka..kb-1 of the current block (packed) for the rows ia..ib-1,
  // which come after them and have taken every earlier step.
  void Update(int ka, int kb, int ia, int ib) {
    const int lLast = Min(n_, kb - 1 + h_ - 1);  // the last column these steps reach
    ib = Min(ib, lLast + 1);
    // The tiles go by chunks of distances, each chunk over all the rows: the
    // band cells in use lie on a bounded number of pages, and the divided
    // rows' columns slide along with the rows.
    const int eAll = Min(h_ - 1 + V * (S::kRows - 1), lLast - ia) + 1;
    for (int c0 = 0; c0 < eAll; c0 += kChunk) {
      for (int i0 = ia; i0 < ib; i0 += S::kRows * V) {
        const int vectors = Min(S::kRows, (ib - i0 + V - 1) / V);
        if (vectors == S::kRows) UpdateRows<S::kRows>(ka, kb, ib, i0, lLast, c0);
        if (vectors == 1) UpdateRows<1>(ka, kb, ib, i0, lLast, c0);
        if constexpr (S::kRows > 2) {
          if (vectors == 2) UpdateRows<2>(ka, kb, ib, i0, lLast, c0);
        }
        if constexpr (S::kRows > 3) {
          if (vectors == 3) UpdateRows<3>(ka, kb, ib, i0, lLast, c0);
        }
      }
    }
    UpdateRhs(ka, kb, ia, ib);
  }

  // Distances per chunk: a whole number of tiles.
  static constexpr int kChunk = S::kColumns * (128 / S::kColumns);

  // A tile holds R x kColumns vectors. Vector (a, e) holds lane j at row
  // i0 + V*a + j and column i0 + e0 + e + j, all at distance d = e0 + e - V*a:
  // the rows of one vector share the W loads of vector a, the columns the N
  // loads of vector e, and each vector is one contiguous run of a distance.
  template <int R>
  void UpdateRows(int ka, int kb, int ib, int i0, int lLast, int c0) {
    const int eEnd = Min(c0 + kChunk, Min(h_ - 1 + V * (R - 1), lLast - i0) + 1);
    for (int e0 = c0; e0 < eEnd; e0 += S::kColumns) {
      // The next tile's cells come in while this one computes.
      if (e0 + S::kColumns < eEnd) PrefetchTile<R>(ib, i0, e0 + S::kColumns);
      UpdateTile<R>(ka, kb, ib, i0, e0);
    }
  }

  template <int R>
  void PrefetchTile(int ib, int i0, int e0) const {
    for (int a = 0; a < R; ++a) {
      for (int e = 0; e < S::kColumns; ++e) {
        const int d = e0 + e - V * a;
        const int i = i0 + V * a;
        if (d < 0 || d >= h_ || i >= ib || i + d > n_) continue;
        const double* c = Cell(i, d);
        S::Prefetch(c);
        S::Prefetch(c + V - 1);
      }
    }
  }

  template <int R>
  void UpdateTile(int ka, int kb, int ib, int i0, int e0) {
    constexpr int E = S::kColumns;
    constexpr std::size_t kR = R, kE = E;  // array bounds
    Vector acc[kR][kE];
    // Each cell of an inner tile lies in the band and in rows < ib; at the
    // edges, stored[a][e] counts the lanes of vector (a, e) that do.
    int stored[kR][kE];
    const bool whole = e0 >= V * (R - 1) && e0 + E - 1 <= h_ - 1 && i0 + V * R <= ib &&
                       i0 + e0 + E - 1 + V - 1 <= n_;
    if (whole) {
      for (int a = 0; a < R; ++a) {
        for (int e = 0; e < E; ++e) acc[a][e] = S::Load(Cell(i0 + V * a, e0 + e - V * a));
      }
    } else {
      for (int a = 0; a < R; ++a) {
        for (int e = 0; e < E; ++e) {
          const int d = e0 + e - V * a;
          const int count = d < 0 || d >= h_ ? 0 : Clamp(Min(ib, n_ - d + 1) - (i0 + V * a), 0, V);
          stored[a][e] = count;
          acc[a][e] = S::LoadFirst(count > 0 ? Cell(i0 + V * a, d) : nullptr, count);
        }
      }
    }

    // Column l takes step k when l <= k + h - 1: the tile's columns run from
    // lFirst to lLast, so steps before kMasked reach none of them and steps
    // from kWhole on reach all of them.
    const int lFirst = i0 + e0;
    const int lLast = i0 + e0 + E - 1 + V - 1;
    const int kMasked = Clamp(lFirst - h_ + 1, ka, kb);
    const int kWhole = Clamp(lLast - h_ + 1, kMasked, kb);
    const std::ptrdiff_t rowOffset = i0 - panelStart_;
    const std::ptrdiff_t columnOffset = i0 + e0 - panelStart_;
    for (int k = kMasked; k < kWhole; ++k) {
      const double* u = W(k) + rowOffset;
      const double* nk = N(k) + columnOffset;
      Vector uv[kR];
      for (int a = 0; a < R; ++a) uv[a] = S::Load(u + V * a);
      const int lanes = k + h_ - lFirst;  // lanes of vector e = 0 that take step k
      for (int e = 0; e < E; ++e) {
        const Vector nv = S::Load(nk + e);
        for (int a = 0; a < R; ++a) acc[a][e] = S::SubFirst(acc[a][e], uv[a] * nv, lanes - e);
      }
    }
    for (int k = kWhole; k < kb; ++k) {
      const double* u = W(k) + rowOffset;
      const double* nk = N(k) + columnOffset;
      Vector uv[kR];
      for (int a = 0; a < R; ++a) uv[a] = S::Load(u + V * a);
      for (int e = 0; e < E; ++e) {
        const Vector nv = S::Load(nk + e);
        for (int a = 0; a < R; ++a) acc[a][e] = acc[a][e] - uv[a] * nv;
      }
    }

    for (int a = 0; a < R; ++a) {
      for (int e = 0; e < E; ++e) {
        if (whole) {
          S::Store(Cell(i0 + V * a, e0 + e - V * a), acc[a][e]);
        } else if (stored[a][e] > 0) {
          S::StoreFirst(Cell(i0 + V * a, e0 + e - V * a), acc[a][e], stored[a][e]);
        }
      }
    }
  }

  // Load cases taken together in the displacement updates: one saved row
  // serves them all. Each group size is compiled on its own, so that its
  // accumulators stay in registers.
  static constexpr int kCaseGroup = 8;

  template <class Group>
  void ForCaseGroups(Group group) {
    for (int j0 = 0; j0 < s_.cases; j0 += kCaseGroup) {
      switch (Min(kCaseGroup, s_.cases - j0)) {
        case 1:
          group.template operator()<1>(j0);
          break;
        case 2:
          group.template operator()<2>(j0);
          break;
        case 3:
          group.template operator()<3>(j0);
          break;
        case 4:
          group.template operator()<4>(j0);
          break;
        case 5:
          group.template operator()<5>(j0);
          break;
        case 6:
          group.template operator()<6>(j0);
          break;
        case 7:
          group.template operator()<7>(j0);
          break;
        default:
          group.template operator()<8>(j0);
          break;
      }
    }
  }

  // The displacements of rows ia..ib-1 take W(k, i) * U(k, j) for the steps
  // ka..kb-1 that reach them (i <= k + h - 1).
  void UpdateRhs(int ka, int kb, int ia, int ib) {
    ForCaseGroups([&]<int kCases>(int j0) {
      for (int i0 = ia; i0 < ib; i0 += V) {
        const int count = Min(V, ib - i0);
        Vector acc[std::size_t{kCases}];
        for (int j = 0; j < kCases; ++j) acc[j] = S::LoadFirst(&Rhs(i0, j0 + j), count);
        const int kMasked = Clamp(i0 - h_ + 1, ka, kb);
        const int kWhole = Clamp(i0 + V - 1 - h_ + 1, kMasked, kb);
        const std::ptrdiff_t rowOffset = i0 - panelStart_;
        for (int k = kMasked; k < kWhole; ++k) {
          const Vector w = S::Load(W(k) + rowOffset);
          for (int j = 0; j < kCases; ++j) {
            acc[j] = S::SubFirst(acc[j], w * S::Broadcast(Rhs(k, j0 + j)), k + h_ - i0);
          }
        }
        for (int k = kWhole; k < kb; ++k) {
          const Vector w = S::Load(W(k) + rowOffset);
          for (int j = 0; j < kCases; ++j) acc[j] = acc[j] - w * S::Broadcast(Rhs(k, j0 + j));
        }
        for (int j = 0; j < kCases; ++j) S::StoreFirst(&Rhs(i0, j0 + j), acc[j], count);
      }
    });
  }

  // U(k, j) -= N(k, i) * U(i, j) for i = k+1..last(k) in increasing order:
  // a chain per load case, so the cases are the only parallel work; a group
  // of them runs side by side.
  void BackSubstitute() {
    ForCaseGroups([&]<int kCases>(int j0) {
      for (int k = n_ - 1; k >= 1; --k) {
        const int reach = Min(h_ - 1, n_ - k);
        double acc[std::size_t{kCases}];
        for (int j = 0; j < kCases; ++j) acc[j] = Rhs(k, j0 + j);
        for (int t = 1; t <= reach; ++t) {
          const double nkt = *Cell(k, t);
          for (int j = 0; j < kCases; ++j) acc[j] = acc[j] - nkt * Rhs(k + t, j0 + j);
        }
        for (int j = 0; j < kCases; ++j) Rhs(k, j0 + j) = acc[j];
      }
    });
  }

  const BandSystem& s_;
  const int n_;
  const int h_;
  int panelStart_ = 1;  // the first step of the current block
};

}  // namespace
}  // namespace quivor::solver
