#include "analysis/solve_banded.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "analysis/bits.hpp"
#include "analysis/reference_solver.hpp"
#include "analysis/truss_builder.hpp"

namespace quivor {
namespace {

using test::Bits;
using test::SameBits;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A band system ready for the solver, its rows and loads given as tables.
struct System {
  Array2<double> band;
  Array2<double> loads;
  Array2<double> displacement;
  Array1<double> work;
  std::int16_t nodeCount = 0;
  std::int16_t halfBandwidth = 0;
  std::int16_t cases = 0;

  System(const std::vector<std::vector<double>>& rows,
         const std::vector<std::vector<double>>& loadColumns) {
    const int n = static_cast<int>(rows.size());
    nodeCount = static_cast<std::int16_t>(n / 2);
    halfBandwidth = static_cast<std::int16_t>(rows[0].size());
    cases = static_cast<std::int16_t>(loadColumns.size());
    (void)Allocate(band, n, halfBandwidth);
    (void)Allocate(loads, n, cases);
    (void)Allocate(displacement, n, cases);
    (void)Allocate(work, halfBandwidth);
    for (int i = 1; i <= n; ++i) {
      for (int m = 1; m <= halfBandwidth; ++m) {
        band(i, m) = rows[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(m - 1)];
      }
    }
    for (int j = 1; j <= cases; ++j) {
      for (int i = 1; i <= n; ++i) {
        loads(i, j) = loadColumns[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
      }
    }
  }

  SolveOutcome Solve() {
    return SolveBanded(band, loads, displacement, cases, halfBandwidth, nodeCount, work);
  }
};

TEST(SolveBanded, HandCheckableSystemWithTwoLoadCases) {
  // K = L D L' with L unit lower bidiagonal (0.5 below the diagonal) and
  // D = (4, 2, 2, 2): every step of the elimination is exact in binary.
  //   K = [4 2 0 0; 2 3 1 0; 0 1 2.5 1; 0 0 1 2.5]
  // Case 1: U = (1, -2, 3, 1); case 2: U = (0.5, 0, -1, 2).
  System s({{4.0, 2.0}, {3.0, 1.0}, {2.5, 1.0}, {2.5, 0.0}},
           {{0.0, -1.0, 6.5, 5.5}, {2.0, 0.0, -0.5, 4.0}});
  ASSERT_EQ(s.Solve(), SolveOutcome::kSolved);
  const double expected[2][4] = {{1.0, -2.0, 3.0, 1.0}, {0.5, 0.0, -1.0, 2.0}};
  for (int j = 1; j <= 2; ++j) {
    for (int i = 1; i <= 4; ++i) {
      EXPECT_EQ(Bits(s.displacement(i, j)), Bits(expected[j - 1][i - 1])) << i << ", " << j;
    }
  }
  // The eliminated band: pivots on the diagonal, normalised rows beside it.
  const double eliminated[4][2] = {{4.0, 0.5}, {2.0, 0.5}, {2.0, 0.5}, {2.0, 0.0}};
  for (int i = 1; i <= 4; ++i) {
    for (int m = 1; m <= 2; ++m) EXPECT_EQ(s.band(i, m), eliminated[i - 1][m - 1]);
  }
  EXPECT_EQ(s.work(2), 1.0);      // row 3 as it stood before its division
  EXPECT_EQ(s.loads(3, 1), 6.5);  // the loads are read, not changed
}

TEST(SolveBanded, OneBarDisplacementIsPLOver916Point2) {
  // Node 1 held in x and y, node 2 held in y, force P in x at node 2. With L
  // a power of two, P / (916.2 / L) and P * L / 916.2 are the same double.
  for (double length : {16.0, 0.5, 64.0}) {
    for (double force : {3.7, -12.25, 1.0e-3}) {
      Model model = test::TrussBuilder()
                        .Node(1, 0.0, 0.0)
                        .Node(2, length, 0.0)
                        .Bar(1, 1, 2)
                        .Support(1, 0, 0)
                        .Support(2, 1, 0)
                        .Load(1, 2, force, 0.0)
                        .Build();
      Results results;
      ASSERT_EQ(test::Solve(model, results), SolveOutcome::kSolved);
      EXPECT_EQ(Bits(results.displacement(3, 1)), Bits(force * length / 916.2));
      EXPECT_EQ(results.displacement(1, 1), 0.0);
      EXPECT_EQ(results.displacement(2, 1), 0.0);
      EXPECT_EQ(results.displacement(4, 1), 0.0);
    }
  }
}

struct PivotCase {
  const char* name;
  double pivot;
  bool singular;
};

const PivotCase kPivots[] = {
    {"zero", 0.0, true},
    {"negative zero", -0.0, true},
    {"NaN", kNaN, true},
    {"+infinity", kInf, true},
    {"-infinity", -kInf, true},
    {"smallest subnormal", 0x0.0000000000001p-1022, true},
    {"9.9999997E-6", 0x1.4f8b57e554009p-17, true},
    {"-9.9999997E-6", -0x1.4f8b57e554009p-17, true},
    {"just below the threshold", 0x1.4f8b57fffffffp-17, true},
    {"the threshold itself (the test is strict)", 0x1.4f8b58p-17, false},
    {"9.9999998E-6", 0x1.4f8b581d9f856p-17, false},
    {"-9.9999998E-6", -0x1.4f8b581d9f856p-17, false},
    {"the double nearest 1.0E-5", 0x1.4f8b588e368f1p-17, false},
    {"one", 1.0, false},
    {"largest finite", std::numeric_limits<double>::max(), false},
};

TEST(SolveBanded, PivotTestOnTheFirstAndTheLastEquation) {
  EXPECT_EQ(kPivotTolerance, 0x1.4f8b58p-17);
  for (const PivotCase& c : kPivots) {
    for (int row = 1; row <= 2; ++row) {
      // No load case at all: the pivots are tested just the same.
      for (int cases = 0; cases <= 1; ++cases) {
        std::vector<std::vector<double>> rows = {{1.0, 0.0}, {1.0, 0.0}};
        rows[static_cast<std::size_t>(row - 1)][0] = c.pivot;
        std::vector<std::vector<double>> loads(static_cast<std::size_t>(cases), {1.0, 1.0});
        System s(rows, loads);
        const SolveOutcome expected = c.singular ? SolveOutcome::kSingular : SolveOutcome::kSolved;
        EXPECT_EQ(s.Solve(), expected) << c.name << " on equation " << row << ", " << cases;
        EXPECT_EQ(IsSingularPivot(c.pivot), c.singular) << c.name;
      }
    }
  }
}

TEST(SolveBanded, PivotsThatBecomeBadDuringTheElimination) {
  // [1 1; 1 1]: the last pivot becomes 1 - 1*1 = 0.
  System dependent({{1.0, 1.0}, {1.0, 0.0}}, {{1.0, 1.0}});
  EXPECT_EQ(dependent.Solve(), SolveOutcome::kSingular);
  // An infinite coupling turns the next pivot into -infinity.
  System infinite({{1.0, kInf}, {1.0, 0.0}}, {{1.0, 1.0}});
  EXPECT_EQ(infinite.Solve(), SolveOutcome::kSingular);
  // A NaN coupling turns the next pivot into NaN.
  System notANumber({{1.0, kNaN, 0.0}, {2.0, 0.0, 0.0}, {2.0, 0.0, 0.0}, {2.0, 0.0, 0.0}},
                    {{1.0, 1.0, 1.0, 1.0}});
  EXPECT_EQ(notANumber.Solve(), SolveOutcome::kSingular);
}

TEST(SolveBanded, FreeNodeThatNoBarTouchesIsSingular) {
  // Node 7 sits between the others in the file and carries no bar.
  auto truss = [](int codeX, int codeY) {
    return test::TrussBuilder()
        .Node(1, 0.0, 0.0)
        .Node(7, 5.0, 5.0)
        .Node(2, 10.0, 0.0)
        .Bar(1, 1, 2)
        .Support(1, 0, 0)
        .Support(2, 1, 0)
        .Support(7, codeX, codeY)
        .Load(1, 2, 1.0, 0.0)
        .Build();
  };
  Results results;
  Model free = truss(1, 1);
  EXPECT_EQ(test::Solve(free, results), SolveOutcome::kSingular);
  Model freeInY = truss(0, 1);
  EXPECT_EQ(test::Solve(freeInY, results), SolveOutcome::kSingular);
  // Held in both directions it gets two identity rows and solves.
  Model held = truss(0, 0);
  ASSERT_EQ(test::Solve(held, results), SolveOutcome::kSolved);
  EXPECT_EQ(results.displacement(3, 1), 0.0);
  EXPECT_EQ(results.displacement(4, 1), 0.0);
  EXPECT_EQ(results.displacement(5, 1), 1.0 * 10.0 / 916.2);
}

TEST(SolveBanded, ZeroPivotOnTheLastEquationIsSingular) {
  // The y direction of the node listed last has no stiffness at all.
  auto truss = [](int codeY) {
    return test::TrussBuilder()
        .Node(1, 0.0, 0.0)
        .Node(2, 10.0, 0.0)
        .Bar(1, 1, 2)
        .Support(1, 0, 0)
        .Support(2, 1, codeY)
        .Load(1, 2, 1.0, 0.0)
        .Build();
  };
  Results results;
  Model freeLast = truss(1);
  EXPECT_EQ(test::Solve(freeLast, results), SolveOutcome::kSingular);
  Model heldLast = truss(0);
  EXPECT_EQ(test::Solve(heldLast, results), SolveOutcome::kSolved);
}

TEST(SolveBanded, LoadsTwiceAsLargeGiveDisplacementsExactlyTwiceAsLarge) {
  // Case 2 is case 1 doubled; case 3 stands alone and must not depend on
  // the columns beside it.
  auto bridge = [](int cases) {
    test::TrussBuilder truss =
        test::PrattTruss(10, 10.0, 12.0, false, cases, [](int p) { return p; });
    truss.Load(1, 10, 0.0, -5.0).Load(1, 6, 1.5, -2.0);  // bottom nodes B5 and B3
    if (cases >= 2) truss.Load(2, 10, 0.0, -10.0).Load(2, 6, 3.0, -4.0);
    if (cases >= 3) truss.Load(3, 15, 0.25, -7.0);  // top node T7
    return truss.Build();
  };
  Model all = bridge(3);
  Results together;
  ASSERT_EQ(test::Solve(all, together), SolveOutcome::kSolved);
  for (int i = 1; i <= together.displacement.rows(); ++i) {
    EXPECT_EQ(Bits(together.displacement(i, 2)), Bits(2.0 * together.displacement(i, 1))) << i;
  }
  Model first = bridge(1);
  Results alone;
  ASSERT_EQ(test::Solve(first, alone), SolveOutcome::kSolved);
  for (int i = 1; i <= alone.displacement.rows(); ++i) {
    EXPECT_EQ(Bits(together.displacement(i, 1)), Bits(alone.displacement(i, 1))) << i;
  }
}

TEST(SolveBanded, NoNodesNoEquations) {
  Array2<double> band, loads, displacement;
  Array1<double> work;
  EXPECT_EQ(SolveBanded(band, loads, displacement, 1, 2, 0, work), SolveOutcome::kSolved);
}

// A symmetric band with a dominant diagonal, zeros, negative zeros and some
// identity rows (as the supports leave them); the cells beyond the edge are 0.
System RandomSystem(std::mt19937_64& random, int nodeCount, int halfBandwidth, int cases) {
  const int n = 2 * nodeCount;
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::uniform_int_distribution<int> kind(0, 9);
  std::vector<std::vector<double>> rows(
      static_cast<std::size_t>(n), std::vector<double>(static_cast<std::size_t>(halfBandwidth)));
  std::vector<double> rowSum(static_cast<std::size_t>(n), 0.0);
  for (int i = 1; i <= n; ++i) {
    for (int m = 2; m <= halfBandwidth && i + m - 1 <= n; ++m) {
      const int k = kind(random);
      const double x = k == 0 ? 0.0 : (k == 1 ? -0.0 : value(random));
      rows[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(m - 1)] = x;
      rowSum[static_cast<std::size_t>(i - 1)] += std::abs(x);
      rowSum[static_cast<std::size_t>(i + m - 2)] += std::abs(x);
    }
  }
  for (int i = 1; i <= n; ++i) {
    rows[static_cast<std::size_t>(i - 1)][0] =
        rowSum[static_cast<std::size_t>(i - 1)] + 1.0 + std::abs(value(random));
  }
  for (int e = 1; e <= n; ++e) {
    if (kind(random) != 0) continue;
    rows[static_cast<std::size_t>(e - 1)][0] = 1.0;
    for (int m = 2; m <= halfBandwidth; ++m) {
      if (e + m - 1 <= n)
        rows[static_cast<std::size_t>(e - 1)][static_cast<std::size_t>(m - 1)] = 0.0;
      if (e - m + 1 >= 1)
        rows[static_cast<std::size_t>(e - m)][static_cast<std::size_t>(m - 1)] = 0.0;
    }
  }
  std::vector<std::vector<double>> loads(static_cast<std::size_t>(cases),
                                         std::vector<double>(static_cast<std::size_t>(n)));
  for (auto& column : loads) {
    for (double& f : column) f = kind(random) < 3 ? 0.0 : 100.0 * value(random);
  }
  return System(rows, loads);
}

TEST(SolveBanded, MatchesTheReferenceTranscriptionBitForBit) {
  std::mt19937_64 random(20240611);
  int compared = 0;
  for (int nodeCount : {1, 2, 3, 5, 8, 13, 21}) {
    const int n = 2 * nodeCount;
    for (int halfBandwidth : {1, 2, 3, 4, 7, n - 1, n, n + 3}) {
      if (halfBandwidth < 1) continue;
      for (int cases : {0, 1, 3, 8}) {
        System fast = RandomSystem(random, nodeCount, halfBandwidth, cases);
        Array2<double> band = test::Copy(fast.band);
        Array2<double> displacement = test::Copy(fast.displacement);
        Array1<double> work;
        (void)Allocate(work, halfBandwidth);
        const SolveOutcome expected = test::ReferenceSolveBanded(
            band, fast.loads, displacement, fast.cases, fast.halfBandwidth, fast.nodeCount, work);
        ASSERT_EQ(fast.Solve(), expected);
        EXPECT_TRUE(SameBits(fast.band, band)) << n << " x " << halfBandwidth << ", " << cases;
        EXPECT_TRUE(SameBits(fast.displacement, displacement))
            << n << " x " << halfBandwidth << ", " << cases;
        ++compared;
      }
    }
  }
  // A singular band (third pivot 0.125 - 0.5 * 0.25 = 0) stops both at the
  // same step with the same partial band.
  System fast({{2.0, 1.0, 0.5}, {3.0, 0.25, 0.0}, {0.125, 1.0, 0.0}, {1.0, 0.0, 0.0}},
              {{1.0, 2.0, 3.0, 4.0}});
  Array2<double> band = test::Copy(fast.band);
  Array2<double> displacement = test::Copy(fast.displacement);
  Array1<double> work;
  (void)Allocate(work, 3);
  EXPECT_EQ(test::ReferenceSolveBanded(band, fast.loads, displacement, fast.cases,
                                       fast.halfBandwidth, fast.nodeCount, work),
            SolveOutcome::kSingular);
  EXPECT_EQ(fast.Solve(), SolveOutcome::kSingular);
  EXPECT_TRUE(SameBits(fast.band, band));
  EXPECT_GT(compared, 200);
}

}  // namespace
}  // namespace quivor
