// The extents a unit's observer is told of: where each read began and
// stopped, through every buffer size, and nothing for a read that fails.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/free_form_read.hpp"

namespace quivor {
namespace {

class Log final : public ReadObserver {
 public:
  void ReadEnded(const ReadExtent& extent) override { extents.push_back(extent); }
  std::vector<ReadExtent> extents;
};

struct Expected {
  std::uint64_t begin, end;
  std::int64_t line;
  std::size_t items;
  bool slash;
};

TEST(ReadExtent, EachReadFromItsRecordToItsLastValue) {
  // Three reads of 3, 1 and 2 items: a decimal comma splits a value, a line
  // end inside a read, a slash, a CR LF and a long value.
  const std::string longValue(100, '7');
  const std::string text = "3 20,5 15.0\r\n\n  2,5\n1\n/ 9\n" + longValue + " 4 5\n";
  const std::vector<Expected> expected = {
      {0, 6, 1, 3, false},    // "3 20,5": the rest, " 15.0", left unread
      {13, 17, 3, 1, false},  // "2,5" after a blank line: ",5" left unread
      {20, 23, 5, 2, true},   // "1\n/": the slash, not the value after it
      {26, 26 + longValue.size(), 6, 1, false},
  };
  for (const std::size_t bufferSize :
       {std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{64}, InputUnit::kBufferSize}) {
    SCOPED_TRACE(bufferSize);
    InputUnit unit(kModelUnit, text, bufferSize);
    Log log;
    unit.Observe(&log);
    std::array<double, 3> values{};
    std::array three{ReadItem(values[0]), ReadItem(values[1]), ReadItem(values[2])};
    std::array one{ReadItem(values[0])};
    std::array two{ReadItem(values[0]), ReadItem(values[1])};
    EXPECT_FALSE(FreeFormRead(unit, three).failed());
    EXPECT_FALSE(FreeFormRead(unit, one).failed());
    EXPECT_FALSE(FreeFormRead(unit, two).failed());
    EXPECT_FALSE(FreeFormRead(unit, one).failed());
    EXPECT_EQ(values[0], 7.777777777777778e99);
    EXPECT_TRUE(FreeFormRead(unit, three).failed());  // the end: nothing told
    ASSERT_EQ(log.extents.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(i);
      const ReadExtent& got = log.extents[i];
      EXPECT_EQ(got.begin, expected[i].begin);
      EXPECT_EQ(got.end, expected[i].end);
      EXPECT_EQ(got.line, expected[i].line);
      EXPECT_EQ(got.items, expected[i].items);
      EXPECT_EQ(got.slash, expected[i].slash);
    }
  }
}

}  // namespace
}  // namespace quivor
