// Every kernel of SolveBanded, at every blocking, against the reference
// transcription of the loops, byte for byte: the eliminated band, the
// displacements and solverWork.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/bits.hpp"
#include "analysis/reference_solver.hpp"
#include "analysis/solve_banded.hpp"

namespace quivor {
namespace {

using test::Copy;
using test::SameBits;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Kernel {
  SolverKernel kernel;
  const char* name;
};
constexpr Kernel kKernels[] = {{SolverKernel::kPlain, "plain"},
                               {SolverKernel::kAvx2, "AVX2"},
                               {SolverKernel::kAvx512, "AVX-512"}};

// A band system: the band and the loads as the solver receives them.
struct Band {
  Array2<double> band;
  Array2<double> loads;
  std::int16_t nodeCount;
  std::int16_t halfBandwidth;
  std::int16_t cases;
};

// A symmetric band with a dominant diagonal, so that it solves: random reals
// of both signs, zeros, negative zeros and identity rows (as the supports
// leave them). The cells beyond the last column of the matrix hold 7.5 and
// -0.0, which no step may touch; the loads hold some zeros, an infinity and
// a NaN when there are many of them.
Band RandomBand(std::mt19937_64& random, int nodeCount, int halfBandwidth, int cases) {
  const int n = 2 * nodeCount;
  const int h = halfBandwidth;
  Band s{{},
         {},
         static_cast<std::int16_t>(nodeCount),
         static_cast<std::int16_t>(h),
         static_cast<std::int16_t>(cases)};
  (void)Allocate(s.band, n, h);
  (void)Allocate(s.loads, n, cases);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::uniform_int_distribution<int> kind(0, 15);
  std::vector<double> rowSum(static_cast<std::size_t>(n) + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    for (int m = 2; m <= h; ++m) {
      if (i + m - 1 > n) {
        s.band(i, m) = (i + m) % 2 == 0 ? 7.5 : -0.0;
        continue;
      }
      const int k = kind(random);
      const double x = k == 0 ? 0.0 : (k == 1 ? -0.0 : value(random));
      s.band(i, m) = x;
      rowSum[static_cast<std::size_t>(i)] += std::abs(x);
      rowSum[static_cast<std::size_t>(i + m - 1)] += std::abs(x);
    }
  }
  for (int i = 1; i <= n; ++i) {
    s.band(i, 1) = rowSum[static_cast<std::size_t>(i)] + 0.5 + std::abs(value(random));
  }
  for (int e = 1; e <= n; ++e) {
    if (kind(random) != 0) continue;
    s.band(e, 1) = 1.0;
    for (int m = 2; m <= h; ++m) {
      if (e + m - 1 <= n) s.band(e, m) = 0.0;
      if (e - m + 1 >= 1) s.band(e - m + 1, m) = 0.0;
    }
  }
  for (int j = 1; j <= cases; ++j) {
    for (int i = 1; i <= n; ++i) {
      const int k = kind(random);
      s.loads(i, j) = k < 4 ? (k == 1 ? -0.0 : 0.0) : 100.0 * value(random);
    }
  }
  if (cases >= 8 && n >= 4) {
    s.loads(n / 2, 8) = kInf;
    s.loads(3, 7) = kNaN;
  }
  return s;
}

struct Solved {
  SolveOutcome outcome;
  Array2<double> band;
  Array2<double> displacement;
  Array1<double> work;
};

Solved Reference(const Band& s) {
  Solved r{SolveOutcome::kSolved, Copy(s.band), {}, {}};
  (void)Allocate(r.displacement, s.loads.rows(), s.cases);
  (void)Allocate(r.work, s.halfBandwidth);
  r.outcome = test::ReferenceSolveBanded(r.band, s.loads, r.displacement, s.cases, s.halfBandwidth,
                                         s.nodeCount, r.work);
  return r;
}

Solved With(SolverKernel kernel, int panelRows, const Band& s) {
  Solved r{SolveOutcome::kSolved, Copy(s.band), {}, {}};
  (void)Allocate(r.displacement, s.loads.rows(), s.cases);
  (void)Allocate(r.work, s.halfBandwidth);
  r.outcome = SolveBandedWith(kernel, panelRows, r.band, s.loads, r.displacement, s.cases,
                              s.halfBandwidth, s.nodeCount, r.work);
  return r;
}

// Compares one kernel at one blocking with the reference; the message names
// the case when something differs.
void ExpectSameBits(const Kernel& k, int panelRows, const Band& s, const Solved& expected) {
  const Solved got = With(k.kernel, panelRows, s);
  const std::string where = std::string(k.name) + ", " + std::to_string(panelRows) +
                            " steps per block, " + std::to_string(s.band.rows()) + " x " +
                            std::to_string(s.halfBandwidth) + ", " + std::to_string(s.cases) +
                            " load cases";
  ASSERT_EQ(got.outcome, expected.outcome) << where;
  if (expected.outcome != SolveOutcome::kSolved) return;
  EXPECT_TRUE(SameBits(got.band, expected.band)) << where;
  EXPECT_TRUE(SameBits(got.displacement, expected.displacement)) << where;
  EXPECT_TRUE(SameBits(got.work, expected.work)) << where;
}

// The blocked order touches its edges where a count meets a multiple of the
// vector width (4, 8), of a tile (12, 32 rows) or of the block: bands of
// every such size, from two equations to several blocks, and wider than
// the matrix.
TEST(SolveBandedKernels, MatchTheReferenceAtEveryBlockingEdge) {
  std::mt19937_64 random(8);
  const int caseCounts[] = {1, 0, 3, 9, 2, 8, 17};
  int compared = 0;
  for (int nodeCount : {1, 2, 4, 5, 8, 9, 13, 17, 25, 33}) {
    const int n = 2 * nodeCount;
    for (int h : {1, 2, 3, 4, 5, 8, 9, 12, 13, 16, 17, 25, 31, 32, 33, 40, n - 1, n, n + 3}) {
      if (h < 1 || h > n + 3) continue;
      const Band s = RandomBand(random, nodeCount, h, caseCounts[compared % 7]);
      const Solved expected = Reference(s);
      ASSERT_EQ(expected.outcome, SolveOutcome::kSolved);
      for (const Kernel& k : kKernels) {
        if (!IsAvailable(k.kernel)) continue;
        for (int panelRows : {0, 1, 4, 5, 8, 9, 12, 16, 17, 24, 32, 64}) {
          ExpectSameBits(k, panelRows, s, expected);
        }
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 130);
}

// Several blocks of the sizes SolveBanded chooses, and odd ones, on bands
// wide enough that the trailing update spans several chunks of tiles.
TEST(SolveBanded, MatchesTheReferenceOnWideBandsInSeveralBlocks) {
  std::mt19937_64 random(402);
  for (const auto& [nodeCount, h, cases] :
       {std::tuple{60, 48, 2}, {80, 121, 1}, {70, 135, 3}, {90, 180, 8}, {100, 260, 1}}) {
    const Band s = RandomBand(random, nodeCount, h, cases);
    const Solved expected = Reference(s);
    ASSERT_EQ(expected.outcome, SolveOutcome::kSolved);
    for (const Kernel& k : kKernels) {
      if (!IsAvailable(k.kernel)) continue;
      for (int panelRows : {DefaultPanelRows(h), 8, 40, 96})
        ExpectSameBits(k, panelRows, s, expected);
    }
    const Solved got = With(SolverKernel::kPlain, 0, s);
    Band copy{Copy(s.band), Copy(s.loads), s.nodeCount, s.halfBandwidth, s.cases};
    Array2<double> displacement;
    Array1<double> work;
    (void)Allocate(displacement, s.loads.rows(), s.cases);
    (void)Allocate(work, h);
    ASSERT_EQ(SolveBanded(copy.band, copy.loads, displacement, s.cases, s.halfBandwidth,
                          s.nodeCount, work),
              SolveOutcome::kSolved);
    EXPECT_TRUE(SameBits(copy.band, expected.band));
    EXPECT_TRUE(SameBits(displacement, expected.displacement));
    EXPECT_TRUE(SameBits(got.displacement, expected.displacement));
  }
}

// A pivot that fails deep inside a block, or on the last equation, stops
// every kernel at every blocking.
TEST(SolveBandedKernels, SingularPivotsInsideABlock) {
  struct Bad {
    int row;
    double value;
  };
  std::mt19937_64 random(24);
  for (const Bad& bad :
       {Bad{21, 0.0}, Bad{22, kNaN}, Bad{9, -kInf}, Bad{40, 0.0}, Bad{33, 0x1.4f8b57fffffffp-17}}) {
    // The row is uncoupled, so its pivot stays as set.
    Band s = RandomBand(random, 20, 13, 2);
    for (int m = 2; m <= 13; ++m) {
      if (bad.row + m - 1 <= 40) s.band(bad.row, m) = 0.0;
      if (bad.row - m + 1 >= 1) s.band(bad.row - m + 1, m) = 0.0;
    }
    s.band(bad.row, 1) = bad.value;
    ASSERT_EQ(Reference(s).outcome, SolveOutcome::kSingular);
    for (const Kernel& k : kKernels) {
      if (!IsAvailable(k.kernel)) continue;
      for (int panelRows : {0, 4, 8, 16, 32}) {
        EXPECT_EQ(With(k.kernel, panelRows, s).outcome, SolveOutcome::kSingular)
            << k.name << ", " << panelRows << ", row " << bad.row;
      }
      // One step at a time, the band is left as the plain order leaves it.
      EXPECT_TRUE(SameBits(With(k.kernel, 0, s).band, Reference(s).band))
          << k.name << ", row " << bad.row;
    }
  }
  // A NaN coupling far from the diagonal makes a later pivot NaN.
  Band s = RandomBand(random, 20, 13, 1);
  s.band(5, 13) = kNaN;
  ASSERT_EQ(Reference(s).outcome, SolveOutcome::kSingular);
  for (const Kernel& k : kKernels) {
    if (!IsAvailable(k.kernel)) continue;
    EXPECT_EQ(With(k.kernel, 8, s).outcome, SolveOutcome::kSingular) << k.name;
  }
}

}  // namespace
}  // namespace quivor
