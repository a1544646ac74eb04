// The blocked elimination with AVX2: four reals per vector. This file is
// compiled with -mavx2 and called only when the processor has AVX2.
#include <immintrin.h>

#include <cstddef>

#include "analysis/solve_banded_kernel.hpp"

namespace quivor::solver {
namespace {

// Lane masks with the first `count` lanes set, for count = 0..4.
constexpr long long kFirstLanes[8] = {-1, -1, -1, -1, 0, 0, 0, 0};

struct Avx2 {
  static constexpr int kLanes = 4;
  // 3 x 3 accumulators, 3 rows and one column of factors, products in flight:
  // the 16 vector registers.
  static constexpr int kRows = 3;
  static constexpr int kColumns = 3;
  using Vector = __m256d;

  static __m256i First(int count) {
    return _mm256_loadu_si256(
        reinterpret_cast<const __m256i*>(kFirstLanes + 4 - Clamp(count, 0, 4)));
  }
  static void Prefetch(const double* p) {
    _mm_prefetch(reinterpret_cast<const char*>(p), _MM_HINT_T0);
  }
  static Vector Load(const double* p) { return _mm256_loadu_pd(p); }
  static void Store(double* p, Vector v) { _mm256_storeu_pd(p, v); }
  static Vector LoadFirst(const double* p, int count) {
    return _mm256_maskload_pd(p, First(count));
  }
  static void StoreFirst(double* p, Vector v, int count) {
    _mm256_maskstore_pd(p, First(count), v);
  }
  static Vector Broadcast(double x) { return _mm256_set1_pd(x); }
  static void Transpose(const double* src, std::ptrdiff_t srcStride, double* dst,
                        std::ptrdiff_t dstStride) {
    const Vector r0 = Load(src), r1 = Load(src + srcStride);
    const Vector r2 = Load(src + 2 * srcStride), r3 = Load(src + 3 * srcStride);
    const Vector t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
    const Vector t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
    Store(dst, _mm256_permute2f128_pd(t0, t2, 0x20));
    Store(dst + dstStride, _mm256_permute2f128_pd(t1, t3, 0x20));
    Store(dst + 2 * dstStride, _mm256_permute2f128_pd(t0, t2, 0x31));
    Store(dst + 3 * dstStride, _mm256_permute2f128_pd(t1, t3, 0x31));
  }
  // A product masked to +0 leaves c exactly as it was.
  static Vector SubFirst(Vector c, Vector product, int count) {
    return c - _mm256_and_pd(product, _mm256_castsi256_pd(First(count)));
  }
};

}  // namespace

SolveOutcome EliminateAvx2(const BandSystem& system) {
  return BlockedElimination<Avx2>(system).Run();
}

}  // namespace quivor::solver
