#include "design/member_forces.hpp"

#include <gtest/gtest.h>

#include "analysis/bits.hpp"
#include "analysis/truss_builder.hpp"

namespace quivor {
namespace {

using test::Bits;

struct Forces {
  Array2<double> barForce;
  Array2<double> reaction;
};

// Runs ComputeMemberForces into arrays first filled with junk.
Forces Compute(const Model& model, const Array2<double>& displacement) {
  Forces f;
  (void)Allocate(f.barForce, model.barCount, model.loadCaseCount);
  (void)Allocate(f.reaction, 2 * model.nodeCount, model.loadCaseCount);
  for (std::size_t c = 0; c < f.barForce.size(); ++c) f.barForce.data()[c] = -7.0;
  for (std::size_t c = 0; c < f.reaction.size(); ++c) f.reaction.data()[c] = -7.0;
  ComputeMemberForces(model.barCount, model.loadCaseCount, model.barNodes, displacement,
                      kElasticModulus, kStrandArea, model.nodeIndexOfLabel, model.nodeCoord,
                      f.barForce, f.reaction);
  return f;
}

Array2<double> Displacements(const Model& model, std::initializer_list<double> column) {
  Array2<double> u;
  (void)Allocate(u, 2 * model.nodeCount, model.loadCaseCount);
  int i = 0;
  for (double value : column) u(++i, 1) = value;
  return u;
}

TEST(ComputeMemberForces, StretchedBarCarries0Point9162Kgf) {
  // 10 cm bar, its end moved 0.01 cm along it: 916.2 / 10 * 0.01 kgf.
  Model model = test::TrussBuilder().Node(1, 0.0, 0.0).Node(2, 10.0, 0.0).Bar(1, 1, 2).Build();
  Forces f = Compute(model, Displacements(model, {0.0, 0.0, 0.01, 0.0}));
  EXPECT_EQ(Bits(f.barForce(1, 1)), Bits(0.9162));
  EXPECT_EQ(Bits(f.reaction(1, 1)), Bits(-0.9162));
  EXPECT_EQ(Bits(f.reaction(2, 1)), Bits(0.0));
  EXPECT_EQ(Bits(f.reaction(3, 1)), Bits(0.9162));
  EXPECT_EQ(Bits(f.reaction(4, 1)), Bits(0.0));
}

TEST(ComputeMemberForces, InclinedBarInTheStatedOrder) {
  // Bar (0, 0)-(1, 4), end displaced (0.01, -0.02): N = (E*A / L) * (dB - dA);
  // E * (A / L) would give one ulp less.
  Model model = test::TrussBuilder().Node(1, 0.0, 0.0).Node(2, 1.0, 4.0).Bar(1, 1, 2).Build();
  Forces f = Compute(model, Displacements(model, {0.0, 0.0, 0.01, -0.02}));
  EXPECT_EQ(Bits(f.barForce(1, 1)), Bits(-0x1.e2e42bd9ee696p+1));  // -3.7726 kgf
  EXPECT_EQ(Bits(f.reaction(1, 1)), Bits(0x1.d4792e9aad12dp-1));
  EXPECT_EQ(Bits(f.reaction(2, 1)), Bits(0x1.d4792e9aad12dp+1));
  EXPECT_EQ(Bits(f.reaction(3, 1)), Bits(-0x1.d4792e9aad12dp-1));
  EXPECT_EQ(Bits(f.reaction(4, 1)), Bits(-0x1.d4792e9aad12dp+1));
}

TEST(ComputeMemberForces, RigidTranslationGivesNoForce) {
  Model model = test::PrattTruss(4, 10.0, 8.0, false, 1, [](int p) { return p; }).Build();
  Array2<double> u;
  (void)Allocate(u, 2 * model.nodeCount, 1);
  for (int node = 1; node <= model.nodeCount; ++node) {
    u(2 * node - 1, 1) = 0.0123;
    u(2 * node, 1) = -0.0456;
  }
  Forces f = Compute(model, u);
  for (int b = 1; b <= model.barCount; ++b) EXPECT_EQ(f.barForce(b, 1), 0.0) << b;
  for (int i = 1; i <= 2 * model.nodeCount; ++i) EXPECT_EQ(f.reaction(i, 1), 0.0) << i;
}

TEST(ComputeMemberForces, NoBarsOrNoLoadCasesLeaveZeroReactions) {
  Model noBars = test::TrussBuilder(2).Node(1, 0.0, 0.0).Node(2, 1.0, 1.0).Build();
  Forces f = Compute(noBars, Displacements(noBars, {1.0, 2.0, 3.0, 4.0}));
  for (std::size_t c = 0; c < f.reaction.size(); ++c) EXPECT_EQ(Bits(f.reaction.data()[c]), 0u);

  Model noCases = test::TrussBuilder(0).Node(1, 0.0, 0.0).Node(2, 1.0, 1.0).Bar(1, 1, 2).Build();
  Array2<double> none;
  (void)Allocate(none, 4, 0);
  Forces g = Compute(noCases, none);
  EXPECT_EQ(g.barForce.size(), 0u);
  EXPECT_EQ(g.reaction.size(), 0u);
}

TEST(ComputeMemberForces, NodeThatNoBarTouchesHasNoReaction) {
  Model model = test::TrussBuilder()
                    .Node(1, 0.0, 0.0)
                    .Node(2, 7.0, 7.0)
                    .Node(3, 3.0, 4.0)
                    .Bar(1, 3, 1)
                    .Build();
  Forces f = Compute(model, Displacements(model, {0.01, 0.02, 0.5, 0.5, -0.03, 0.04}));
  EXPECT_EQ(Bits(f.reaction(3, 1)), Bits(0.0));
  EXPECT_EQ(Bits(f.reaction(4, 1)), Bits(0.0));
  EXPECT_NE(f.barForce(1, 1), 0.0);
}

}  // namespace
}  // namespace quivor
