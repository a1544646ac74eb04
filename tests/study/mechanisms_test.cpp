// Mechanisms found by hand on small trusses read from model file text, the
// rigid motions of long bridges, and models whose coordinates overflow.
#include "study/mechanisms.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "model/read_model_file.hpp"

namespace quivor::study {
namespace {

// The non-blank items of a ';'-separated list, leading blanks dropped.
std::vector<std::string> Items(std::string_view list) {
  std::vector<std::string> items;
  for (std::size_t from = 0; from <= list.size();) {
    const std::size_t end = std::min(list.find(';', from), list.size());
    const std::size_t start = list.find_first_not_of(' ', from);
    if (start < end) items.emplace_back(list.substr(start, end - start));
    from = end + 1;
  }
  return items;
}

// The model file of ';'-separated nodes "label x y", bars "start end"
// (labelled 1, 2, ... in order) and supports "label codeX codeY"; no load.
void ReadModel(std::string_view nodes, std::string_view bars, std::string_view supports,
               Model& model) {
  std::string text = std::to_string(Items(nodes).size()) + "\n";
  text += std::to_string(Items(bars).size()) + "\n";
  for (const std::string& node : Items(nodes)) text += node + "\n";
  int label = 0;
  for (const std::string& bar : Items(bars)) text += std::to_string(++label) + " " + bar + "\n";
  text += std::to_string(Items(supports).size()) + "\n";
  for (const std::string& support : Items(supports)) {
    // The label on a line, then the codes.
    const std::size_t blank = support.find(' ');
    text.append(support, 0, blank).append("\n").append(support, blank + 1).append("\n");
  }
  text += "0\n2.0\n3.0\n";
  InputUnit unit(kModelUnit, text);
  ASSERT_TRUE(ReadModelFile(unit, model).ok()) << text;
}

// What every mechanism must be: K v = 0 to rounding, still in the held
// directions, its largest component +1, the node that moves most named.
void CheckMechanism(const Model& model, const Mechanism& m) {
  EXPECT_LE(MechanismResidual(model, m), 1e-9);
  EXPECT_EQ(m.movingNodes(), static_cast<int>(m.motion.size()));
  double largest = 0.0;
  double first = 0.0;  // the first component of the largest magnitude
  double most = 0.0;
  NodeMotion node{};  // the first that moves most
  for (const NodeMotion& motion : m.motion) {
    for (int k = 1; k <= model.supportCount; ++k) {
      if (model.supportTable(k, 1) != model.nodeIndexOfLabel(motion.node)) continue;
      EXPECT_TRUE(model.supportTable(k, 2) != 0 || motion.dx == 0.0) << motion.node;
      EXPECT_TRUE(model.supportTable(k, 3) != 0 || motion.dy == 0.0) << motion.node;
    }
    for (double c : {motion.dx, motion.dy}) {
      if (std::abs(c) > largest) largest = std::abs(c), first = c;
    }
    if (std::hypot(motion.dx, motion.dy) > most)
      most = std::hypot(motion.dx, motion.dy), node = motion;
  }
  EXPECT_EQ(first, 1.0);
  EXPECT_EQ(m.node, node.node);
  EXPECT_EQ(m.dx, node.dx);
  EXPECT_EQ(m.dy, node.dy);
}

constexpr const char* kTriangle = "1 0 0; 2 40 0; 3 20 15";
constexpr const char* kBars = "1 2; 1 3; 2 3";
constexpr const char* kPinAndRoller = "1 0 0; 2 1 0";

struct Case {
  const char* name;
  const char* nodes;
  const char* bars;
  const char* supports;
  int count;  // -1: K not finite
  int rigid;
  std::vector<std::vector<NodeMotion>> motions;  // each mechanism's; empty: not checked
};

TEST(Mechanisms, FoundByHand) {
  // clang-format off
  const Case cases[] = {
    {"stable triangle", kTriangle, kBars, kPinAndRoller, 0, 0, {}},
    {"square, no diagonal", "1 0 0; 2 40 0; 3 40 30; 4 0 30", "1 2; 2 3; 3 4; 4 1", kPinAndRoller, 1, 0, {{{3, 1, 0}, {4, 1, 0}}}},
    {"node on one bar", "1 0 0; 2 40 0; 3 20 15; 4 60 0", "1 2; 1 3; 2 3; 2 4", kPinAndRoller, 1, 0, {{{4, 0, 1}}}},
    {"node on one inclined bar", "1 0 0; 2 40 0; 3 17.3 13.1; 4 61.7 9.3", "1 2; 1 3; 2 3; 2 4", kPinAndRoller, 1, 0, {{{4, -9.3 / 21.7, 1}}}},
    {"node between collinear bars", "1 0 0; 2 20 0; 3 40 0", "1 2; 2 3", "1 0 0; 3 0 0", 1, 0, {{{2, 0, 1}}}},
    {"held in x and in y by two entries", "1 0 0; 2 20 0; 3 40 0", "1 2; 2 3", "1 0 0; 3 0 0; 2 1 0; 2 0 1", 0, 0, {}},
    {"loose node", "1 0 0; 2 40 0; 3 20 15; 4 60 10", kBars, kPinAndRoller, 2, 0, {{{4, 1, 0}}, {{4, 0, 1}}}},
    {"no support", kTriangle, kBars, "", 3, 3, {}},
    {"one pin", kTriangle, kBars, "1 0 0", 1, 1, {{{2, 0, 1}, {3, -0.375, 0.5}}}},
    {"equal and opposite: the first is +1", "1 0 0; 2 10 -10", "1 2", "1 1 0; 2 0 1", 1, 1, {{{1, 1, 0}, {2, 0, -1}}}},
    {"no bar", kTriangle, "", "1 0 1; 1 1 0; 2 1 0", 3, 0, {{{2, 1, 0}}, {{3, 1, 0}}, {{3, 0, 1}}}},
    // Coordinates that overflow: cosines inf/inf, or lengths inf and no stiffness.
    {"cosines not a number", "1 -1e308 0; 2 1e308 0; 3 0 1e308", kBars, kPinAndRoller, -1, 0, {}},
    {"every length infinite", "1 0 0; 2 1e300 0; 3 0 1e300", kBars, kPinAndRoller, 3, 0, {}},
    {"a far node on bars of no stiffness", "1 0 0; 2 40 0; 3 20 1e300", kBars, kPinAndRoller, 2, 0, {}},
    {"lengths of 1e-149 cm", "1 0 0; 2 4e-149 0; 3 2e-149 1.5e-149", kBars, kPinAndRoller, 0, 0, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Model model;
    ASSERT_NO_FATAL_FAILURE(ReadModel(c.nodes, c.bars, c.supports, model));
    const MechanismSearch search = FindMechanisms(model);
    ASSERT_EQ(search.finite, c.count >= 0);
    ASSERT_EQ(static_cast<int>(search.mechanisms.size()), std::max(c.count, 0));
    int rigid = 0;
    for (std::size_t k = 0; k < search.mechanisms.size(); ++k) {
      const Mechanism& m = search.mechanisms[k];
      CheckMechanism(model, m);
      rigid += m.rigid ? 1 : 0;
      if (c.motions.empty()) continue;
      ASSERT_EQ(m.motion.size(), c.motions[k].size()) << "mechanism " << k;
      for (std::size_t n = 0; n < m.motion.size(); ++n) {
        EXPECT_EQ(m.motion[n].node, c.motions[k][n].node);
        EXPECT_NEAR(m.motion[n].dx, c.motions[k][n].dx, 1e-12);
        EXPECT_NEAR(m.motion[n].dy, c.motions[k][n].dy, 1e-12);
      }
    }
    EXPECT_EQ(rigid, c.rigid);
  }
}

// A Pratt bridge 12 cm high of `panels` panels of 10 cm (bottom node 2p+1,
// top node 2p+2), with a bar from the first node to the last.
void ReadBridge(int panels, std::string_view supports, Model& model) {
  std::string nodes;
  std::string bars;
  for (int p = 0; p <= panels; ++p) {
    const std::string b = std::to_string(2 * p + 1), t = std::to_string(2 * p + 2);
    nodes += b + " " + std::to_string(10 * p) + " 0;" + t + " " + std::to_string(10 * p) + " 12;";
    bars += b + " " + t + ";";
    if (p == panels) break;
    const std::string nb = std::to_string(2 * p + 3), nt = std::to_string(2 * p + 4);
    bars += b + " " + nb + ";" + t + " " + nt + ";" +
            (p < panels / 2 ? t + " " + nb : b + " " + nt) + ";";
  }
  ReadModel(nodes, bars + "1 " + std::to_string(2 * panels + 2), supports, model);
}

// The elimination's rounding grows with the bridge's length: the rotation's
// pivot must still be found on the longest model the reader admits.
TEST(Mechanisms, LongBridgeMovesOnlyAsARigidBody) {
  for (int panels : {10, 100, 499}) {
    SCOPED_TRACE(panels);
    for (const char* supports : {"", "1 0 0"}) {
      Model model;
      ASSERT_NO_FATAL_FAILURE(ReadBridge(panels, supports, model));
      const MechanismSearch search = FindMechanisms(model);
      ASSERT_TRUE(search.finite);
      ASSERT_EQ(search.mechanisms.size(), supports[0] == '\0' ? 3u : 1u);
      for (const Mechanism& m : search.mechanisms) {
        CheckMechanism(model, m);
        EXPECT_TRUE(m.rigid);
      }
    }
    Model stable;
    ASSERT_NO_FATAL_FAILURE(
        ReadBridge(panels, "1 0 0; " + std::to_string(2 * panels + 1) + " 1 0", stable));
    EXPECT_TRUE(FindMechanisms(stable).mechanisms.empty());
  }
}

}  // namespace
}  // namespace quivor::study
