#include "analysis/apply_supports.hpp"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "analysis/bits.hpp"

namespace quivor {
namespace {

using test::Bits;

constexpr std::int16_t kNodes = 3;  // equations 1..6
constexpr int kEquations = 2 * kNodes;
constexpr std::int16_t kLoadCases = 2;
constexpr double kBeyondEdge = -99.0;  // must survive: nothing writes beyond the edge

struct SupportCase {
  const char* name;
  std::vector<std::array<std::int16_t, 3>> supports;  // internal index, code x, code y
  std::set<int> restrained;                           // equations that become identity
};

const SupportCase kCases[] = {
    {"no supports", {}, {}},
    {"first node, both", {{1, 0, 0}}, {1, 2}},
    {"equation 1 alone: row part only", {{1, 0, 1}}, {1}},
    {"last equation alone: column part only", {{3, 1, 0}}, {6}},
    {"second to last equation", {{3, 0, 1}}, {5}},
    {"any code other than 0 is free", {{2, 12, -1}}, {}},
    {"a node listed twice", {{2, 0, 0}, {2, 0, 0}}, {3, 4}},
    {"two nodes", {{2, 0, 5}, {3, 1, 0}}, {3, 6}},
    {"everything", {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, {1, 2, 3, 4, 5, 6}},
};

double Original(int i, int m) { return 10.0 * i + m; }
double OriginalLoad(int i, int j) { return 100.0 * j + i; }

TEST(ApplySupports, IdentityRowsAndColumnsAndZeroLoads) {
  // Narrower than the matrix, as wide as it, and wider.
  for (int width : {2, 4, 6, 8}) {
    const auto halfBandwidth = static_cast<std::int16_t>(width);
    for (const SupportCase& c : kCases) {
      Array2<double> band;
      (void)Allocate(band, kEquations, halfBandwidth);
      for (int i = 1; i <= kEquations; ++i) {
        for (int m = 1; m <= halfBandwidth; ++m) {
          band(i, m) = i + m - 1 <= kEquations ? Original(i, m) : kBeyondEdge;
        }
      }
      Array2<double> loads;
      (void)Allocate(loads, kEquations, kLoadCases);
      for (int i = 1; i <= kEquations; ++i) {
        for (int j = 1; j <= kLoadCases; ++j) loads(i, j) = OriginalLoad(i, j);
      }
      Array2<std::int16_t> table;
      const auto count = static_cast<std::int16_t>(c.supports.size());
      (void)Allocate(table, count, 3);
      for (int s = 1; s <= count; ++s) {
        for (int d = 1; d <= 3; ++d) {
          table(s, d) =
              c.supports[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(d - 1)];
        }
      }

      ApplySupports(count, band, kLoadCases, table, loads, halfBandwidth, kNodes);

      for (int i = 1; i <= kEquations; ++i) {
        for (int m = 1; m <= halfBandwidth; ++m) {
          const int j = i + m - 1;  // band(i, m) holds K(i, j)
          double expected = Original(i, m);
          if (j > kEquations) {
            expected = kBeyondEdge;
          } else if (c.restrained.count(i) || c.restrained.count(j)) {
            expected = i == j ? 1.0 : 0.0;
          }
          EXPECT_EQ(Bits(band(i, m)), Bits(expected))
              << c.name << ", h " << halfBandwidth << ", cell (" << i << ", " << m << ")";
        }
        for (int load = 1; load <= kLoadCases; ++load) {
          const double expected = c.restrained.count(i) ? 0.0 : OriginalLoad(i, load);
          EXPECT_EQ(Bits(loads(i, load)), Bits(expected)) << c.name << ", load row " << i;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quivor
