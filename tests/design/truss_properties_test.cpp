// Properties of the whole analysis on a realistic bridge, and an outside
// check against the method of joints on statically determinate trusses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "design/run_truss.hpp"

namespace quivor {
namespace {

using test::TrussBuilder;

// A Pratt bridge of 1 m span: 10 panels of 10 cm, 12 cm high, nodes listed
// column by column. Case 1 a centre load, case 2 an off-centre load with a
// horizontal part, case 3 a load on a support.
template <class LabelOf>
TrussBuilder Bridge(bool pinnedRight, LabelOf labelOf) {
  TrussBuilder truss = test::PrattTruss(10, 10.0, 12.0, pinnedRight, 3, labelOf);
  // File positions: B0 = 1, Bi = 2i, Ti = 2i+1, B10 = 20.
  truss.Load(1, labelOf(10), 0.0, -50.0);
  truss.Load(2, labelOf(6), 4.0, -30.0).Load(2, labelOf(7), 0.0, -12.5);
  truss.Load(3, labelOf(1), 3.0, -8.0).Load(3, labelOf(14), 0.0, -20.0);
  return truss;
}

int Identity(int position) { return position; }

bool Restrained(const Model& model, int equation) {
  for (int s = 1; s <= model.supportCount; ++s) {
    const int node = model.supportTable(s, 1);
    if (2 * node - 1 == equation && model.supportTable(s, 2) == 0) return true;
    if (2 * node == equation && model.supportTable(s, 3) == 0) return true;
  }
  return false;
}

TEST(TrussProperties, ReactionsAndLoadsBalanceInEveryLoadCase) {
  for (bool pinnedRight : {false, true}) {
    test::TrussRun run = test::RunTruss(Bridge(pinnedRight, Identity));
    ASSERT_EQ(run.outcome, SolveOutcome::kSolved);
    const Model& model = run.model;
    const Results& results = run.results;
    for (int k = 1; k <= model.loadCaseCount; ++k) {
      // External forces on the truss: at a restrained direction the support
      // reaction and any load applied there, elsewhere the applied load.
      double sumX = 0.0, sumY = 0.0, moment = 0.0, scale = 0.0;
      for (int node = 1; node <= model.nodeCount; ++node) {
        const double x = model.nodeCoord(node, 1), y = model.nodeCoord(node, 2);
        double force[2];
        for (int d = 0; d < 2; ++d) {
          const int e = 2 * node - 1 + d;
          const double load = run.appliedLoads(e, k);
          if (Restrained(model, e)) {
            // The support reaction plus the load applied in that direction.
            force[d] = results.reaction(e, k);
          } else {
            // At a free direction the balancing force is the applied load.
            EXPECT_NEAR(results.reaction(e, k), load, 1e-9) << "case " << k << ", equation " << e;
            force[d] = load;
          }
          scale = std::max(scale, std::abs(force[d]));
        }
        sumX += force[0];
        sumY += force[1];
        moment += x * force[1] - y * force[0];
      }
      // The reactions at the supports must hold the loads: with no load the
      // sums are trivially 0, so make sure there is one.
      ASSERT_GT(scale, 1.0);
      EXPECT_NEAR(sumX, 0.0, 1e-10 * scale) << "case " << k;
      EXPECT_NEAR(sumY, 0.0, 1e-10 * scale) << "case " << k;
      EXPECT_NEAR(moment, 0.0, 1e-10 * scale * 100.0) << "case " << k;
    }
  }
}

TEST(TrussProperties, SwappedBarEndsChangeNothing) {
  test::TrussRun plain = test::RunTruss(Bridge(true, Identity));
  ASSERT_EQ(plain.outcome, SolveOutcome::kSolved);
  for (int every : {1, 2, 3}) {
    Model model = Bridge(true, Identity).Build();
    for (int b = 1; b <= model.barCount; b += every) {
      std::swap(model.barNodes(b, 1), model.barNodes(b, 2));
    }
    test::TrussRun swapped = test::RunModel(std::move(model));
    ASSERT_EQ(swapped.outcome, SolveOutcome::kSolved);
    EXPECT_TRUE(test::SameResults(swapped.results, plain.results)) << "every " << every;
  }
}

TEST(TrussProperties, PermutedLabelsGiveTheSameResults) {
  test::TrussRun plain = test::RunTruss(Bridge(true, Identity));
  ASSERT_EQ(plain.outcome, SolveOutcome::kSolved);
  auto reversed = [](int position) { return 1001 - position; };
  auto scattered = [](int position) { return (position * 379) % 1000 + 1; };
  test::TrussRun a = test::RunTruss(Bridge(true, reversed));
  test::TrussRun b = test::RunTruss(Bridge(true, scattered));
  EXPECT_TRUE(test::SameResults(a.results, plain.results));
  EXPECT_TRUE(test::SameResults(b.results, plain.results));
}

// The method of joints, written independently of the stiffness method: at
// every node the bar forces (a bar in tension pulls the node towards its
// other end), the support reactions and the applied loads sum to zero. For a
// statically determinate truss these 2*nodeCount equations fix the bar
// forces and the reactions without any stiffness. Solved here as one dense
// system by Gaussian elimination with partial pivoting.
struct JointSolution {
  std::vector<double> barForce;                         // by bar
  std::vector<std::pair<int, double>> supportReaction;  // (equation, force)
};

JointSolution MethodOfJoints(const Model& model, const Array2<double>& loads, int loadCase) {
  const int n = 2 * model.nodeCount;
  std::vector<int> restrained;
  for (int e = 1; e <= n; ++e) {
    if (Restrained(model, e)) restrained.push_back(e);
  }
  const int unknowns = model.barCount + static_cast<int>(restrained.size());
  EXPECT_EQ(unknowns, n) << "the truss is not statically determinate";
  std::vector<std::vector<double>> a(static_cast<std::size_t>(n),
                                     std::vector<double>(static_cast<std::size_t>(n) + 1, 0.0));
  auto at = [&a](int row, int column) -> double& {
    return a[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
  };
  for (int b = 1; b <= model.barCount; ++b) {
    const int p = model.nodeIndexOfLabel(model.barNodes(b, 1));
    const int q = model.nodeIndexOfLabel(model.barNodes(b, 2));
    const double dx = model.nodeCoord(q, 1) - model.nodeCoord(p, 1);
    const double dy = model.nodeCoord(q, 2) - model.nodeCoord(p, 2);
    const double length = std::hypot(dx, dy);
    at(2 * p - 1, b) += dx / length;
    at(2 * p, b) += dy / length;
    at(2 * q - 1, b) -= dx / length;
    at(2 * q, b) -= dy / length;
  }
  for (std::size_t r = 0; r < restrained.size(); ++r) {
    at(restrained[r], model.barCount + static_cast<int>(r) + 1) = 1.0;
  }
  for (int e = 1; e <= n; ++e) at(e, n + 1) = -loads(e, loadCase);
  for (int c = 1; c <= n; ++c) {
    int best = c;
    for (int r = c + 1; r <= n; ++r) {
      if (std::abs(at(r, c)) > std::abs(at(best, c))) best = r;
    }
    std::swap(a[static_cast<std::size_t>(c - 1)], a[static_cast<std::size_t>(best - 1)]);
    EXPECT_GT(std::abs(at(c, c)), 1e-9) << "the truss is a mechanism";
    for (int r = 1; r <= n; ++r) {
      if (r == c) continue;
      const double factor = at(r, c) / at(c, c);
      for (int k = c; k <= n + 1; ++k) at(r, k) -= factor * at(c, k);
    }
  }
  JointSolution solution;
  for (int c = 1; c <= n; ++c) {
    const double value = at(c, n + 1) / at(c, c);
    if (c <= model.barCount) {
      solution.barForce.push_back(value);
    } else {
      solution.supportReaction.push_back(
          {restrained[static_cast<std::size_t>(c - model.barCount - 1)], value});
    }
  }
  return solution;
}

void ExpectMatchesMethodOfJoints(const test::TrussRun& run) {
  ASSERT_EQ(run.outcome, SolveOutcome::kSolved);
  const Model& model = run.model;
  for (int k = 1; k <= model.loadCaseCount; ++k) {
    JointSolution joints = MethodOfJoints(model, run.appliedLoads, k);
    double scale = 0.0;
    for (double force : joints.barForce) scale = std::max(scale, std::abs(force));
    const double tolerance = 1e-9 * scale;
    for (int b = 1; b <= model.barCount; ++b) {
      EXPECT_NEAR(run.results.barForce(b, k), joints.barForce[static_cast<std::size_t>(b - 1)],
                  tolerance)
          << "case " << k << ", bar " << b;
    }
    // The reaction array holds the support reaction plus any load applied
    // in the restrained direction.
    for (auto [equation, force] : joints.supportReaction) {
      EXPECT_NEAR(run.results.reaction(equation, k), force + run.appliedLoads(equation, k),
                  tolerance)
          << "case " << k << ", equation " << equation;
    }
  }
}

TEST(TrussProperties, DeterminateBridgeMatchesTheMethodOfJoints) {
  ExpectMatchesMethodOfJoints(test::RunTruss(Bridge(false, Identity)));
}

TEST(TrussProperties, TriangleMatchesAHandCalculation) {
  // Base 40 cm, apex 15 cm above its middle, 5 kgf down at the apex: each
  // support carries 2.5 kgf; the sloping bars (25 cm, sine 0.6, cosine 0.8)
  // carry 2.5 / 0.6 = 4.1667 kgf in compression, the base 4.1667 * 0.8 =
  // 3.3333 kgf in tension.
  test::TrussRun run = test::RunTruss(TrussBuilder()
                                          .Node(1, 0.0, 0.0)
                                          .Node(2, 40.0, 0.0)
                                          .Node(3, 20.0, 15.0)
                                          .Bar(1, 1, 2)
                                          .Bar(2, 1, 3)
                                          .Bar(3, 2, 3)
                                          .Support(1, 0, 0)
                                          .Support(2, 1, 0)
                                          .Load(1, 3, 0.0, -5.0)
                                          .SafetyFactors(2.0f, 3.0f));
  ASSERT_EQ(run.outcome, SolveOutcome::kSolved);
  const Results& r = run.results;
  EXPECT_NEAR(r.barForce(1, 1), 10.0 / 3.0, 1e-12);
  EXPECT_NEAR(r.barForce(2, 1), -25.0 / 6.0, 1e-12);
  EXPECT_NEAR(r.barForce(3, 1), -25.0 / 6.0, 1e-12);
  EXPECT_NEAR(r.reaction(1, 1), 0.0, 1e-12);
  EXPECT_NEAR(r.reaction(2, 1), 2.5, 1e-12);
  EXPECT_NEAR(r.reaction(4, 1), 2.5, 1e-12);
  ExpectMatchesMethodOfJoints(run);
  // Tension 3.333 / (4.267 / 2) = 1.56 -> 2, at least 3; compression
  // sqrt(3 * 4.1667 * 625 / 18.309) = 20.7 -> 21.
  EXPECT_EQ(r.strandCount(1, 1), 3);
  EXPECT_EQ(r.strandCount(2, 1), 21);
  EXPECT_EQ(r.strandCount(3, 1), 21);
}

}  // namespace
}  // namespace quivor
