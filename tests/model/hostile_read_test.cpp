// Free-form reads of hostile text: repeat counts far beyond the items of a
// read, NUL bytes and bytes above 127 in and after values, values and blanks
// far longer than the reader's buffer. Each read is followed by a second one
// of one integer, to show where the first left the unit.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/free_form_read.hpp"

namespace quivor {
namespace {

constexpr std::int16_t kBefore = 99;  // what an item holds before its read
constexpr std::size_t kBufferSizes[] = {InputUnit::kBufferSize, 2, 3, 4, 5};

struct Case {
  std::string text;
  std::int16_t first;                      // the one item of the first read
  std::int16_t second = kBefore;           // the one item of the second read
  ErrorNumber error = ErrorNumber::kNone;  // of the first read
};

TEST(HostileRead, OneItemReadsOfHostileText) {
  const std::string mebibyte(1 << 20, ' ');
  const Case cases[] = {
      // A repeat count gives its value to the one item; the rest is lost with
      // the rest of the record.
      {"32767*7\n8\n", 7, 8},
      {"32767*7 9 10\n8\n", 7, 8},
      {"32767*\n8\n", kBefore, 8},
      {"32767*,5\n8\n", kBefore, 8},
      {"99999999999999999999999999*7\n8\n", 7, 8},
      {"32768*7\n8\n", 7, 8},
      {"32767*32768\n8\n", 0, kBefore, ErrorNumber::kConversionError},
      // A count of 0 is malformed whatever follows it, a quoted text too
      // (found by fuzzing: 64 in the buffer, 59 when streamed).
      {"0*'x'\n8\n", 0, kBefore, ErrorNumber::kSyntaxError},
      {"00*'x\n8\n", 0, kBefore, ErrorNumber::kSyntaxError},
      {"2*'x'\n8\n", 0, kBefore, ErrorNumber::kConversionError},
      // NUL bytes and bytes above 127 are no part of any value.
      {std::string("\0\n8\n", 4), 0, kBefore, ErrorNumber::kSyntaxError},
      {std::string("3\0\n8\n", 5), 0, kBefore, ErrorNumber::kSyntaxError},
      {std::string("\0"
                   "3\n8\n",
                   5),
       0, kBefore, ErrorNumber::kSyntaxError},
      {"3\xE7\n8\n", 0, kBefore, ErrorNumber::kSyntaxError},
      {"\xFF\n8\n", 0, kBefore, ErrorNumber::kSyntaxError},
      {"1.5\x80\n8\n", 0, kBefore, ErrorNumber::kSyntaxError},
      {"2*\xE7\n8\n", 0, kBefore, ErrorNumber::kSyntaxError},
      // After the value they are the ignored rest of the record.
      {std::string("3 \0\xFF\n8\n", 7), 3, 8},
      {"3,\xE7\xE0\xE3\xF5\n8\n", 3, 8},
      // Blanks and digits far longer than the buffer stream through it.
      {mebibyte + "7\n8\n", 7, 8},
      {std::string(1 << 20, '0') + "7\n8\n", 7, 8},
      {"7" + mebibyte + "x\n8\n", 7, 8},
      {mebibyte, 0, kBefore, ErrorNumber::kEndOfFile},
  };
  for (const Case& c : cases) {
    for (std::size_t size : kBufferSizes) {
      const std::string where =
          "text \"" + c.text.substr(0, 30) + "\" buffer " + std::to_string(size);
      InputUnit unit(kModelUnit, c.text, size);
      std::int16_t first = kBefore;
      ReadItem firstItem(first);
      const Failure failure = FreeFormRead(unit, {&firstItem, 1});
      EXPECT_EQ(failure.number, c.error) << where;
      if (c.error != ErrorNumber::kNone) {
        EXPECT_EQ(failure.unit, kModelUnit) << where;
        continue;
      }
      EXPECT_EQ(first, c.first) << where;
      std::int16_t second = kBefore;
      ReadItem secondItem(second);
      const Failure next = FreeFormRead(unit, {&secondItem, 1});
      EXPECT_EQ(next.number, c.second == kBefore ? ErrorNumber::kEndOfFile : ErrorNumber::kNone)
          << where;
      EXPECT_EQ(second, c.second) << where;
    }
  }
}

// The console name: NUL bytes and bytes above 127 are characters of the
// name, kept as they are; a quote that never closes runs to the end of the
// input.
TEST(HostileRead, NameWithNulAndHighBytes) {
  struct NameCase {
    std::string typed;
    std::string name;  // the 8-character variable after the read
    ErrorNumber error = ErrorNumber::kNone;
  };
  const NameCase cases[] = {
      {std::string("pon\0te\n", 7), std::string("pon\0te  ", 8)},
      {"ponte\xE7\xE3o\n", "ponte\xE7\xE3o"},
      {std::string("'\0\xFF'\n", 5), std::string("\0\xFF      ", 8)},
      {"'ponte\n\n\n", "", ErrorNumber::kEndOfFile},
      {"'" + std::string(3000, 'p') + "\n", "", ErrorNumber::kSyntaxError},
  };
  for (const NameCase& c : cases) {
    for (std::size_t size : kBufferSizes) {
      std::string name(8, '?');
      ReadItem item(name.data(), name.size());
      InputUnit keyboard(kConsoleUnit, c.typed, size);
      const Failure failure = FreeFormRead(keyboard, {&item, 1});
      EXPECT_EQ(failure.number, c.error) << c.typed.substr(0, 10) << " buffer " << size;
      if (c.error == ErrorNumber::kNone) {
        EXPECT_EQ(name, c.name) << c.typed << " buffer " << size;
      }
    }
  }
}

}  // namespace
}  // namespace quivor
