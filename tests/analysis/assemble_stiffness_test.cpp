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

struct InclinedCase {
  double dx, dy;         // cm
  double k11, k12, k22;  // (cx*cx)*k, (k*cx)*cy, (cy*cy)*k
};

// Each product rounded on its own in the order written: cx*(cx*k) would give
// another k11 for the first bar, k*(cx*cy) another k12 for the second.
const InclinedCase kInclined[] = {
    {7.0, 9.0, 0x1.e49bdc2d81373p+4, 0x1.3788c466655a6p+5, 0x1.908b45a8392b0p+5},
    {2.0, 3.0, 0x1.38bf9dfd5a9e9p+6, 0x1.d51f6cfc07edep+6, 0x1.5fd791bd05f27p+7},
};

TEST(AssembleStiffness, ElementMatrixOfInclinedBars) {
  for (const InclinedCase& c : kInclined) {
    Model model =
        test::TrussBuilder().Node(1, 1.0, 1.0).Node(2, 1.0 + c.dx, 1.0 + c.dy).Bar(1, 1, 2).Build();
    ElementStiffness es{};
    BarStiffness(1, es, model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, kElasticModulus,
                 kStrandArea);
    const double upper[4][4] = {{c.k11, c.k12, -c.k11, -c.k12},
                                {0.0, c.k22, -c.k12, -c.k22},
                                {0.0, 0.0, c.k11, c.k12},
                                {0.0, 0.0, 0.0, c.k22}};
    // The lower triangle is never written.
    for (std::size_t r = 0; r < 4; ++r) {
      for (std::size_t col = 0; col < 4; ++col) {
        EXPECT_EQ(Bits(es[r][col]), Bits(upper[r][col]))
            << c.dx << ", " << c.dy << ": (" << r + 1 << ", " << col + 1 << ")";
      }
    }
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
  // The diagonal is positive, every node being held by some bar; the cells
  // beyond the matrix edge stay +0.0.
  for (int i = 1; i <= n; ++i) {
    EXPECT_GT(band(i, 1), 0.0);
    for (int m = n - i + 2; m <= band.columns(); ++m) EXPECT_EQ(Bits(band(i, m)), 0u);
  }
}

}  // namespace
}  // namespace quivor
