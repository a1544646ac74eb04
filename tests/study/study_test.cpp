// The study core on trusses small enough to check by hand.
#include "study/study.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "analysis/truss_builder.hpp"
#include "design/size_members.hpp"
#include "study/stages.hpp"

namespace quivor::study {
namespace {

using test::TrussBuilder;

// The triangle of the README: 40 cm base, apex 15 cm up, 5 kgf down at the
// apex. Statically determinate: each 25 cm side carries 5 / (2 * 15/25)
// kgf in compression whatever its bundle, the base 5/2 * 20/15 in tension.
TrussBuilder Triangle(int loadCases = 1) {
  TrussBuilder truss(loadCases);
  truss.Node(1, 0, 0)
      .Node(2, 40, 0)
      .Node(3, 20, 15)
      .Bar(1, 1, 2)
      .Bar(2, 1, 3)
      .Bar(3, 2, 3)
      .Support(1, 0, 0)
      .Support(2, 1, 0)
      .SafetyFactors(2, 3);
  if (loadCases >= 1) truss.Load(1, 3, 0, -5);
  return truss;
}

TEST(Study, DeterminateTriangleCollapsesWhereTheHandCalculationSays) {
  Model model = Triangle().Build();
  const Study study = StudyModel(model, {});
  ASSERT_TRUE(study.stable);
  ASSERT_TRUE(study.build);
  // Sides: c * F * L^2 / k = 3 * (25/6) * 625 / 18.3088665 = 426.7, so 21
  // strands; base: 1.875 kgf over 4.267 / 2 per strand, 1 strand, raised to 3.
  const std::array<std::int32_t, 3> strands{3, 21, 21};
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(study.build->bars[i].strands, strands[i]);
  const double side = 5.0 / (2 * 0.6);
  const double buckles = (21.0 * 21.0 * kStrandBucklingConstant) / (25.0 * 25.0);
  const double breaks = 3 * static_cast<double>(kStrandTensileStrength);
  const double base = side * 0.8;
  ASSERT_EQ(study.cases.size(), 1u);
  const CaseCollapse& c = study.cases[0];
  EXPECT_NEAR(*c.factor, std::min(buckles / side, breaks / base), 1e-12 * *c.factor);
  EXPECT_EQ(*c.bar, 2);  // the first of the two equal sides
  EXPECT_EQ(*c.mode, FailureMode::kBuckling);
  EXPECT_EQ(c.load, 5.0);
  EXPECT_EQ(*c.collapseLoad, *c.factor * 5.0);
  ASSERT_TRUE(study.collapse);
  EXPECT_EQ(study.collapse->load, *c.collapseLoad);
  EXPECT_EQ(*study.efficiency, *c.collapseLoad / (study.build->weight / 1000.0));
  // The weight is the sizing's, bar by bar, added in file order.
  EXPECT_EQ(study.build->weight,
            ((3.0 * 40.0) * kStrandLinearWeight + (21.0 * 25.0) * kStrandLinearWeight) +
                (21.0 * 25.0) * kStrandLinearWeight);
  EXPECT_EQ(study.restraints, 3);
  EXPECT_EQ(study.maxwell, 0);
}

// A braced square: 6 bars, 4 held directions, one more than it needs. The
// bundles' rigidities differ, so its forces differ from those with one
// strand everywhere; they are checked against a dense solution of the same
// truss, written here apart from the program's banded one.
TEST(Study, IndeterminateSquareIsAnalysedWithItsBundles) {
  const TrussBuilder square = TrussBuilder(2)
                                  .Node(1, 0, 0)
                                  .Node(2, 20, 0)
                                  .Node(3, 0, 20)
                                  .Node(4, 20, 20)
                                  .Bar(1, 1, 2)
                                  .Bar(2, 3, 4)
                                  .Bar(3, 1, 3)
                                  .Bar(4, 2, 4)
                                  .Bar(5, 1, 4)
                                  .Bar(6, 2, 3)
                                  .Support(1, 0, 0)
                                  .Support(2, 0, 0)
                                  .Load(1, 4, 10, 0)
                                  .Load(2, 3, 0, -4)
                                  .SafetyFactors(2, 3);
  Model model = square.Build();
  const Study study = StudyModel(model, {});
  ASSERT_TRUE(study.stable);
  const std::vector<BuildBar>& bars = study.build->bars;

  // Free directions: x and y of nodes 3 and 4, in that order.
  const std::array<std::array<double, 2>, 4> xy{{{0, 0}, {20, 0}, {0, 20}, {20, 20}}};
  const std::array<std::array<int, 2>, 6> ends{{{0, 1}, {2, 3}, {0, 2}, {1, 3}, {0, 3}, {1, 2}}};
  auto free = [](int node, int d) { return node < 2 ? -1 : 2 * (node - 2) + d; };
  for (int k = 0; k < 2; ++k) {
    double K[4][5] = {};
    K[k == 0 ? 2 : 1][4] = k == 0 ? 10.0 : -4.0;  // the load column
    std::array<double, 6> c{}, s{}, rigidityOverLength{};
    for (std::size_t b = 0; b < 6; ++b) {
      const auto a = static_cast<std::size_t>(ends[b][0]);
      const auto e = static_cast<std::size_t>(ends[b][1]);
      const double dx = xy[e][0] - xy[a][0];
      const double dy = xy[e][1] - xy[a][1];
      const double length = std::sqrt(dx * dx + dy * dy);
      c[b] = dx / length;
      s[b] = dy / length;
      rigidityOverLength[b] = static_cast<double>(bars[b].strands) * kStrandRigidity / length;
      const double dir[4] = {-c[b], -s[b], c[b], s[b]};
      const int dof[4] = {free(ends[b][0], 0), free(ends[b][0], 1), free(ends[b][1], 0),
                          free(ends[b][1], 1)};
      for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
          if (dof[i] >= 0 && dof[j] >= 0)
            K[dof[i]][dof[j]] += rigidityOverLength[b] * dir[i] * dir[j];
        }
      }
    }
    for (int p = 0; p < 4; ++p) {  // Gauss-Jordan, no pivoting needed
      for (int r = 0; r < 4; ++r) {
        if (r == p) continue;
        const double m = K[r][p] / K[p][p];
        for (int q = 0; q < 5; ++q) K[r][q] -= m * K[p][q];
      }
    }
    double u[4][2] = {};
    for (int p = 0; p < 4; ++p) u[p / 2 + 2][p % 2] = K[p][4] / K[p][p];
    double least = std::numeric_limits<double>::infinity();
    int where = 0;
    for (std::size_t b = 0; b < 6; ++b) {
      const int a = ends[b][0], e = ends[b][1];
      const double force =
          rigidityOverLength[b] * ((u[e][0] - u[a][0]) * c[b] + (u[e][1] - u[a][1]) * s[b]);
      if (std::abs(force) < 1e-12) continue;
      const auto n = static_cast<double>(bars[b].strands);
      const double capacity =
          force > 0 ? n * static_cast<double>(kStrandTensileStrength)
                    : n * n * kStrandBucklingConstant / (bars[b].length * bars[b].length);
      if (capacity / std::abs(force) < least) {
        least = capacity / std::abs(force);
        where = bars[b].bar;
      }
    }
    const CaseCollapse& collapse = study.cases[static_cast<std::size_t>(k)];
    EXPECT_NEAR(*collapse.factor, least, 1e-9 * least) << "case " << k + 1;
    EXPECT_EQ(*collapse.bar, where) << "case " << k + 1;
  }
  // The diagonals' bundles differ, so the bundles moved force between them.
  EXPECT_NE(bars[4].strands, bars[5].strands);
  EXPECT_EQ(study.collapse->loadCase,
            study.cases[0].collapseLoad < study.cases[1].collapseLoad ? 1 : 2);
}

