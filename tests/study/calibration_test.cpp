// The fits of the team's tests: values by hand, known constants recovered
// through noise, tests far from the fit, and too few tests.
#include "study/calibration.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace quivor::study {
namespace {

StrandTest Tension(std::int64_t line, int strands, double load) {
  StrandTest t;
  t.line = line;
  t.kind = TestKind::kTension;
  t.strands = strands;
  t.load = load;
  return t;
}

StrandTest Buckling(std::int64_t line, int strands, double length, double load) {
  StrandTest t;
  t.line = line;
  t.kind = TestKind::kBuckling;
  t.strands = strands;
  t.length = length;
  t.load = load;
  return t;
}

// Standard normal deviates from a fixed seed, by Box and Muller over the
// generator's own output (the same on every platform).
class Normal {
 public:
  double Next() {
    const double u1 = (static_cast<double>(engine_()) + 1.0) / 4294967297.0;
    const double u2 = static_cast<double>(engine_()) / 4294967296.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  }

 private:
  std::mt19937 engine_{20261209u};
};

TEST(Calibration, TensionByHand) {
  // Per strand 4, 5 and 6 kgf (a bundle of 3 at 15): mean 5, deviation 1.
  const Calibration c = Calibrate({Tension(2, 1, 4.0), Tension(3, 3, 15.0), Tension(4, 2, 12.0)});
  EXPECT_EQ(c.tension.tests, 3);
  EXPECT_DOUBLE_EQ(*c.tension.mean, 5.0);
  EXPECT_DOUBLE_EQ(*c.tension.deviation, 1.0);
  EXPECT_DOUBLE_EQ(*c.tension.characteristic, 5.0 - 1.645);
  EXPECT_TRUE(c.tension.far.empty());
}

TEST(Calibration, BucklingOnTheLineGivesItsConstantAndNoSpread) {
  // load = 16 * n^2 / L^2 exactly (lengths that are powers of two).
  std::vector<StrandTest> tests;
  std::int64_t line = 2;
  for (const int n : {3, 4, 5}) {
    for (const double length : {8.0, 16.0}) {
      tests.push_back(Buckling(line++, n, length, 16.0 * n * n / (length * length)));
    }
  }
  const Calibration c = Calibrate(tests);
  EXPECT_EQ(c.buckling.tests, 6);
  EXPECT_DOUBLE_EQ(*c.buckling.constant, 16.0);
  EXPECT_NEAR(*c.buckling.residual, 0.0, 1e-14);
  EXPECT_NEAR(*c.buckling.characteristic, 16.0, 1e-12);
  EXPECT_TRUE(c.buckling.far.empty());
}

TEST(Calibration, KnownConstantsThroughNoiseAreRecoveredWithinTheirSpread) {
  // Strands that break at 4 kgf (deviation 0.25), bundles whose constant is
  // 16 kgf*cm2 with a 6% scatter, bundles of 0.04 g/cm per strand.
  Normal normal;
  std::vector<StrandTest> tests;
  std::int64_t line = 2;
  for (int i = 0; i < 40; ++i) {
    const int strands = 1 + i % 5;
    tests.push_back(Tension(line++, strands, strands * (4.0 + 0.25 * normal.Next())));
  }
  for (int i = 0; i < 24; ++i) {
    const int n = 3 + i % 4;
    const double length = 10.0 + 2.5 * (i % 5);
    StrandTest t = Buckling(line++, n, length,
                            16.0 * (1.0 + 0.06 * normal.Next()) * n * n / (length * length));
    t.weight = 0.04 * n * length;
    t.bundleLength = length;
    tests.push_back(t);
  }
  const Calibration c = Calibrate(tests);
  ASSERT_TRUE(c.tension.mean && c.tension.characteristic);
  EXPECT_NEAR(*c.tension.mean, 4.0, 3.0 * *c.tension.deviation / std::sqrt(40.0));
  EXPECT_NEAR(*c.tension.deviation, 0.25, 0.08);
  EXPECT_NEAR(*c.tension.characteristic, 4.0 - 1.645 * 0.25, 0.15);
  ASSERT_TRUE(c.buckling.constant && c.buckling.characteristic);
  EXPECT_NEAR(*c.buckling.constant, 16.0, 3.0 * *c.buckling.standardError);
  EXPECT_GT(*c.buckling.standardError, 0.0);
  EXPECT_NEAR(*c.buckling.deviation, 0.06 * 16.0, 0.35);
  EXPECT_LT(*c.buckling.characteristic, *c.buckling.constant);
  EXPECT_EQ(c.weight.weighings, 24);
  EXPECT_NEAR(*c.weight.mean, 0.04, 1e-12);
}

TEST(Calibration, TestsFarFromTheOthersAreNamed) {
  struct Row {
    const char* what;
    std::vector<StrandTest> tests;
    std::vector<std::int64_t> far;  // lines
  };
  const std::vector<Row> rows = {
      {"one bundle that buckled at half its load",
       {Buckling(2, 3, 10, 1.44), Buckling(3, 4, 10, 2.61), Buckling(4, 5, 10, 3.97),
        Buckling(5, 5, 15, 0.89), Buckling(6, 6, 15, 2.52), Buckling(7, 4, 15, 1.15)},
       {5}},
      {"agreeing bundles",
       {Buckling(2, 3, 10, 1.44), Buckling(3, 4, 10, 2.61), Buckling(4, 5, 10, 3.97),
        Buckling(5, 5, 15, 1.78), Buckling(6, 6, 15, 2.52)},
       {}},
      {"a strand that broke at twice the others",
       {Tension(2, 1, 4.1), Tension(3, 1, 3.9), Tension(4, 1, 4.0), Tension(5, 1, 8.2),
        Tension(6, 1, 4.05)},
       {5}},
      {"three tests: none told apart",
       {Tension(2, 1, 4.1), Tension(3, 1, 3.9), Tension(4, 1, 8.2)},
       {}},
  };
  for (const Row& row : rows) {
    const Calibration c = Calibrate(row.tests);
    std::vector<std::int64_t> far;
    for (const FarTest& f : c.tension.far) far.push_back(f.line);
    for (const FarTest& f : c.buckling.far) far.push_back(f.line);
    EXPECT_EQ(far, row.far) << row.what;
  }
}

TEST(Calibration, TooFewTestsLeaveTheValueOut) {
  const Calibration one = Calibrate({Tension(2, 1, 4.0), Buckling(3, 3, 10, 1.5)});
  EXPECT_FALSE(one.tension.mean);
  EXPECT_FALSE(one.tension.characteristic);
  EXPECT_FALSE(one.buckling.constant);
  EXPECT_FALSE(one.buckling.characteristic);
  EXPECT_FALSE(one.weight.mean);
  EXPECT_EQ(one.buckling.tests, 1);

  const Calibration two = Calibrate(
      {Tension(2, 1, 4.0), Tension(3, 1, 4.2), Buckling(4, 3, 10, 1.5), Buckling(5, 4, 10, 2.7)});
  EXPECT_DOUBLE_EQ(*two.tension.mean, 4.1);
  EXPECT_FALSE(two.tension.characteristic);
  EXPECT_FALSE(two.buckling.constant);
}

TEST(Calibration, ASpreadThatReachesZeroLeavesTheCharacteristicValueOut) {
  const Calibration c = Calibrate({Tension(2, 1, 0.5), Tension(3, 1, 4.0), Tension(4, 1, 8.0)});
  EXPECT_TRUE(c.tension.mean);
  EXPECT_FALSE(c.tension.characteristic);
}

}  // namespace
}  // namespace quivor::study
