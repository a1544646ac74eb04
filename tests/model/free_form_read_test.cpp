// Free-form reading: every case is read through the normal 64 KiB buffer and
// through tiny ones, so that each value is also cut at every refill and long
// values go through the streaming path; all must give the same result.
#include "model/free_form_read.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace quivor {

// Message numbers print as numbers.
[[maybe_unused]] static void PrintTo(ErrorNumber number, std::ostream* out) {
  *out << static_cast<int>(number);
}

namespace {

// What every item holds before the read: shows the items a read left alone.
constexpr double kUntouched = 99.0;
constexpr std::size_t kBufferSizes[] = {InputUnit::kBufferSize, 2, 3, 7, 64};

struct Result {
  Failure failure;
  std::vector<double> values;  // exact: int16 and float widen without rounding
  std::vector<std::int64_t> lines;
};

// One read of items of the given kinds (i: 16-bit integer, d: 64-bit real,
// f: 32-bit real) from `text`.
Result ReadOnce(const std::string& text, std::string_view kinds, std::size_t bufferSize) {
  std::vector<std::int16_t> ints(kinds.size(), static_cast<std::int16_t>(kUntouched));
  std::vector<double> doubles(kinds.size(), kUntouched);
  std::vector<float> floats(kinds.size(), static_cast<float>(kUntouched));
  std::vector<ReadItem> items;
  for (std::size_t k = 0; k < kinds.size(); ++k) {
    if (kinds[k] == 'i') items.emplace_back(ints[k]);
    if (kinds[k] == 'd') items.emplace_back(doubles[k]);
    if (kinds[k] == 'f') items.emplace_back(floats[k]);
  }
  InputUnit unit(kModelUnit, text, bufferSize);
  Result result;
  result.failure = FreeFormRead(unit, items);
  for (std::size_t k = 0; k < kinds.size(); ++k) {
    if (kinds[k] == 'i') result.values.push_back(ints[k]);
    if (kinds[k] == 'd') result.values.push_back(doubles[k]);
    if (kinds[k] == 'f') result.values.push_back(static_cast<double>(floats[k]));
    result.lines.push_back(items[k].line);
  }
  return result;
}

struct Case {
  std::string text;
  std::string_view kinds;
  std::vector<double> values;  // after the read; ignored on error
  ErrorNumber error = ErrorNumber::kNone;
};

void Check(const Case& c) {
  for (std::size_t size : kBufferSizes) {
    const Result r = ReadOnce(c.text, c.kinds, size);
    const std::string where =
        "text \"" + c.text.substr(0, 60) + "\" buffer " + std::to_string(size);
    EXPECT_EQ(r.failure.number, c.error) << where;
    if (c.error != ErrorNumber::kNone) {
      EXPECT_EQ(r.failure.unit, kModelUnit) << where;
      continue;
    }
    ASSERT_EQ(r.values.size(), c.values.size()) << where;
    for (std::size_t k = 0; k < c.values.size(); ++k) {
      // Bits, so that -0.0 is told from 0.0.
      EXPECT_EQ(std::bit_cast<std::uint64_t>(r.values[k]),
                std::bit_cast<std::uint64_t>(c.values[k]))
          << where << " item " << k << ": " << r.values[k] << " expected " << c.values[k];
    }
  }
}

constexpr double U = kUntouched;
constexpr ErrorNumber k24 = ErrorNumber::kEndOfFile;
constexpr ErrorNumber k59 = ErrorNumber::kSyntaxError;
constexpr ErrorNumber k64 = ErrorNumber::kConversionError;

TEST(FreeFormRead, SeparatorsNullsSlashAndRecords) {
  const Case cases[] = {
      {"3 4", "i", {3}},
      {"1, 2", "ii", {1, 2}},
      {"1 2", "ii", {1, 2}},
      {"1\n2", "ii", {1, 2}},
      {"1\t2", "ii", {1, 2}},
      {"1,2", "ii", {1, 2}},
      {"1 ,2", "ii", {1, 2}},
      {"1,\n2", "ii", {1, 2}},
      {"1\n,2", "ii", {1, 2}},
      {"1,,3", "iii", {1, U, 3}},
      {"1, ,3", "iii", {1, U, 3}},
      {"1,\n\n,3", "iii", {1, U, 3}},
      {",5", "ii", {U, 5}},
      {",,5", "iii", {U, U, 5}},
      {"\n\n  , 5", "ii", {U, 5}},
      {"1 /", "iii", {1, U, U}},
      {"1/2", "ii", {1, U}},
      {"1,/", "ii", {1, U}},
      {"1,2,/", "iii", {1, 2, U}},
      {"/", "i", {U}},
      {"\n/ 5", "i", {U}},
      {"\n\n   \n5", "i", {5}},
      {"\t\n5", "i", {5}},
      {"1\r\n2", "ii", {1, 2}},
      {"\r\n\r\n7\r\n", "i", {7}},
      {"7\r", "i", {}, k59},  // a carriage return not before a line feed is a character
      {"1\r2", "i", {}, k59},
      {"1\r 2", "ii", {}, k59},
      {"", "i", {}, k24},
      {"\n\n \n", "i", {}, k24},
      {"1", "ii", {}, k24},
      {"1,", "ii", {}, k24},
      {"1 2", "", {}},
  };
  for (const Case& c : cases) Check(c);
}

TEST(FreeFormRead, RepeatCounts) {
  const Case cases[] = {
      {"2*7.5", "dd", {7.5, 7.5}},
      {"2* 5", "iii", {U, U, 5}},
      {"2*,5", "iii", {U, U, 5}},
      {"2*\n5", "iii", {U, U, 5}},
      {"2*", "ii", {U, U}},
      {"2*/", "iii", {U, U, U}},
      {"1*3 4", "ii", {3, 4}},
      {"3*1", "ii", {1, 1}},
      {"01*5", "i", {5}},
      {"99999999999999999999*5", "ii", {5, 5}},
      {"2*1.5", "id", {1, 1.5}},
      {"2*T", "id", {-1, -1.0}},
      {"1,2*,4", "iiii", {1, U, U, 4}},
      {"0*5", "i", {}, k59},
      {"00*5", "i", {}, k59},
      {"*5", "i", {}, k59},
      {"2**5", "i", {}, k59},
      {"-2*5", "i", {}, k59},
      {"1.5*2", "i", {}, k59},
      {"2*-", "i", {}, k59},
      {"2*3*4", "i", {}, k59},
      {"2*'a'", "i", {}, k64},
      {"2*40000", "ii", {}, k64},
  };
  for (const Case& c : cases) Check(c);
}

TEST(FreeFormRead, IntegerItems) {
  const Case cases[] = {
      {"32767", "i", {32767}},
      {"-32768", "i", {-32768}},
      {"+12", "i", {12}},
      {"-0", "i", {0}},
      {"0000000000000000000000000000042", "i", {42}},
      {"-000032768", "i", {-32768}},
      {"1.9", "i", {1}},
      {"1.5", "i", {1}},
      {"-2.7", "i", {-2}},
      {"-0.5", "i", {0}},
      {"2E1", "i", {20}},
      {"2e-1", "i", {0}},
      {"32767.99", "i", {32767}},
      {"-32768.99", "i", {-32768}},
      {"5.", "i", {5}},
      {"1e-400", "i", {0}},
      {"32768", "i", {}, k64},
      {"-32769", "i", {}, k64},
      {"100000", "i", {}, k64},
      {"99999999999999999999999999", "i", {}, k64},
      {"32768.0", "i", {}, k64},
      {"-32769.0", "i", {}, k64},
      {"4E4", "i", {}, k64},
      {"1e400", "i", {}, k64},
  };
  for (const Case& c : cases) Check(c);
}

TEST(FreeFormRead, RealSyntax) {
  const Case cases[] = {
      {"1.5D2", "d", {150.0}}, {"1.5d2", "d", {150.0}},   {"1.5Q2", "d", {150.0}},
      {"1.5q2", "d", {150.0}}, {"1.5E+2", "d", {150.0}},  {"15000e-2", "d", {150.0}},
      {"150", "d", {150.0}},   {"5", "f", {5.0}},         {"-.5", "d", {-0.5}},
      {"+.5", "d", {0.5}},     {"5.", "d", {5.0}},        {"5.e1", "d", {50.0}},
      {".5D-1", "d", {0.05}},  {"-0", "d", {-0.0}},       {"-0.0", "f", {-0.0}},
      {"1.5.2", "d", {}, k59}, {"1O", "d", {}, k59},      {"E5", "d", {}, k59},
      {"- 5", "d", {}, k59},   {"5-", "d", {}, k59},      {".", "d", {}, k59},
      {"+", "d", {}, k59},     {"-", "d", {}, k59},       {"+-5", "d", {}, k59},
      {"--5", "d", {}, k59},   {".e5", "d", {}, k59},     {"-.e5", "d", {}, k59},
      {"1e", "d", {}, k59},    {"1e+", "d", {}, k59},     {"1e+-2", "d", {}, k59},
      {"1+2", "d", {}, k59},   {"1e5e5", "d", {}, k59},   {"1e5.", "d", {}, k59},
      {"1..2", "d", {}, k59},  {"1x", "d", {}, k59},      {"inf", "d", {}, k59},
      {"nan", "d", {}, k59},   {"0x10", "d", {}, k59},    {"1,5e", "dd", {}, k59},
      {"'1.5'", "d", {}, k64}, {"\"1.5\"", "f", {}, k64}, {"'", "i", {}, k64},
  };
  for (const Case& c : cases) Check(c);
}

TEST(FreeFormRead, LogicalValues) {
  const Case cases[] = {
      {"T/", "idf", {-1, U, U}},
      {"T F .TRUE.", "idf", {-1, 0.0, -1.0}},
      {".false. t .t", "idf", {0, -1.0, -1.0}},
      {"Txyz,Fuzzy", "dd", {-1.0, 0.0}},
      {".F", "f", {0.0}},
      {"T1.5e", "i", {-1}},
      {"+T", "i", {}, k59},
      {"-.T", "d", {}, k59},
      {"..T", "d", {}, k59},
  };
  for (const Case& c : cases) Check(c);
}

TEST(FreeFormRead, HardConversions) {
  const Case cases[] = {
      // 64-bit: halfway values round to even; subnormals; the largest finite.
      {"0.1", "d", {0x1.999999999999ap-4}},
      {"9007199254740993", "d", {0x1p53}},
      {"9007199254740995", "d", {0x1.0000000000002p53}},
      {"2.2250738585072011e-308", "d", {0x0.fffffffffffffp-1022}},
      {"2.2250738585072012e-308", "d", {0x1p-1022}},
      {"4.9e-324", "d", {0x0.0000000000001p-1022}},
      {"2.4703282292062328e-324", "d", {0x0.0000000000001p-1022}},
      {"2.4703282292062327e-324", "d", {0.0}},
      {"-1e-400", "d", {-0.0}},
      {"1e-99999999999999999999", "d", {0.0}},
      {"0e99999999999999999999", "d", {0.0}},
      {"1.7976931348623157e308", "d", {0x1.fffffffffffffp1023}},
      {"1.7976931348623158e308", "d", {0x1.fffffffffffffp1023}},
      {"-1.7976931348623158D308", "d", {-0x1.fffffffffffffp1023}},
      {"1.7976931348623159e308", "d", {}, k64},
      {"1e309", "d", {}, k64},
      {"-1e309", "d", {}, k64},
      {"1e99999999999999999999", "d", {}, k64},
      // 32-bit, straight from the decimal: through a double first, these
      // three would round twice and come out one step off (or infinite).
      {"7.038531e-26", "f", {0x1.5c87fap-84}},
      {"1.00000017881393432617187499", "f", {0x1.000002p0}},
      {"3.4028235677973366e38", "f", {0x1.fffffep127}},
      {"0.1", "f", {0x1.99999ap-4}},
      {"16777217", "f", {0x1p24}},
      {"16777219", "f", {0x1.000004p24}},
      {"1.17549435e-38", "f", {0x1p-126}},
      {"1.4e-45", "f", {0x1p-149}},
      {"7.006492321624086e-46", "f", {0x1p-149}},
      {"7.006492321624085e-46", "f", {0.0}},
      {"-1e-50", "f", {-0.0}},
      {"3.4028236e38", "f", {}, k64},
      {"1e39", "f", {}, k64},
      {"-1e39", "f", {}, k64},
  };
  for (const Case& c : cases) Check(c);
}

// 2^-1075, halfway between 0 and the smallest subnormal, written out in
// full: 1077 characters, longer than a value can be kept whole in a small
// buffer.
std::string HalfOfSmallestSubnormal() {
  // 2^-1075 = 5^1075 / 10^1075; 5^1075 by long multiplication.
  std::vector<int> digits{1};  // least significant first
  for (int n = 0; n < 1075; ++n) {
    int carry = 0;
    for (int& d : digits) {
      const int v = d * 5 + carry;
      d = v % 10;
      carry = v / 10;
    }
    while (carry > 0) {
      digits.push_back(carry % 10);
      carry /= 10;
    }
  }
  std::string text = "0." + std::string(1075 - digits.size(), '0');
  for (auto d = digits.rbegin(); d != digits.rend(); ++d) text += static_cast<char>('0' + *d);
  return text;
}

TEST(FreeFormRead, ValuesLongerThanAnyBuffer) {
  const std::string half = HalfOfSmallestSubnormal();
  const std::string zeros(100000, '0');
  const Case cases[] = {
      {half, "d", {0.0}},  // exactly halfway: ties to even
      {half + "0000000000000000000001", "d", {0x0.0000000000001p-1022}},
      {"-" + half + zeros + "1", "d", {-0x0.0000000000001p-1022}},
      {"1.00000000000000011102230246251565404236316680908203125", "d", {1.0}},  // 1 + 2^-53
      {"1.00000000000000011102230246251565404236316680908203125" + zeros + "1",
       "d",
       {0x1.0000000000001p0}},
      {"0." + zeros + "1e100005", "d", {10000.0}},
      {"1" + zeros + "e-100000", "d", {1.0}},
      {"1" + zeros + "e-100002", "f", {0x1.47ae14p-7}},  // 0.01
      {zeros + "7", "i", {7}},
      {"-" + zeros + "32768", "i", {-32768}},
      {zeros + ".9", "i", {0}},
      {"2*" + zeros + "3.5", "id", {3, 3.5}},
      {"0." + zeros, "d", {0.0}},
      {"1e" + zeros + "5", "d", {100000.0}},
      {"T" + zeros, "i", {-1}},
      {"1" + zeros, "i", {}, k64},
      {"1" + zeros, "d", {}, k64},
      {"1" + zeros + ".5", "f", {}, k64},
      {"1e" + zeros + "400", "d", {}, k64},
      {zeros + "x", "d", {}, k59},
      {zeros + "*5", "i", {}, k59},
      {zeros + "1.5.", "d", {}, k59},
  };
  for (const Case& c : cases) Check(c);
}

// Every 16-bit value, as an integer and as a real to truncate, in one unit:
// each read takes its own record.
TEST(FreeFormRead, EveryInt16AndItsNeighbours) {
  std::string text;
  for (int v = -32768; v <= 32767; ++v) text += std::to_string(v) + "\n";
  for (int v = -32768; v <= 32767; ++v) {
    text += std::to_string(v);
    text += ".75 junk\n";
  }
  for (std::size_t size : {InputUnit::kBufferSize, std::size_t{3}}) {
    InputUnit unit(kModelUnit, text, size);
    int mismatches = 0;
    for (int pass = 0; pass < 2; ++pass) {
      for (int v = -32768; v <= 32767; ++v) {
        std::int16_t value = 0;
        ReadItem item(value);
        const Failure failure = FreeFormRead(unit, {&item, 1});
        if (failure.failed() || value != v) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0) << "buffer " << size;
  }
  const Case neighbours[] = {
      {"32768", "i", {}, k64},        {"-32769", "i", {}, k64},         {"+32768", "i", {}, k64},
      {"65535", "i", {}, k64},        {"65536", "i", {}, k64},          {"-65536", "i", {}, k64},
      {"2147483648", "i", {}, k64},   {"32768.", "i", {}, k64},         {"-32769.", "i", {}, k64},
      {"32767.999999", "i", {32767}}, {"-32768.999999", "i", {-32768}},
  };
  for (const Case& c : neighbours) Check(c);
}

TEST(FreeFormRead, LineOfEachValue) {
  for (std::size_t size : kBufferSizes) {
    const Result r = ReadOnce("\n\n1,\n\n2*5\r\n\n,,,7", "iiiiii", size);
    ASSERT_FALSE(r.failure.failed());
    EXPECT_EQ(r.lines, (std::vector<std::int64_t>{3, 5, 5, 0, 0, 7})) << "buffer " << size;
  }
}

TEST(FreeFormRead, EachReadBeginsAtTheNextRecord) {
  for (std::size_t size : kBufferSizes) {
    InputUnit unit(kModelUnit, std::string_view("3 4\n5 /6\n\n7\n8 9,\n10\n11 12"), size);
    std::int16_t a = 0, b = 0;
    ReadItem one(a);
    ReadItem two[] = {ReadItem(a), ReadItem(b)};
    EXPECT_FALSE(FreeFormRead(unit, {&one, 1}).failed());
    EXPECT_EQ(a, 3);
    EXPECT_FALSE(FreeFormRead(unit, two).failed());  // the slash: b unchanged
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 0);
    EXPECT_FALSE(FreeFormRead(unit, {&one, 1}).failed());  // the empty line is skipped
    EXPECT_EQ(a, 7);
    EXPECT_EQ(unit.line(), 4);
    EXPECT_FALSE(FreeFormRead(unit, {}).failed());  // takes the line "8 9,"
    EXPECT_FALSE(FreeFormRead(unit, {&one, 1}).failed());
    EXPECT_EQ(a, 10);
    EXPECT_FALSE(FreeFormRead(unit, two).failed());
    EXPECT_EQ(b, 12);  // the last line has no line end
    EXPECT_EQ(FreeFormRead(unit, {}).number, ErrorNumber::kEndOfFile);
    EXPECT_EQ(FreeFormRead(unit, {&one, 1}).number, ErrorNumber::kEndOfFile);
  }
}

TEST(FreeFormRead, EmptyReadTakesOneRecordWhateverItHolds) {
  const struct {
    std::string_view text;
    int takes;  // empty reads that succeed before 24
  } cases[] = {
      {"", 0}, {"\n", 1}, {"x", 1}, {"\n\n", 2}, {"'unclosed\n1*2,3/\n", 2}, {"\r\n\r\n", 2},
  };
  for (const auto& c : cases) {
    InputUnit unit(kConsoleUnit, c.text, 2);
    for (int k = 0; k < c.takes; ++k) EXPECT_FALSE(FreeFormRead(unit, {}).failed()) << c.text;
    const Failure end = FreeFormRead(unit, {});
    EXPECT_EQ(end.number, ErrorNumber::kEndOfFile) << c.text;
    EXPECT_EQ(end.unit, kConsoleUnit);
  }
}

struct TextCase {
  std::string text;
  std::string expected;  // the 8-character variable after the read
  ErrorNumber error = ErrorNumber::kNone;
  std::int64_t line = 1;
};

TEST(FreeFormRead, TextItems) {
  const std::string a2048(2048, 'a');
  const std::string a2049(2049, 'a');
  const TextCase cases[] = {
      {"ponte", "ponte   "},
      {"  ponte  \r\n", "ponte   "},
      {"\n\n\tponte", "ponte   ", ErrorNumber::kNone, 3},
      {"ponte 1", "ponte   "},
      {"ab,cd", "ab      "},
      {"ab/cd", "ab      "},
      {"ab\tcd", "ab      "},
      {"a'b\"c", "a'b\"c   "},
      {"2*x", "2*x     "},
      {"abcdefghijkl", "abcdefgh"},
      {"'ponte 1'", "ponte 1 "},
      {"\"a, b/c\"", "a, b/c  "},
      {"'it''s'", "it's    "},
      {"\"say \"\"hi\"\"\"", "say \"hi\""},
      {"'a\"b'", "a\"b     "},
      {"'ab\ncd'", "abcd    "},
      {"'ab\r\n\r\ncd'x", "abcd    "},
      {"''", "        "},
      {"''''", "'       "},
      {",ponte", "????????"},
      {"/", "????????"},
      {a2049, "aaaaaaaa"},
      {"'" + a2049 + "'", "aaaaaaaa"},
      {"'" + a2048 + "'''", "aaaaaaaa"},
      {a2049 + "a", "", ErrorNumber::kSyntaxError},
      {"'" + a2049 + "a'", "", ErrorNumber::kSyntaxError},
      {"'" + a2049 + "''", "", ErrorNumber::kSyntaxError},
      {"'ponte", "", ErrorNumber::kEndOfFile},
      {"'ponte\n", "", ErrorNumber::kEndOfFile},
      {"", "", ErrorNumber::kEndOfFile},
      {"\n \n", "", ErrorNumber::kEndOfFile},
  };
  for (const TextCase& c : cases) {
    for (std::size_t size : kBufferSizes) {
      std::string text(8, '?');
      ReadItem item(text.data(), text.size());
      InputUnit unit(kConsoleUnit, c.text, size);
      const Failure failure = FreeFormRead(unit, {&item, 1});
      const std::string where = c.text.substr(0, 20) + " buffer " + std::to_string(size);
      EXPECT_EQ(failure.number, c.error) << where;
      if (c.error != ErrorNumber::kNone) continue;
      EXPECT_EQ(text, c.expected) << where;
      if (c.expected != "????????") {
        EXPECT_EQ(item.line, c.line) << where;
      }
    }
  }
}

// A refused read is 39 for the unit, wherever it happens.
TEST(FreeFormRead, RefusedReadIs39) {
  const std::string path = ::testing::TempDir() + "quivor_refused_read.txt";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("1 2\n", file);
  std::fclose(file);
  platform::OpenResult opened = platform::OpenForReading(path, kModelUnit);
  ASSERT_FALSE(opened.failure.failed());
  {
    InputUnit unit(kModelUnit, opened.file);
    std::int16_t value = 0;
    ReadItem item(value);
    platform::SimulateFailure(platform::Operation::kRead, 5);
    const Failure failure = FreeFormRead(unit, {&item, 1});
    EXPECT_EQ(failure.number, ErrorNumber::kReadError);
    EXPECT_EQ(failure.unit, kModelUnit);
    EXPECT_EQ(failure.systemError, 5);
    EXPECT_EQ(FreeFormRead(unit, {&item, 1}).number, ErrorNumber::kReadError);
  }
  platform::ClearSimulatedFailures();
  platform::CloseFile(opened.file);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace quivor
