// The blocked elimination with WebAssembly's 128-bit SIMD: two reals per
// vector. This file is compiled with -msimd128 and linked only into the web
// engine built for browsers that have those instructions (cmake/web.cmake);
// the engine without them leaves EliminateSimd128 undefined.
#include <wasm_simd128.h>

#include <cstddef>

#include "analysis/solve_banded_kernel.hpp"

namespace quivor::solver {
namespace {

struct Simd128 {
  static constexpr int kLanes = 2;
  // 2 x 4 accumulators, 2 rows and one column of factors: well inside the
  // sixteen vector registers of x86-64, which the browser's compiler spills
  // from when a tile takes them all (3 x 4, 4 x 3 measured slower).
  static constexpr int kRows = 2;
  static constexpr int kColumns = 4;
  // The generic vector type, so that * and - are f64x2.mul and f64x2.sub
  // (each rounded on its own: there is no fused form here).
  using Vector = double __attribute__((vector_size(16)));

  static void Prefetch(const double*) {}
  static Vector Load(const double* p) { return reinterpret_cast<Vector>(wasm_v128_load(p)); }
  static void Store(double* p, Vector v) { wasm_v128_store(p, reinterpret_cast<v128_t>(v)); }
  static Vector LoadFirst(const double* p, int count) {
    if (count >= 2) return Load(p);
    if (count == 1) return reinterpret_cast<Vector>(wasm_v128_load64_zero(p));
    return Vector{0.0, 0.0};
  }
  static void StoreFirst(double* p, Vector v, int count) {
    if (count >= 2) {
      Store(p, v);
    } else if (count == 1) {
      wasm_v128_store64_lane(p, reinterpret_cast<v128_t>(v), 0);
    }
  }
  static Vector Broadcast(double x) { return Vector{x, x}; }
  static void Transpose(const double* src, std::ptrdiff_t srcStride, double* dst,
                        std::ptrdiff_t dstStride) {
    const v128_t r0 = wasm_v128_load(src);
    const v128_t r1 = wasm_v128_load(src + srcStride);
    wasm_v128_store(dst, wasm_i64x2_shuffle(r0, r1, 0, 2));
    wasm_v128_store(dst + dstStride, wasm_i64x2_shuffle(r0, r1, 1, 3));
  }
  // A product masked to +0 leaves c exactly as it was.
  static Vector SubFirst(Vector c, Vector product, int count) {
    if (count >= 2) return c - product;
    const v128_t first = count == 1 ? wasm_i64x2_make(-1, 0) : wasm_i64x2_splat(0);
    return c - reinterpret_cast<Vector>(wasm_v128_and(reinterpret_cast<v128_t>(product), first));
  }
};

}  // namespace

SolveOutcome EliminateSimd128(const BandSystem& system) {
  return BlockedElimination<Simd128>(system).Run();
}

}  // namespace quivor::solver
