// Solution of K U = F for every load case at once: Gaussian elimination
// without row exchanges inside the band, then back substitution.
#pragma once

#include <cmath>
#include <cstdint>

#include "model/arrays.hpp"

namespace quivor {

// The single-precision constant 1.0E-5 widened to 64 bits.
inline constexpr double kPivotTolerance = static_cast<double>(1.0E-5f);

// True when a pivot must stop the elimination: too small, or not finite.
inline bool IsSingularPivot(double pivot) {
  return !std::isfinite(pivot) || std::abs(pivot) < kPivotTolerance;
}

enum class SolveOutcome { kSolved, kSingular };

// stiffnessBand is destroyed (it ends holding the eliminated band);
// displacement (2*nodeCount, loadCaseCount) receives the solutions. Every
// pivot is tested, the last one included; kSingular leaves displacement
// unspecified, and the band partly eliminated (in blocks of steps some
// updates are still pending when a pivot fails).
SolveOutcome SolveBanded(Array2<double>& stiffnessBand, const Array2<double>& loadMatrix,
                         Array2<double>& displacement, std::int16_t loadCaseCount,
                         std::int16_t halfBandwidth, std::int16_t nodeCount,
                         Array1<double>& solverWork);

// The ways SolveBanded can do its work, all with the same results bit for
// bit; SolveBanded takes the fastest one the processor has. Exposed for the
// tests and the benchmarks.
enum class SolverKernel {
  kPlain,    // any processor
  kAvx2,     // x86-64 with AVX2
  kAvx512,   // x86-64 with AVX-512F
  kSimd128,  // WebAssembly with 128-bit SIMD (the web engine built with it)
};

bool IsAvailable(SolverKernel kernel);

// The steps per block SolveBanded uses for a half-bandwidth; 0 means one
// step at a time.
int DefaultPanelRows(int halfBandwidth);

// SolveBanded with a given kernel (the plain one when the processor lacks
// it) and blocking: `panelRows` 0 eliminates one step at a time, any other
// value in blocks of that many steps.
SolveOutcome SolveBandedWith(SolverKernel kernel, int panelRows, Array2<double>& stiffnessBand,
                             const Array2<double>& loadMatrix, Array2<double>& displacement,
                             std::int16_t loadCaseCount, std::int16_t halfBandwidth,
                             std::int16_t nodeCount, Array1<double>& solverWork);

}  // namespace quivor
