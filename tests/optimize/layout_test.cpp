// Which models are their own mirror image, the moves across a sloping deck,
// and the trial analysis against the study's own sizing.
#include "optimize/layout.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "design/size_members.hpp"
#include "generate/bridge_model.hpp"
#include "model/free_form_read.hpp"
#include "model/read_model_file.hpp"
#include "optimize/trial_analysis.hpp"
#include "study/study.hpp"

namespace quivor::optimize {
namespace {

Model Read(const std::string& text) {
  Model model;
  InputUnit unit(kModelUnit, text);
  EXPECT_TRUE(ReadModelFile(unit, model).ok()) << text;
  return model;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A 4-panel Pratt truss: nodes 1, 2, 4, 7, 8 on the deck (x = 0..40), 3, 5, 6
// on top; pinned at node 1, on a roller at node 8, 20 kgf down at node 4.
std::string Pratt4(bool spreadLoadCase = false) {
  generate::BridgeRequest request;
  request.panels = 4;
  request.span = 40.0;
  request.height = 10.0;
  request.load = 20.0;
  request.spreadLoadCase = spreadLoadCase;
  return generate::GenerateBridge(request).text;
}

TEST(Layout, AModelIsSymmetricWhenNodesBarsSupportsAndLoadCasesMirror) {
  const std::string pratt = Pratt4();
  const std::string supports = "2\n1\n0 0\n8\n1 0\n";
  const std::string loads = "1\n1\n4\n0.0\n-20.0\n";
  struct Case {
    const char* name;
    std::string text;
    bool symmetric;
  };
  const std::vector<Case> cases = {
      {"pin and roller", pratt, true},
      {"two pins", Replaced(pratt, supports, "2\n1\n0 0\n8\n0 0\n"), true},
      {"the roller free across the deck", Replaced(pratt, supports, "2\n1\n0 0\n8\n0 1\n"), false},
      {"a load off the middle", Replaced(pratt, loads, "1\n1\n2\n0.0\n-20.0\n"), false},
      {"a case and its mirror image",
       Replaced(pratt, loads, "2\n1\n2\n0.0\n-20.0\n1\n7\n0.0\n-20.0\n"), true},
      {"a sideways load", Replaced(pratt, loads, "1\n1\n4\n3.0\n-20.0\n"), false},
      {"a top node moved", Replaced(pratt, "5 20.00 10.00", "5 21.00 10.00"), false},
      {"a diagonal the other way", Replaced(pratt, "12 3 4", "12 2 5"), false},
  };
  for (const Case& c : cases) {
    const Layout layout = MakeLayout(Read(c.text), {});
    ASSERT_TRUE(layout.error.empty()) << c.name;
    EXPECT_EQ(layout.symmetricModel, c.symmetric) << c.name;
  }
  // The sideways load is mirrored by turning its x: on the roller side of a
  // case of its own it matches.
  const Layout turned =
      MakeLayout(Read(Replaced(pratt, loads, "2\n1\n3\n3.0\n-20.0\n1\n6\n-3.0\n-20.0\n")), {});
  EXPECT_TRUE(turned.symmetricModel);
}

TEST(Layout, NodesMoveAcrossASlopingDeckAndStayOnTheirSide) {
  // A king post truss on a deck that rises 1 in 4, its post under the deck.
  const Model model = Read(
      "4\n5\n1 0 0\n2 20 5\n3 40 10\n4 22 -5\n1 1 2\n2 2 3\n3 1 4\n4 4 3\n5 2 4\n"
      "2\n1\n0 0\n3\n1 0\n1\n1\n2\n0\n-10\n2\n3\n");
  const Layout layout = MakeLayout(model, {});
  ASSERT_EQ(layout.moving.size(), 1u);
  ASSERT_EQ(layout.variables.size(), 1u);
  Array2<double> coordinates;
  ASSERT_FALSE(Allocate(coordinates, 4, 2).failed());
  for (const double depth : {0.5, 3.0, layout.heightLimit}) {
    PlaceNodes(layout, &depth, coordinates);
    const double x = coordinates(4, 1);
    const double y = coordinates(4, 2);
    EXPECT_NEAR(layout.deck.Along(x, y), layout.moving[0].s0, 1e-12);
    EXPECT_NEAR(layout.deck.Across(x, y), -depth, 1e-12);
  }
  // Rounding to the grid would move it along the deck.
  EXPECT_FALSE(RoundPositions(layout, coordinates));
}

TEST(TrialAnalysis, WeighsTheBridgeAsTheStudyDoes) {
  const std::string pratt = Pratt4(true);
  for (const std::string& text : {pratt, Replaced(pratt, "2.0\n3.0\n", "0.5\n4.5\n"),
                                  Replaced(pratt, "3 10.00 10.00", "3 10.00 3.00")}) {
    Model model = Read(text);
    TrialAnalysis trial(model);
    ASSERT_TRUE(trial.Run());
    const study::Study study = study::StudyModel(model, {});
    ASSERT_TRUE(study.build);
    EXPECT_EQ(trial.BuildWeight(), study.build->weight);
    // Each bar's real count is at most its whole one, and more than one
    // strand below it.
    double oneStrandEach = 0.0;
    for (const study::BuildBar& bar : study.build->bars) {
      oneStrandEach += bar.length * kStrandLinearWeight;
    }
    EXPECT_LE(trial.SmoothWeight(), trial.BuildWeight());
    EXPECT_GT(trial.SmoothWeight(), trial.BuildWeight() - oneStrandEach);
  }
}

}  // namespace
}  // namespace quivor::optimize
