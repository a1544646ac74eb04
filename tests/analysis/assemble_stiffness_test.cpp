#include "analysis/assemble_stiffness.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/bits.hpp"
#include "analysis/half_bandwidth.hpp"
#include "analysis/truss_builder.hpp"

namespace quivor {
namespace {

using test::Bits;

// The band of a model, assembled into storage first filled with 7.0 so that
// every cell the assembly fails to clear shows.
Array2<double> Assemble(const Model& model) {
  std::int16_t halfBandwidth = 0;
  ComputeHalfBandwidth(model.barCount, halfBandwidth, model.barNodes, model.nodeIndexOfLabel);
  Array2<double> band;
  (void)Allocate(band, 2 * model.nodeCount, halfBandwidth);
  for (std::size_t cell = 0; cell < band.size(); ++cell) band.data()[cell] = 7.0;
  AssembleStiffness(model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, kElasticModulus,
                    kStrandArea, band, model.barCount);
  return band;
}

// Compares every cell bit for bit: the expected zeros are +0.0.
void ExpectBand(const Array2<double>& band, const std::vector<std::vector<double>>& expected) {
  ASSERT_EQ(band.rows(), static_cast<int>(expected.size()));
  for (int i = 1; i <= band.rows(); ++i) {
    const std::vector<double>& row = expected[static_cast<std::size_t>(i - 1)];
    ASSERT_EQ(band.columns(), static_cast<int>(row.size()));
    for (int m = 1; m <= band.columns(); ++m) {
      EXPECT_EQ(Bits(band(i, m)), Bits(row[static_cast<std::size_t>(m - 1)]))
          << "cell (" << i << ", " << m << ") holds " << band(i, m);
    }
  }
}

TEST(AssembleStiffness, HorizontalBar) {
  Model model = test::TrussBuilder().Node(1, 0.0, 0.0).Node(2, 16.0, 0.0).Bar(1, 1, 2).Build();
  const double k = 916.2 / 16.0;                   // kgf/cm; E*A is exactly the double 916.2
  ExpectBand(Assemble(model), {{k, 0.0, -k, 0.0},  //
                               {0.0, 0.0, 0.0, 0.0},
                               {k, 0.0, 0.0, 0.0},
                               {0.0, 0.0, 0.0, 0.0}});
}

TEST(AssembleStiffness, VerticalBar) {
  Model model = test::TrussBuilder().Node(1, 3.0, 2.0).Node(2, 3.0, 7.0).Bar(1, 1, 2).Build();
  const double k = 916.2 / 5.0;
  ExpectBand(Assemble(model), {{0.0, 0.0, 0.0, 0.0},  //
                               {k, 0.0, -k, 0.0},
                               {0.0, 0.0, 0.0, 0.0},
                               {k, 0.0, 0.0, 0.0}});
}

TEST(AssembleStiffness, ElementMatrixOfAnInclinedBar) {
  // A 3-4-5 bar: C = [cx*cx cx*cy; cx*cy cy*cy], each product rounded alone.
  Model model = test::TrussBuilder().Node(1, 1.0, 1.0).Node(2, 4.0, 5.0).Bar(1, 1, 2).Build();
  ElementStiffness es{};
  BarStiffness(1, es, model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, kElasticModulus,
               kStrandArea);
  const double k = 916.2 / 5.0, cx = 3.0 / 5.0, cy = 4.0 / 5.0;
  EXPECT_EQ(es[0][0], (cx * cx) * k);
  EXPECT_EQ(es[0][1], (k * cx) * cy);
  EXPECT_EQ(es[1][1], (cy * cy) * k);
  EXPECT_EQ(es[0][2], -es[0][0]);
  EXPECT_EQ(es[0][3], -es[0][1]);
  EXPECT_EQ(es[1][2], -es[0][1]);
  EXPECT_EQ(es[1][3], -es[1][1]);
  EXPECT_EQ(es[2][2], es[0][0]);
  EXPECT_EQ(es[3][3], es[1][1]);
  EXPECT_EQ(es[2][3], es[0][1]);
  // The lower triangle is never written.
  for (std::size_t r = 1; r < 4; ++r) {
    for (std::size_t c = 0; c < r; ++c) EXPECT_EQ(Bits(es[r][c]), Bits(0.0));
  }
}

TEST(AssembleStiffness, NoBarsGiveAnAllZeroBand) {
  Model model = test::TrussBuilder().Node(1, 0.0, 0.0).Node(2, 1.0, 0.0).Build();
  Array2<double> band = Assemble(model);
  for (std::size_t cell = 0; cell < band.size(); ++cell) {
    EXPECT_EQ(Bits(band.data()[cell]), Bits(0.0));
  }
}

TEST(AssembleStiffness, TwoBarsOnOnePairAddUp) {
  auto pair = [](int bars) {
    test::TrussBuilder truss;
    truss.Node(1, 0.0, 0.0).Node(2, 0.0, 3.0).Node(3, 4.0, 0.0);
    for (int b = 1; b <= bars; ++b) truss.Bar(b, 3, 2);
    return truss.Build();
  };
  Array2<double> once = Assemble(pair(1));
  Array2<double> twice = Assemble(pair(2));
  for (int i = 1; i <= once.rows(); ++i) {
    for (int m = 1; m <= once.columns(); ++m) EXPECT_EQ(twice(i, m), once(i, m) + once(i, m));
  }
}

// The assembled matrix is symmetric; K(i, j) from the upper band.
double Full(const Array2<double>& band, int i, int j) {
  if (j < i) std::swap(i, j);
  return j - i < band.columns() ? band(i, j - i + 1) : 0.0;
}

TEST(AssembleStiffness, RigidBodyMotionsMeetNoStiffness) {
  // An unsupported truss resists no rigid motion: K times a translation or a
  // small rotation is zero at every node. A sign error or a wrongly
  // transposed coupling block breaks this.
  Model model = test::PrattTruss(6, 12.5, 10.0, false, 1, [](int p) { return 3 * p; }).Build();
  // Some bars run from the higher index to the lower.
  for (int b = 1; b <= model.barCount; b += 2)
    std::swap(model.barNodes(b, 1), model.barNodes(b, 2));
  Array2<double> band = Assemble(model);
  const int n = 2 * model.nodeCount;
  std::vector<std::vector<double>> motions(3, std::vector<double>(static_cast<std::size_t>(n)));
  for (int node = 1; node <= model.nodeCount; ++node) {
    const std::size_t x = static_cast<std::size_t>(2 * node - 2), y = x + 1;
    motions[0][x] = 1.0;
    motions[1][y] = 1.0;
    motions[2][x] = -model.nodeCoord(node, 2);
    motions[2][y] = model.nodeCoord(node, 1);
  }
  for (const std::vector<double>& u : motions) {
    for (int i = 1; i <= n; ++i) {
      double sum = 0.0, scale = 0.0;
      for (int j = 1; j <= n; ++j) {
        sum += Full(band, i, j) * u[static_cast<std::size_t>(j - 1)];
        scale += std::abs(Full(band, i, j) * u[static_cast<std::size_t>(j - 1)]);
      }
      EXPECT_LE(std::abs(sum), 1e-12 * scale) << "equation " << i;
    }
  }
  // And the diagonal is positive: every node is held by some bar.
  for (int i = 1; i <= n; ++i) EXPECT_GT(band(i, 1), 0.0);
}

TEST(AssembleStiffness, SwappedBarEndsGiveTheSameBand) {
  Model model = test::PrattTruss(10, 10.0, 12.0, true, 1, [](int p) { return p; }).Build();
  Array2<double> before = Assemble(model);
  for (int b = 1; b <= model.barCount; ++b) std::swap(model.barNodes(b, 1), model.barNodes(b, 2));
  EXPECT_TRUE(test::SameBits(Assemble(model), before));
}

TEST(AssembleStiffness, LabelsDoNotMatterOnlyFileOrder) {
  Model plain = test::PrattTruss(10, 10.0, 12.0, true, 1, [](int p) { return p; }).Build();
  Model relabelled =
      test::PrattTruss(10, 10.0, 12.0, true, 1, [](int p) { return 1001 - 37 * p; }).Build();
  EXPECT_TRUE(test::SameBits(Assemble(relabelled), Assemble(plain)));
}

TEST(AssembleStiffness, CellsBeyondTheMatrixEdgeStayZero) {
  Model model = test::PrattTruss(4, 10.0, 12.0, true, 1, [](int p) { return p; }).Build();
  Array2<double> band = Assemble(model);
  for (int i = 1; i <= band.rows(); ++i) {
    for (int m = 1; m <= band.columns(); ++m) {
      if (i + m - 1 > band.rows()) {
        EXPECT_EQ(Bits(band(i, m)), Bits(0.0)) << i << ", " << m;
      }
    }
  }
}

}  // namespace
}  // namespace quivor
