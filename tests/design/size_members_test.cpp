#include "design/size_members.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "analysis/bits.hpp"
#include "analysis/truss_builder.hpp"

namespace quivor {
namespace {

using test::Bits;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::int32_t kUnbounded = 2147483647;
constexpr double kTensile = 0x1.11168800p+2;   // 4.267f widened: 4.267000198364258
constexpr double kBuckling = 0x1.24f11e00p+4;  // 18.308866f widened: 18.308866500854492

// Sized arrays for `barCount` bars and `cases` load cases, filled with junk
// so that anything SizeMembers leaves unwritten shows.
struct Sizing {
  Array2<std::int32_t> strandCount;
  Array1<double> barLength;
  Array2<double> barWeight;
  Array1<double> totalWeight;

  Sizing(int barCount, int cases) {
    (void)Allocate(strandCount, barCount, cases);
    (void)Allocate(barLength, barCount);
    (void)Allocate(barWeight, barCount, cases);
    (void)Allocate(totalWeight, cases);
    for (std::size_t c = 0; c < strandCount.size(); ++c) strandCount.data()[c] = -5;
    for (int i = 1; i <= barCount; ++i) barLength(i) = -5.0;
    for (std::size_t c = 0; c < barWeight.size(); ++c) barWeight.data()[c] = -5.0;
    for (int k = 1; k <= cases; ++k) totalWeight(k) = -5.0;
  }

