// The whole bridge from one truss's figures.
#include "study/bridge.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "analysis/truss_builder.hpp"

namespace quivor::study {
namespace {

// A truss of 4 nodes weighing 50.25 g, collapsing at 12.5 kgf, of three
// 10 cm bars of 1 strand each (two pieces a 25.4 cm strand): figures a
// double holds exactly, so the bridge's sums are exact too.
Study Truss(std::optional<double> collapse = 12.5) {
  Study study;
  study.nodes = 4;
  study.stable = true;
  study.weightLimit = 750.0;
  study.strandLength = 25.4;
  BuildBar bar{};
  bar.length = 10.0;
  bar.strands = 1;
  study.build = BuildList{{bar, bar, bar}, 50.25, 2};
  if (collapse) study.collapse = Collapse{1, *collapse, 1, FailureMode::kTension};
  return study;
}

TEST(Bridge, FiguresFromEachTrussAndTheOptions) {
  const struct {
    int trusses;
    double glue;   // g per node
    double extra;  // g
    double weight;
    bool within;
    double collapse;
    std::int64_t wholeStrands;  // the pieces of every truss cut together
  } cases[] = {
      {1, 0.0, 0.0, 50.25, true, 12.5, 2},
      {2, 0.0, 0.0, 100.5, true, 25.0, 3},  // 6 pieces: 3 strands, not 2 x 2
      {2, 0.5, 40.0, 144.5, true, 25.0, 3},
      {3, 1.0, 0.0, 162.75, true, 37.5, 5},
      {14, 0.0, 46.5, 750.0, true, 175.0, 21},  // exactly at the limit is within it
      {14, 0.25, 46.5, 764.0, false, 175.0, 21},
      {1, 0.0, 1.0e6, 1000050.25, false, 12.5, 2},
      {100, 1000.0, 0.0, 405025.0, false, 1250.0, 150},
  };
  for (const auto& c : cases) {
    StudyOptions options;
    options.trusses = c.trusses;
    options.glue = c.glue;
    options.extraWeight = c.extra;
    const Bridge bridge = MakeBridge(Truss(), options);
    const std::string what = std::to_string(c.trusses) + " trusses, " + std::to_string(c.glue) +
                             " g a node, " + std::to_string(c.extra) + " g more";
    EXPECT_EQ(bridge.trusses, c.trusses) << what;
    EXPECT_EQ(bridge.glue, c.glue) << what;
    EXPECT_EQ(bridge.extraWeight, c.extra) << what;
    EXPECT_EQ(bridge.trussesWeight, c.trusses * 50.25) << what;
    EXPECT_EQ(bridge.glueWeight, c.trusses * 4 * c.glue) << what;
    EXPECT_EQ(bridge.weight, c.weight) << what;
    EXPECT_EQ(bridge.withinLimit, c.within) << what;
    ASSERT_TRUE(bridge.collapseLoad) << what;
    EXPECT_EQ(*bridge.collapseLoad, c.collapse) << what;
    ASSERT_TRUE(bridge.efficiency) << what;
    EXPECT_EQ(*bridge.efficiency, c.collapse / (c.weight / 1000.0)) << what;
    EXPECT_EQ(bridge.wholeStrands, c.wholeStrands) << what;
  }
}

TEST(Bridge, NoCollapseNoEfficiencyAndNoWeightNoEfficiency) {
  const Bridge unloaded = MakeBridge(Truss(std::nullopt), {});
  EXPECT_EQ(unloaded.weight, 100.5);
  EXPECT_FALSE(unloaded.collapseLoad);
  EXPECT_FALSE(unloaded.efficiency);

  Study weightless = Truss();
  weightless.build->weight = 0.0;
  const Bridge bare = MakeBridge(weightless, {});
  EXPECT_EQ(*bare.collapseLoad, 25.0);
  EXPECT_FALSE(bare.efficiency);
  // Glue alone weighs something.
  StudyOptions glued;
  glued.glue = 0.5;
  EXPECT_EQ(*MakeBridge(weightless, glued).efficiency, 25.0 / 0.004);
}

TEST(Bridge, TheStudyMakesItFromItsOptions) {
  Model model = test::ReadmeTriangle();
  StudyOptions options;
  options.trusses = 3;
  options.glue = 2.0;
  const Study study = StudyModel(model, options);
  ASSERT_TRUE(study.bridge);
  EXPECT_EQ(study.bridge->weight, 3.0 * study.build->weight + 18.0);
  EXPECT_EQ(*study.bridge->collapseLoad, 3.0 * study.collapse->load);
  // The truss's own figures stay one truss's.
  EXPECT_EQ(*study.efficiency, study.collapse->load / (study.build->weight / 1000.0));

  Model loose = test::TrussBuilder(1).Node(1, 0, 0).Node(2, 10, 0).Bar(1, 1, 2).Build();
  EXPECT_FALSE(StudyModel(loose, options).bridge);
}

}  // namespace
}  // namespace quivor::study