TEST(Study, BuildListTakesTheMostStrandsAndTheFirstCaseThatNeedsThem) {
  // The apex pushed sideways, then down: the two sides swap tension and
  // compression between the cases.
  // A third case loads nothing.
  Model model = Triangle(3).Load(1, 3, 4, 0).Load(2, 3, 0, -4).Build();
  const Study study = StudyModel(model, {});
  ASSERT_TRUE(study.stable);
  for (const BuildBar& bar : study.build->bars) {
    EXPECT_GE(bar.strands, 3);
    EXPECT_GE(bar.loadCase, 1);
    EXPECT_LE(bar.loadCase, 2);
  }
  // Side 2 is in compression in case 2 only (case 1 puts it in tension).
  EXPECT_EQ(study.build->bars[1].loadCase, 2);
  // The unloaded case: no force, so no factor, bar, mode or collapse load.
  const CaseCollapse& idle = study.cases[2];
  EXPECT_FALSE(idle.factor || idle.bar || idle.mode || idle.collapseLoad);
  EXPECT_EQ(idle.load, 0.0);
  EXPECT_EQ(idle.maxDisplacement, 0.0);

  // No load case at all: three strands everywhere, and no collapse.
  Model unloaded = Triangle(0).Build();
  const Study none = StudyModel(unloaded, {});
  for (const BuildBar& bar : none.build->bars) {
    EXPECT_EQ(bar.strands, 3);
    EXPECT_EQ(bar.loadCase, 0);
  }
  EXPECT_TRUE(none.cases.empty());
  EXPECT_FALSE(none.collapse || none.efficiency);
}

