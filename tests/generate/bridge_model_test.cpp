#include "generate/bridge_model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "generate/model_run.hpp"
#include "report/record_writer.hpp"
#include "report/results_report.hpp"

namespace quivor::generate {
namespace {

constexpr BridgeType kTypes[] = {BridgeType::kPratt,  BridgeType::kHowe,
                                 BridgeType::kWarren, BridgeType::kWarrenVerticals,
                                 BridgeType::kK,      BridgeType::kArch};

TEST(BridgeTypeNames, EachNameGivesItsTypeAndBack) {
  for (const BridgeType type : kTypes) EXPECT_EQ(BridgeTypeNamed(NameOf(type)), type);
  EXPECT_EQ(NameOf(BridgeType::kWarrenVerticals), "warren-montantes");
  EXPECT_EQ(NameOf(BridgeType::kArch), "arco");
  EXPECT_FALSE(BridgeTypeNamed("Pratt"));
  EXPECT_FALSE(BridgeTypeNamed(""));
}

// Read, analysed without a singular matrix and reported; in every load case
// the supports carry the whole load.
TEST(GenerateBridge, EveryTypeOverTheGridRunsToAReport) {
  constexpr double kLoad = 7.0;
  for (const BridgeType type : kTypes) {
    for (const double span : {30.0, 100.0, 200.0}) {
      for (const double height : {5.0, 15.0, 50.0}) {
        for (const int panels : {2, 3, 4, 5, 10, 15, 20, 39, 40, MaxPanels(type)}) {
          BridgeRequest bridge{type, span, height, panels, kLoad};
          bridge.spreadLoadCase = panels % 2 == 1 || span == 100.0;
          const GeneratedModel generated = GenerateBridge(bridge);
          SCOPED_TRACE(std::string(NameOf(type)) + " " + std::to_string(span) + " " +
                       std::to_string(height) + " " + std::to_string(panels));
          if ((type == BridgeType::kK || type == BridgeType::kWarrenVerticals) && panels % 2) {
            EXPECT_TRUE(generated.text.empty() && !generated.error.empty());
            continue;
          }
          ASSERT_EQ(generated.error, "");
          const auto run = test::ReadAndAnalyse(generated.text);
          ASSERT_TRUE(run);
          ASSERT_EQ(run->model.loadCaseCount, bridge.spreadLoadCase ? 2 : 1);
          for (int c = 1; c <= run->model.loadCaseCount; ++c) {
            double upward = 0.0;
            for (int k = 1; k <= run->model.supportCount; ++k) {
              upward += run->results.reaction(2 * run->model.supportTable(k, 1), c);
            }
            EXPECT_NEAR(upward, kLoad, 1e-9 * kLoad);
          }
          std::string report;
          TextOutputUnit unit(report);
          WriteResultsReport(unit, "ponte", run->model, run->results);
          EXPECT_FALSE(unit.Flush().failed() || report.empty());
        }
      }
    }
  }
}

// Simply supported, P at mid-span: M = P*span/4 there, and the top chord of
// the two middle panels carries M/height in compression. A Pratt's middle
// deck bars lie under the diagonals' ends, one panel from mid-span:
// (P/2)*(span/2 - panel)/height in tension.
TEST(GenerateBridge, PrattChordForcesMatchTheMomentByHand) {
  constexpr double kP = 10.0;
  BridgeRequest bridge;
  bridge.load = kP;
  const GeneratedModel generated = GenerateBridge(bridge);
  ASSERT_EQ(generated.error, "");
  const auto run = test::ReadAndAnalyse(generated.text);
  ASSERT_TRUE(run);
  const Model& m = run->model;
  const double top = -kP * bridge.span / 4.0 / bridge.height;
  const double deck = kP / 2.0 * (bridge.span / 2.0 - bridge.span / bridge.panels) / bridge.height;
  int checked = 0;
  for (int b = 1; b <= m.barCount; ++b) {
    const int i = m.nodeIndexOfLabel(m.barNodes(b, 1));
    const int j = m.nodeIndexOfLabel(m.barNodes(b, 2));
    const double y = m.nodeCoord(i, 2);
    const double middle = (m.nodeCoord(i, 1) + m.nodeCoord(j, 1)) / 2.0;
    if (y != m.nodeCoord(j, 2) ||
        std::abs(middle - bridge.span / 2.0) > bridge.span / bridge.panels) {
      continue;
    }
    const double expected = y == 0.0 ? deck : top;
    EXPECT_NEAR(run->results.barForce(b, 1), expected, 1e-6 * std::abs(expected)) << b;
    ++checked;
  }
  EXPECT_EQ(checked, 4);
}

TEST(GenerateBridge, RefusesWhatCannotMakeABridge) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  auto with = [](auto change) {
    BridgeRequest bridge;
    bridge.load = 5.0;
    change(bridge);
    return bridge;
  };
  const BridgeRequest bad[] = {
      with([](BridgeRequest& s) { s.span = 0.0; }),
      with([&](BridgeRequest& s) { s.span = nan; }),
      with([&](BridgeRequest& s) { s.span = -inf; }),
      with([](BridgeRequest& s) { s.height = -15.0; }),
      with([&](BridgeRequest& s) { s.height = inf; }),
      with([](BridgeRequest& s) { s.panels = 1; }),
      with([](BridgeRequest& s) { s.panels = MaxPanels(s.type) + 1; }),
      with([](BridgeRequest& s) { s.type = BridgeType::kK, s.panels = MaxPanels(s.type) + 2; }),
      with([](BridgeRequest& s) { s.type = BridgeType::kK, s.panels = 9; }),
      with([](BridgeRequest& s) { s.type = BridgeType::kWarrenVerticals, s.panels = 3; }),
      with([](BridgeRequest& s) { s.type = static_cast<BridgeType>(42); }),
      with([&](BridgeRequest& s) { s.load = nan; }),
      with([](BridgeRequest& s) { s.load = -5.0; }),
      with([](BridgeRequest& s) { s.tensionSafetyFactor = 0.5; }),
      with([&](BridgeRequest& s) { s.compressionSafetyFactor = inf; }),
      // Two decimals cannot tell the nodes apart.
      with([](BridgeRequest& s) { s.span = 0.1, s.panels = 20; }),
      with([](BridgeRequest& s) { s.height = 0.004; }),
      with([](BridgeRequest& s) { s.type = BridgeType::kWarren, s.height = 0.004; }),
      with([](BridgeRequest& s) { s.type = BridgeType::kK, s.height = 0.01; }),
      with([](BridgeRequest& s) { s.type = BridgeType::kArch, s.height = 0.01, s.panels = 40; }),
  };
  for (const BridgeRequest& bridge : bad) {
    const GeneratedModel generated = GenerateBridge(bridge);
    EXPECT_EQ(generated.text, "");
    EXPECT_NE(generated.error, "") << NameOf(bridge.type) << " " << bridge.span << " "
                                   << bridge.height << " " << bridge.panels;
  }
}

}  // namespace
}  // namespace quivor::generate
