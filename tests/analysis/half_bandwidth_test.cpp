#include "analysis/half_bandwidth.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "analysis/truss_builder.hpp"

namespace quivor {
namespace {

struct BandwidthCase {
  const char* name;
  std::vector<int> nodeLabels;            // in file order
  std::vector<std::pair<int, int>> bars;  // start and end labels
  int expected;
};

const BandwidthCase kCases[] = {
    {"no bars", {1, 2, 3}, {}, 2},
    {"chain", {1, 2, 3, 4}, {{1, 2}, {2, 3}, {3, 4}}, 4},
    {"chain, ends swapped", {1, 2, 3, 4}, {{2, 1}, {3, 2}, {4, 3}}, 4},
    {"labels 10 20 30 read as 1 2 3", {10, 20, 30}, {{10, 20}, {20, 30}}, 4},
    {"labels unsorted", {7, 3, 9, 1}, {{7, 1}}, 8},
    {"distance counts file order, not labels", {1, 500, 2}, {{1, 2}}, 6},
    {"largest distance wins in any bar order", {1, 2, 3, 4, 5}, {{1, 2}, {1, 4}, {2, 4}}, 8},
    {"first node to last", {1, 2, 3, 4, 5}, {{5, 1}}, 10},
    {"one bar, two nodes", {4, 8}, {{8, 4}}, 4},
};

TEST(ComputeHalfBandwidth, Table) {
  for (const BandwidthCase& c : kCases) {
    test::TrussBuilder truss;
    double x = 0.0;
    for (int label : c.nodeLabels) truss.Node(label, x += 1.0, 0.0);
    int barLabel = 0;
    for (auto [start, end] : c.bars) truss.Bar(++barLabel, start, end);
    Model model = truss.Build();
    std::int16_t halfBandwidth = -7;
    ComputeHalfBandwidth(model.barCount, halfBandwidth, model.barNodes, model.nodeIndexOfLabel);
    EXPECT_EQ(halfBandwidth, c.expected) << c.name;
  }
}

TEST(ComputeHalfBandwidth, ThousandNodesWidestBand) {
  test::TrussBuilder truss;
  for (int label = 1; label <= kMaxNodeLabel; ++label) truss.Node(label, label, 0.0);
  truss.Bar(1, 1, 2).Bar(2, kMaxNodeLabel, 1);
  Model model = truss.Build();
  std::int16_t halfBandwidth = 0;
  ComputeHalfBandwidth(model.barCount, halfBandwidth, model.barNodes, model.nodeIndexOfLabel);
  EXPECT_EQ(halfBandwidth, 2000);
}

}  // namespace
}  // namespace quivor