TEST(Study, WholeStrandsByFirstFitLongestFirst) {
  auto bar = [](double length, std::int32_t strands) {
    return BuildBar{1, 1, 2, length, strands, 1, 0.0, false, 0.0, 0.0};
  };
  const struct {
    std::vector<BuildBar> bars;
    std::int64_t whole;
  } cases[] = {
      {{}, 0},
      {{bar(12.7, 2), bar(12.7, 2), bar(12.7, 2)}, 3},  // exactly two to a strand
      {{bar(20, 1), bar(5, 1), bar(10, 2)}, 2},         // 20 + 5, 10 + 10
      {{bar(40, 3)}, 6},                                // spliced: 3 whole + 3 pieces of 14.6
      {{bar(50.8, 2)}, 4},                              // two strands each, nothing left
      {{bar(10, 3), bar(5, 1)}, 2},                     // the 5 goes back into the first strand
      {{bar(10, 3), bar(5, 4)}, 2},                     // ... and three more into the second
      {{bar(10, 3), bar(5, 5)}, 3},
      {{bar(10, 5), bar(8, 2), bar(3, 4)}, 4},  // a group of strands split by the 8s
      {{bar(10, 5), bar(3, 1), bar(5, 2)}, 3},  // one of two alike strands takes the 3
      {{bar(10, std::numeric_limits<std::int32_t>::max())}, 1073741824},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CountWholeStrands(c.bars, 25.4), c.whole) << c.bars.size() << " bars";
  }
}

TEST(Study, WarningsNameTheNodesAndBarsThatMove) {
  const TrussBuilder truss = Triangle()
                                 .Node(4, 60, 0)    // no bar
                                 .Node(5, 50, 0)    // one horizontal bar, held in y only: fine
                                 .Node(6, 40, -10)  // one vertical bar: loose across it
                                 .Node(7, 60, 10)   // between two collinear bars
                                 .Node(8, 80, 20)
                                 .Bar(4, 2, 5)
                                 .Bar(5, 2, 6)
                                 .Bar(6, 2, 7)
                                 .Bar(7, 7, 8)
                                 .Bar(8, 8, 2)
                                 .Bar(9, 3, 1)  // the same nodes as bar 2
                                 .Support(5, 1, 0)
                                 .Support(8, 0, 0);
  Model model = truss.Build();
  const Study study = CheckTruss(model);
  const std::vector<Warning> expected = {
      {WarningKind::kNoBar, 4},
      {WarningKind::kOneBar, 6},
      {WarningKind::kCollinearBars, 7},
      {WarningKind::kDuplicateBar, 0, 9, 2},
  };
  ASSERT_EQ(study.warnings.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(study.warnings[i].kind, expected[i].kind) << i;
    EXPECT_EQ(study.warnings[i].node, expected[i].node) << i;
    EXPECT_EQ(study.warnings[i].bar, expected[i].bar) << i;
    EXPECT_EQ(study.warnings[i].other, expected[i].other) << i;
  }
  EXPECT_EQ(study.restraints, 6);
  EXPECT_EQ(study.maxwell, 9 + 6 - 16);
}

}  // namespace
}  // namespace quivor::study

