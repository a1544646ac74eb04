#include "generate/renumber.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "generate/bridge_model.hpp"
#include "generate/model_run.hpp"

namespace quivor::generate {
namespace {

std::string Bridge(BridgeType type, int panels) {
  BridgeRequest bridge{type, 100.0, 15.0, panels, 5.0};
  bridge.spreadLoadCase = true;
  return GenerateBridge(bridge).text;
}

// The generator writes one line per node, after the two counts; `arrange`
// reorders those lines.
template <class Arrange>
std::string WithNodeLines(const std::string& text, Arrange arrange) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at) + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  const auto first = lines.begin() + 2;
  arrange(first, first + std::stoi(lines[0]));
  std::string joined;
  for (const std::string& line : lines) joined += line;
  return joined;
}

// A 40-panel Pratt with its top chord listed first, then its deck.
std::string TopChordFirst() {
  return WithNodeLines(Bridge(BridgeType::kPratt, 40), [](auto first, auto last) {
    std::stable_partition(first, last, [](const std::string& line) {
      return line.substr(line.rfind(' ') + 1) != "0.00\n";
    });
  });
}

std::string Shuffled(BridgeType type, int panels) {
  return WithNodeLines(Bridge(type, panels), [](auto first, auto last) {
    std::mt19937 random(12345);
    std::shuffle(first, last, random);
  });
}

// Each listed badly, each made narrower; and the model read from the new
// text gives the same bars (its node labels are the same): forces to
// rounding, strands and weights exactly.
TEST(RenumberNodes, ScrambledOrdersNarrowWithTheSameResults) {
  const std::string models[] = {Shuffled(BridgeType::kHowe, 20), Shuffled(BridgeType::kK, 8),
                                Shuffled(BridgeType::kArch, 15), Shuffled(BridgeType::kWarren, 9),
                                TopChordFirst()};
  for (const std::string& text : models) {
    const Renumbered renumbered = RenumberNodes(text);
    ASSERT_EQ(renumbered.error, "");
    EXPECT_LT(renumbered.halfBandwidthAfter, renumbered.halfBandwidthBefore);
    const auto before = test::ReadAndAnalyse(text);
    const auto after = test::ReadAndAnalyse(renumbered.text);
    ASSERT_TRUE(before && after);
    EXPECT_EQ(after->results.halfBandwidth, renumbered.halfBandwidthAfter);
    const Results& a = before->results;
    const Results& b = after->results;
    for (int bar = 1; bar <= before->model.barCount; ++bar) {
      for (int c = 1; c <= before->model.loadCaseCount; ++c) {
        const double force = a.barForce(bar, c);
        EXPECT_NEAR(b.barForce(bar, c), force, 1e-9 * std::max(std::abs(force), 1e-3));
        EXPECT_EQ(b.strandCount(bar, c), a.strandCount(bar, c));
        EXPECT_EQ(b.barWeight(bar, c), a.barWeight(bar, c));
      }
    }
  }
}

TEST(RenumberNodes, GeneratedBridgesAreAlreadyAsNarrow) {
  for (const BridgeType type : {BridgeType::kPratt, BridgeType::kHowe, BridgeType::kWarren,
                                BridgeType::kWarrenVerticals, BridgeType::kK, BridgeType::kArch}) {
    for (const int panels : {2, 4, 11, 40}) {
      const std::string text = Bridge(type, panels);
      if (text.empty()) continue;  // an odd count the type refuses
      const Renumbered renumbered = RenumberNodes(text);
      EXPECT_EQ(renumbered.halfBandwidthAfter, renumbered.halfBandwidthBefore)
          << NameOf(type) << " " << panels;
      EXPECT_EQ(renumbered.text, text);
    }
  }
}

TEST(RenumberNodes, TopChordFirstPrattBecomesFiveTimesNarrower) {
  const Renumbered renumbered = RenumberNodes(TopChordFirst());
  ASSERT_EQ(renumbered.error, "");
  EXPECT_GE(renumbered.halfBandwidthBefore, 5 * renumbered.halfBandwidthAfter);
}

// Records are moved whole, with their own line ends: a record over three
// lines, one ended by a slash, a note after the values; blank lines and every
// other line stay. On the path 1-2-3-4 the far end of the path comes first.
TEST(RenumberNodes, MovesRecordsAsBlocksAndKeepsEveryOtherByte) {
  const std::string text =
      "4\r\n3\r\n\r\n1 0.0 0.0 primeiro\r\n\r\n3\r\n20.0,\r\n0.0\r\n4 30.0 /\r\n2 10.0 0.0\r\n"
      "1 1 2\r\n2 2 3\r\n3 3 4\r\n1\r\n1\r\n0 0\r\n0\r\n2.0\r\n3.0\r\n";
  const Renumbered renumbered = RenumberNodes(text);
  EXPECT_EQ(renumbered.error, "");
  EXPECT_EQ(renumbered.text,
            "4\r\n3\r\n\r\n4 30.0 /\r\n\r\n3\r\n20.0,\r\n0.0\r\n2 10.0 0.0\r\n1 0.0 0.0 "
            "primeiro\r\n1 1 2\r\n2 2 3\r\n3 3 4\r\n1\r\n1\r\n0 0\r\n0\r\n2.0\r\n3.0\r\n");
  EXPECT_EQ(renumbered.halfBandwidthBefore, 8);
  EXPECT_EQ(renumbered.halfBandwidthAfter, 4);
}

// Two triangles interleaved, a node without bars between them.
TEST(RenumberNodes, SeparatesComponentsAndLeavesLooseNodes) {
  const std::string text =
      "7\n6\n1 0 0\n2 50 0\n3 0 9\n4 1 1\n5 50 9\n6 9 0\n7 59 0\n"
      "1 1 3\n2 3 6\n3 6 1\n4 2 5\n5 5 7\n6 7 2\n0\n0\n1\n1\n";
  const Renumbered renumbered = RenumberNodes(text);
  EXPECT_EQ(renumbered.error, "");
  EXPECT_EQ(renumbered.halfBandwidthBefore, 12);
  EXPECT_EQ(renumbered.halfBandwidthAfter, 6);
}

TEST(RenumberNodes, NamesWhatTheReaderRefuses) {
  for (const char* text : {"", "2\n1\n1 0 0\n", "1\n0\n1 x 0\n0\n0\n1\n1\n",
                           "1\n0\n1001 0 0\n0\n0\n1\n1\n", "1\n0\n1 0 0\n99999\n"}) {
    const Renumbered renumbered = RenumberNodes(text);
    EXPECT_NE(renumbered.error, "") << text;
    EXPECT_EQ(renumbered.text, "");
  }
}

}  // namespace
}  // namespace quivor::generate
