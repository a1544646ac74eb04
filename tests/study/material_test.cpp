// The study with the team's strand: the collapse recalculated by hand with
// its values, the two estimates, and the counts sized with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/truss_builder.hpp"
#include "study/study.hpp"

namespace quivor::study {
namespace {

StudyOptions TeamStrand() {
  StudyOptions options;
  StrandMaterial& m = options.material;
  m.origin = StrandMaterial::Origin::kFile;
  m.expected = {3.0, 10.0, 0.05};
  m.conservative = {2.5, 8.0, 0.05};
  m.tension.given = m.buckling.given = m.weight.given = true;
  return options;
}

// The collapse load of the triangle with `strands` per bar and a strand of
// `tension` kgf and constant `k`, worked out by hand.
double ByHand(const std::vector<int>& strands, double tension, double k) {
  const double side = 5.0 / (2 * 0.6);
  const double base = side * 0.8;
  double factor = strands[0] * tension / base;
  for (const int s : {strands[1], strands[2]}) {
    factor = std::min(factor, (static_cast<double>(s) * s * k) / (25.0 * 25.0) / side);
  }
  return factor * 5.0;
}

TEST(Material, TheCollapseIsARecalculationWithTheTeamsValues) {
  Model model = test::ReadmeTriangle();
  const Study study = StudyModel(model, TeamStrand());
  ASSERT_TRUE(study.collapse && study.conservativeCollapse);
  // quivor's rule sizes the bridge: 3, 21, 21 strands.
  std::vector<int> strands;
  for (const BuildBar& bar : study.build->bars) strands.push_back(bar.strands);
  EXPECT_EQ(strands, (std::vector<int>{3, 21, 21}));
  const double expected = ByHand(strands, 3.0, 10.0);
  const double conservative = ByHand(strands, 2.5, 8.0);
  EXPECT_NEAR(study.collapse->load, expected, 1e-9 * expected);
  EXPECT_NEAR(study.conservativeCollapse->load, conservative, 1e-9 * conservative);
  EXPECT_LT(study.conservativeCollapse->load, study.collapse->load);
  // The weight with the team's strand: 45 strands * length * 0.05 g/cm.
  EXPECT_NEAR(study.build->weight, (3 * 40.0 + 42 * 25.0) * 0.05, 1e-9);
  EXPECT_NEAR(*study.efficiency, study.collapse->load / (study.build->weight / 1000.0), 1e-9);
  EXPECT_NEAR(*study.conservativeEfficiency,
              study.conservativeCollapse->load / (study.build->weight / 1000.0), 1e-9);
}

TEST(Material, QuivorsOwnStrandGivesTwoEqualEstimates) {
  Model model = test::ReadmeTriangle();
  const Study study = StudyModel(model, {});
  ASSERT_TRUE(study.collapse && study.conservativeCollapse);
  EXPECT_TRUE(study.material.bundled());
  EXPECT_EQ(study.conservativeCollapse->load, study.collapse->load);
  EXPECT_EQ(study.conservativeCases.size(), study.cases.size());
  EXPECT_EQ(*study.conservativeEfficiency, *study.efficiency);
}

TEST(Material, SizingWithTheMaterialCountsWithItsValues) {
  Model model = test::ReadmeTriangle();
  StudyOptions options = TeamStrand();
  options.material.sizeWithMaterial = true;
  const Study study = StudyModel(model, options);
  // Sides: 3 * (25/6) * 625 / 10 = 781.25, sqrt 27.95, so 28 strands; base:
  // 2 * (10/3) / 3 = 2.2, raised to 3.
  std::vector<int> strands;
  for (const BuildBar& bar : study.build->bars) strands.push_back(bar.strands);
  EXPECT_EQ(strands, (std::vector<int>{3, 28, 28}));
  const double expected = ByHand(strands, 3.0, 10.0);
  EXPECT_NEAR(study.collapse->load, expected, 1e-9 * expected);
}

}  // namespace
}  // namespace quivor::study