  void Run(const Model& model, const Array2<double>& barForce, float& tension, float& compression) {
    SizeMembers(strandCount, barLength, barWeight, barForce, model.nodeIndexOfLabel, model.barNodes,
                model.nodeCoord, model.barCount, model.loadCaseCount, totalWeight, tension,
                compression);
  }
};

Model OneBar(double length) {
  return test::TrussBuilder().Node(4, 0.0, 0.0).Node(9, 0.0, length).Bar(1, 9, 4).Build();
}

struct SizingCase {
  const char* name;
  double force;   // kgf
  double length;  // cm
  float tension, compression;
  std::int32_t strands;
  double weight;  // g
};

const SizingCase kCases[] = {
    {"+10 kgf with 1.5: 3.515 -> 4", 10.0, 20.0, 1.5f, 1.0f, 4, 3.176},
    {"-10 kgf, 20 cm: sqrt 218.47 = 14.78 -> 15", -10.0, 20.0, 1.0f, 1.0f, 15, 11.91},
    {"+1 kgf: 0.234 -> 1, raised to 3", 1.0, 20.0, 1.0f, 1.0f, 3, 2.382},
    {"zero force", 0.0, 20.0, 1.0f, 1.0f, 3, 2.382},
    {"negative zero force", -0.0, 20.0, 1.0f, 1.0f, 3, 2.382},
    {"not a number takes the zero branch", kNaN, 20.0, 1.0f, 1.0f, 3, 2.382},
    {"tension 0.5 is used as 1.0: 4.687 -> 5", 20.0, 20.0, 0.5f, 1.0f, 5, 3.9699999999999998},
    {"tension 0 is used as 1.0", 20.0, 20.0, 0.0f, 1.0f, 5, 3.9699999999999998},
    {"tension -3 is used as 1.0", 20.0, 20.0, -3.0f, 1.0f, 5, 3.9699999999999998},
    {"tension 2.0 is used as it is", 10.0, 20.0, 2.0f, 1.0f, 5, 3.9699999999999998},
    {"compression 0.5 is used as 1.0", -10.0, 20.0, 1.0f, 0.5f, 15, 11.91},
    {"compression 1.5: sqrt 327.7 = 18.1 -> 19", -10.0, 20.0, 1.0f, 1.5f, 19, 15.086},
    {"compression 2.0: sqrt 436.9 = 20.9 -> 21", -10.0, 20.0, 1.0f, 2.0f, 21, 16.674},
    {"tension quotient exactly 4: no extra strand", 4.0 * kTensile, 1.0, 1.0f, 1.0f, 4, 0.1588},
    {"one ulp more: 5", 0x1.1116880000001p+4, 1.0, 1.0f, 1.0f, 5, 0.1985},
    {"buckling root exactly 4: no extra strand", -16.0 * kBuckling, 1.0, 1.0f, 1.0f, 4, 0.1588},
    {"Q one ulp above 16: its root rounds to 4", -0x1.24f11e0000001p+8, 1.0, 1.0f, 1.0f, 4, 0.1588},
    {"Q two ulps above 16: 5", -0x1.24f11e0000002p+8, 1.0, 1.0f, 1.0f, 5, 0.1985},
    {"more than 32767 strands are kept", 40000.0 * kTensile, 1.0, 1.0f, 1.0f, 40000, 1588.0},
    {"the largest count below 2^31 that shows", 2147483520.0 * kTensile, 1.0, 1.0f, 1.0f,
     2147483520, 85255095.744},
    {"2^31 does not fit", 2147483648.0 * kTensile, 1.0, 1.0f, 1.0f, kUnbounded, 85255100.7859},
    {"+1e300 kgf", 1e300, 1.0, 1.0f, 1.0f, kUnbounded, 85255100.7859},
    {"-1e300 kgf", -1e300, 1.0, 1.0f, 1.0f, kUnbounded, 85255100.7859},
    {"+infinity", kInf, 1.0, 1.0f, 1.0f, kUnbounded, 85255100.7859},
    {"-infinity", -kInf, 1.0, 1.0f, 1.0f, kUnbounded, 85255100.7859},
    {"c*F*L*L overflows", -std::numeric_limits<double>::max(), 20.0, 1.0f, 1.0f, kUnbounded,
     1705102015.718},
};

TEST(SizeMembers, StrandCountsAndWeights) {
  for (const SizingCase& c : kCases) {
    Model model = OneBar(c.length);
    Array2<double> barForce;
    (void)Allocate(barForce, 1, 1);
    barForce(1, 1) = c.force;
    float tension = c.tension, compression = c.compression;
    Sizing sizing(1, 1);
    sizing.Run(model, barForce, tension, compression);
    EXPECT_EQ(sizing.strandCount(1, 1), c.strands) << c.name;
    EXPECT_EQ(Bits(sizing.barLength(1)), Bits(c.length)) << c.name;
    EXPECT_EQ(Bits(sizing.barWeight(1, 1)), Bits(c.weight)) << c.name;
    EXPECT_EQ(Bits(sizing.totalWeight(1)), Bits(c.weight)) << c.name;
    // A coefficient below 1.0 reads 1.0 in the caller afterwards.
    EXPECT_EQ(tension, c.tension < 1.0f ? 1.0f : c.tension) << c.name;
    EXPECT_EQ(compression, c.compression < 1.0f ? 1.0f : c.compression) << c.name;
  }
}

// Forces a single ulp from a count boundary, where a different order of the
// same operations gives another count (shown after the arrow).
struct OrderCase {
  const char* name;
  double force;   // kgf
  double dx, dy;  // cm, the bar from (0, 0) to (dx, dy)
  float tension, compression;
  std::int32_t strands;
};

const OrderCase kOrderCases[] = {
    {"F / (4.267 / 1.5), not F * 1.5 / 4.267 -> 10", 0x1.99a1cc0000001p+4, 0.0, 10.0, 1.5f, 1.0f,
     9},
    {"(1.5 * F) * (L * L), not 1.5 * (F * (L * L)) -> 6", -0x1.8e8f73b35fc86p+2, 0.0, 7.0, 1.0f,
     1.5f, 5},
    {"L * L of the rounded length, not dx*dx + dy*dy -> 4", -0x1.24f11e0000001p+7, 1.0, 1.0, 1.0f,
     1.0f, 5},
};

TEST(SizeMembers, TheOrderOfOperationsDecidesCountsOnTheEdge) {
  for (const OrderCase& c : kOrderCases) {
    Model model = test::TrussBuilder().Node(1, 0.0, 0.0).Node(2, c.dx, c.dy).Bar(1, 1, 2).Build();
    Array2<double> barForce;
    (void)Allocate(barForce, 1, 1);
    barForce(1, 1) = c.force;
    float tension = c.tension, compression = c.compression;
    Sizing sizing(1, 1);
    sizing.Run(model, barForce, tension, compression);
    EXPECT_EQ(sizing.strandCount(1, 1), c.strands) << c.name;
  }
}

TEST(SizeMembers, EachLoadCaseIsSizedByItself) {
  // Bar 1 (3-4-5) in tension in case 1 and in compression in case 2.
  Model model = test::TrussBuilder(2)
                    .Node(1, 0.0, 0.0)
                    .Node(2, 3.0, 4.0)
                    .Node(3, 3.0, 24.0)
                    .Bar(1, 1, 2)
                    .Bar(2, 2, 3)
                    .Build();
  Array2<double> barForce;
  (void)Allocate(barForce, 2, 2);
  barForce(1, 1) = 30.0;   // 7.03 -> 8 strands
  barForce(1, 2) = -30.0;  // sqrt(30 * 25 / 18.31) = 6.4 -> 7
  barForce(2, 1) = -10.0;  // 15, as above
  barForce(2, 2) = 0.0;    // 3
  float tension = 1.0f, compression = 1.0f;
  Sizing sizing(2, 2);
  sizing.Run(model, barForce, tension, compression);
  EXPECT_EQ(sizing.barLength(1), 5.0);
  EXPECT_EQ(sizing.barLength(2), 20.0);
  EXPECT_EQ(sizing.strandCount(1, 1), 8);
  EXPECT_EQ(sizing.strandCount(1, 2), 7);
  EXPECT_EQ(sizing.strandCount(2, 1), 15);
  EXPECT_EQ(sizing.strandCount(2, 2), 3);
  EXPECT_EQ(sizing.barWeight(1, 1), 1.588);
  EXPECT_EQ(sizing.barWeight(1, 2), 1.3895);
  EXPECT_EQ(sizing.totalWeight(1), 1.588 + 11.91);
  EXPECT_EQ(sizing.totalWeight(2), 1.3895 + 2.382);
}

TEST(SizeMembers, NoBarsOrNoLoadCases) {
  Model bars = OneBar(8.0);
  Array2<double> noForces;
  float tension = 1.0f, compression = 1.0f;
  bars.loadCaseCount = 0;
  Sizing lengthsOnly(1, 0);
  lengthsOnly.Run(bars, noForces, tension, compression);
  EXPECT_EQ(lengthsOnly.barLength(1), 8.0);

  Model empty = test::TrussBuilder(3).Node(1, 0.0, 0.0).Build();
  Array2<double> forces;
  (void)Allocate(forces, 0, 3);
  Sizing weights(0, 3);
  weights.Run(empty, forces, tension, compression);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(Bits(weights.totalWeight(k)), Bits(0.0));
}

}  // namespace
}  // namespace quivor