namespace quivor::study {
namespace {

TEST(Study, ResultantLengthOverflowsOnlyBeyondTheLargestDouble) {
  const double inf = std::numeric_limits<double>::infinity();
  const double most = std::numeric_limits<double>::max();
  const struct {
    std::vector<NodeLoad> loads;
    double load;
  } cases[] = {
      {{}, 0.0},
      {{{3, 0.0, -5.0}}, 5.0},
      {{{3, 0.0, -1e155}}, 1e155},              // its square overflows
      {{{3, 3e200, 4e200}}, 5e200},             // both squares overflow
      {{{3, 1e-170, 0.0}}, 1e-170},             // its square underflows to zero
      {{{3, 0.0, most}}, most},                 // the largest force there is
      {{{3, most, 0.0}, {4, most, 0.0}}, inf},  // a sum beyond the largest double
      {{{3, most, 0.0}, {4, -most, 0.0}, {5, 0.0, 2.0}}, 2.0},
      {{{3, 0.75 * most, 0.0}, {4, 0.75 * most, 0.0}, {5, -0.75 * most, 0.0}}, 0.75 * most},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(Resultant(c.loads), c.load) << c.loads.size() << " loads";
  }
}

// The triangle of the README with one load that may be far from 5 kgf.
Model TriangleLoaded(double fx, double fy, int node = 3) {
  TrussBuilder truss;
  truss.Node(1, 0, 0)
      .Node(2, 40, 0)
      .Node(3, 20, 15)
      .Bar(1, 1, 2)
      .Bar(2, 1, 3)
      .Bar(3, 2, 3)
      .Support(1, 0, 0)
      .Support(2, 1, 0)
      .SafetyFactors(2, 3)
      .Load(1, node, fx, fy);
  return truss.Build();
}

// 1e-170 kgf: the squares of the load are zero, its magnitude is not.
// 1e-309 kgf: the sides' capacity over their force is beyond the largest
// double. Either way, the same collapse as the bridge under 5e-10 kgf.
TEST(Study, TinyLoadsStillHaveTheCollapseOfTheSameBridge) {
  Model five = TriangleLoaded(0.0, -5e-10);
  const Study reference = StudyModel(five, {});
  ASSERT_TRUE(reference.collapse);
  for (const double load : {1e-170, 1e-309}) {
    SCOPED_TRACE(load);
    Model model = TriangleLoaded(0.0, -load);
    const Study study = StudyModel(model, {});
    ASSERT_TRUE(study.stable);
    EXPECT_DOUBLE_EQ(study.cases[0].load, load);
    ASSERT_TRUE(study.collapse);
    EXPECT_EQ(study.collapse->bar, reference.collapse->bar);
    // The displacements may be subnormal: a few digits fewer.
    EXPECT_NEAR(study.collapse->load, reference.collapse->load, 1e-6 * reference.collapse->load);
    ASSERT_TRUE(study.efficiency);
    EXPECT_TRUE(std::isfinite(*study.efficiency));
  }
}

TEST(Study, AHugeLoadIntoTheSupportsIsShownAndEstimatesNothingInfinite) {
  // 1e155 kgf straight into the pin, and 1 kgf at the apex: the resultant
  // is 1e155 kgf, the collapse load of 1e155 times the apex's factor is
  // beyond any double.
  TrussBuilder truss;
  truss.Node(1, 0, 0)
      .Node(2, 40, 0)
      .Node(3, 20, 15)
      .Bar(1, 1, 2)
      .Bar(2, 1, 3)
      .Bar(3, 2, 3)
      .Support(1, 0, 0)
      .Support(2, 1, 0)
      .Load(1, 1, 0.0, -1e155)
      .Load(1, 3, 0.0, -1e-160);
  Model model = truss.Build();
  const Study study = StudyModel(model, {});
  ASSERT_TRUE(study.stable);
  EXPECT_DOUBLE_EQ(study.cases[0].load, 1e155);
  EXPECT_TRUE(study.cases[0].factor);
  EXPECT_FALSE(study.cases[0].collapseLoad);
  EXPECT_FALSE(study.collapse);
  EXPECT_FALSE(study.efficiency);
}

TEST(Study, ACountThatDoesNotFitNamesTheBar) {
  const struct {
    double fy;
    int node;
    std::optional<int> bar;  // the bar named; empty: studied
  } cases[] = {
      {-5.0, 3, std::nullopt},
      {-1e9, 3, std::nullopt},    // about 1.8e8 strands in the base
      {-2e10, 3, 1},              // the base needs more than 2^31 - 1 strands
      {-1e308, 3, 1},             // a force of infinity in the bars
      {-1e308, 1, std::nullopt},  // all of it into the pin
  };
  for (const auto& c : cases) {
    Model model = TriangleLoaded(0.0, c.fy, c.node);
    if (!c.bar) {
      EXPECT_NO_THROW((void)StudyModel(model, {})) << c.fy;
      continue;
    }
    try {
      (void)StudyModel(model, {});
      ADD_FAILURE() << c.fy << ": studied";
    } catch (const CountOverflow& overflow) {
      EXPECT_EQ(overflow.count(), CountOverflow::Count::kStrands) << c.fy;
      EXPECT_EQ(overflow.bar(), *c.bar) << c.fy;
    }
  }
}

TEST(Study, WholeStrandsBeyondTheExactCountNameTheBar) {
  auto bar = [](int label, double length, std::int32_t strands) {
    return BuildBar{label, 1, 2, length, strands, 1, 0.0, false, 0.0, 0.0};
  };
  const struct {
    std::vector<BuildBar> bars;
    double strandLength;
    int overflowBar;  // 0: counted
  } cases[] = {
      {{bar(1, 25.4e9, 3)}, 25.4, 0},
      {{bar(1, 10, 3), bar(2, std::numeric_limits<double>::infinity(), 3)}, 25.4, 2},
      // Each fits; together they pass 2^53.
      {{bar(7, 25.4 * 0x1p51, 3), bar(8, 25.4 * 0x1p51, 3)}, 25.4, 8},
  };
  for (const auto& c : cases) {
    try {
      (void)CountWholeStrands(c.bars, c.strandLength);
      EXPECT_EQ(c.overflowBar, 0);
    } catch (const CountOverflow& overflow) {
      EXPECT_EQ(overflow.count(), CountOverflow::Count::kWholeStrands);
      EXPECT_EQ(overflow.bar(), c.overflowBar);
    }
  }
}

TEST(Study, APieceFarShorterThanTheStrandStillTakesOne) {
  auto bar = [](double length, std::int32_t strands) {
    return BuildBar{1, 1, 2, length, strands, 1, 0.0, false, 0.0, 0.0};
  };
  // One strand of 1000 cm gives three pieces of 1e-4 cm.
  EXPECT_EQ(CountWholeStrands({bar(1e-4, 3)}, 1000.0), 1);
  EXPECT_EQ(CountWholeStrands({bar(1e-4, 3)}, 25.4), 1);
  // A spliced bar whose rest is rounding takes no extra strand.
  EXPECT_EQ(CountWholeStrands({bar(3 * 25.4, 3)}, 25.4), 9);
}

}  // namespace
}  // namespace quivor::study
