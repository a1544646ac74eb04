// The blocked elimination with AVX-512: eight reals per vector. This file is
// compiled with -mavx512f and called only when the processor has AVX-512F.
#include <immintrin.h>

#include <cstddef>

#include "analysis/solve_banded_kernel.hpp"

// GCC 12 takes the deliberately undefined vectors inside its own AVX-512
// intrinsics for uninitialised variables.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace quivor::solver {
namespace {

struct Avx512 {
  static constexpr int kLanes = 8;
  // 4 x 4 accumulators, 4 rows and one column of factors, products in
  // flight: about 26 of the 32 vector registers.
  static constexpr int kRows = 4;
  static constexpr int kColumns = 4;
  using Vector = __m512d;

  static __mmask8 First(int count) {
    return static_cast<__mmask8>((1u << Clamp(count, 0, 8)) - 1u);
  }
  static void Prefetch(const double* p) {
    _mm_prefetch(reinterpret_cast<const char*>(p), _MM_HINT_T0);
  }
  static Vector Load(const double* p) { return _mm512_loadu_pd(p); }
  static void Store(double* p, Vector v) { _mm512_storeu_pd(p, v); }
  static Vector LoadFirst(const double* p, int count) {
    return _mm512_maskz_loadu_pd(First(count), p);
  }
  static void StoreFirst(double* p, Vector v, int count) {
    _mm512_mask_storeu_pd(p, First(count), v);
  }
  static Vector Broadcast(double x) { return _mm512_set1_pd(x); }
  static void Transpose(const double* src, std::ptrdiff_t srcStride, double* dst,
                        std::ptrdiff_t dstStride) {
    Vector r[8], t[8], u[8];
    for (int c = 0; c < 8; ++c) r[c] = Load(src + c * srcStride);
    for (int c = 0; c < 8; c += 2) {
      t[c] = _mm512_unpacklo_pd(r[c], r[c + 1]);
      t[c + 1] = _mm512_unpackhi_pd(r[c], r[c + 1]);
    }
    // 128-bit lanes 0 and 2 (0x88) or 1 and 3 (0xdd) of each source.
    for (int c = 0; c < 8; c += 4) {
      u[c] = _mm512_shuffle_f64x2(t[c], t[c + 2], 0x88);
      u[c + 1] = _mm512_shuffle_f64x2(t[c], t[c + 2], 0xdd);
      u[c + 2] = _mm512_shuffle_f64x2(t[c + 1], t[c + 3], 0x88);
      u[c + 3] = _mm512_shuffle_f64x2(t[c + 1], t[c + 3], 0xdd);
    }
    Store(dst + 0 * dstStride, _mm512_shuffle_f64x2(u[0], u[4], 0x88));
    Store(dst + 4 * dstStride, _mm512_shuffle_f64x2(u[0], u[4], 0xdd));
    Store(dst + 2 * dstStride, _mm512_shuffle_f64x2(u[1], u[5], 0x88));
    Store(dst + 6 * dstStride, _mm512_shuffle_f64x2(u[1], u[5], 0xdd));
    Store(dst + 1 * dstStride, _mm512_shuffle_f64x2(u[2], u[6], 0x88));
    Store(dst + 5 * dstStride, _mm512_shuffle_f64x2(u[2], u[6], 0xdd));
    Store(dst + 3 * dstStride, _mm512_shuffle_f64x2(u[3], u[7], 0x88));
    Store(dst + 7 * dstStride, _mm512_shuffle_f64x2(u[3], u[7], 0xdd));
  }
  static Vector SubFirst(Vector c, Vector product, int count) {
    return _mm512_mask_sub_pd(c, First(count), c, product);
  }
};

}  // namespace

SolveOutcome EliminateAvx512(const BandSystem& system) {
  return BlockedElimination<Avx512>(system).Run();
}

}  // namespace quivor::solver
