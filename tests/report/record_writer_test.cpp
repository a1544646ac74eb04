// Record rules: the I, F and A fields, the free-form fields, the 80-column
// rule, and the file and console units with their write failures.
#include "report/record_writer.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace quivor {
namespace {

// The record without its CR LF; fails the test when the terminator is missing.
std::string WithoutRecordEnd(const std::string& written) {
  EXPECT_GE(written.size(), 2u);
  EXPECT_EQ(written.substr(written.size() - 2), "\r\n") << written;
  return written.substr(0, written.size() - 2);
}

std::string Formatted(std::initializer_list<EditDescriptor> format,
                      std::initializer_list<FormatItem> items) {
  std::string written;
  TextOutputUnit unit(written);
  WriteFormattedRecord(unit, std::span(format.begin(), format.size()), items);
  return WithoutRecordEnd(written);
}

std::string FreeForm(std::initializer_list<FreeItem> items) {
  std::string written;
  TextOutputUnit unit(written);
  WriteFreeFormRecord(unit, items);
  return written;
}

// The 15 columns of a 32-bit real in a free-form record, taken from behind a
// one-letter text.
std::string FreeFormReal(float value) {
  std::string record = WithoutRecordEnd(FreeForm({"x", value}));
  EXPECT_EQ(record.substr(0, 2), " x");
  return record.substr(2);
}

TEST(FixedField, Table) {
  struct Case {
    double value;
    int width;
    int decimals;
    const char* expected;
  } cases[] = {
      // The examples of the record rules.
      {5.0, 6, 2, "  5.00"},
      {-7.0711, 6, 2, " -7.07"},
      {0.5, 6, 2, "  0.50"},
      {-0.004, 6, 2, "  0.00"},
      {0.125, 6, 2, "  0.12"},
      {0.375, 6, 2, "  0.38"},
      {999.994, 6, 2, "999.99"},
      {999.996, 6, 2, "******"},
      {-99.99, 6, 2, "-99.99"},
      {-100.0, 6, 2, "******"},
      {-100.0, 7, 2, "-100.00"},
      {123.456, 7, 2, " 123.46"},
      // Edges: 999.995 and -99.995 lie just above the tie in binary.
      {999.995, 6, 2, "******"},
      {999.995, 7, 2, "1000.00"},
      {-99.994, 6, 2, "-99.99"},
      {-99.995, 6, 2, "******"},
      {-99.995, 7, 2, "-100.00"},
      {9999.994, 7, 2, "9999.99"},
      {9999.996, 7, 2, "*******"},
      // No minus on a value that rounds to zero; -0.005 lies beyond the tie.
      {-0.001, 6, 2, "  0.00"},
      {-0x0p+0, 6, 2, "  0.00"},
      {-0x1p-1074, 6, 2, "  0.00"},
      {-1.1e-15, 6, 2, "  0.00"},
      {-0.005, 6, 2, " -0.01"},
      {-0.0049, 6, 2, "  0.00"},
      {-0.4, 3, 0, " 0."},
      // Exact binary ties go to the even digit, at every position.
      {0x1p-1, 4, 0, "  0."},     // 0.5
      {0x3p-1, 4, 0, "  2."},     // 1.5
      {0x5p-1, 4, 0, "  2."},     // 2.5
      {-0x5p-1, 4, 0, " -2."},    // -2.5
      {0x1p-2, 5, 1, "  0.2"},    // 0.25
      {0x3p-2, 5, 1, "  0.8"},    // 0.75
      {-0x3p-2, 5, 1, " -0.8"},   // -0.75
      {0x1p-3, 6, 2, "  0.12"},   // 0.125
      {0x3p-3, 6, 2, "  0.38"},   // 0.375
      {0x5p-3, 6, 2, "  0.62"},   // 0.625
      {0x7p-3, 6, 2, "  0.88"},   // 0.875
      {-0x1p-3, 6, 2, " -0.12"},  // -0.125
      {0x1p-4, 6, 3, " 0.062"},   // 0.0625
      {0x3p-4, 6, 3, " 0.188"},   // 0.1875
      {0x1p-5, 7, 4, " 0.0312"},  // 0.03125
      {0x3p-5, 7, 4, " 0.0938"},  // 0.09375
      {999.125, 6, 2, "999.12"},
      {12.375, 6, 2, " 12.38"},
      // Decimal-looking ties that are not ties in binary.
      {0.005, 6, 2, "  0.01"},
      {0.015, 6, 2, "  0.01"},
      {0.045, 6, 2, "  0.04"},
      {1.005, 6, 2, "  1.00"},
      {2.675, 6, 2, "  2.67"},
      // The point of Fw.0, and wide values.
      {7.0, 3, 0, " 7."},
      {1e300, 7, 2, "*******"},
      {-1e300, 7, 2, "*******"},
      {0x1p-1074, 6, 2, "  0.00"},
      {20.0, 6, 2, " 20.00"},
      {14.142135623730951, 6, 2, " 14.14"},
      {2.382, 7, 2, "   2.38"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Formatted({F(c.width, c.decimals)}, {c.value}), c.expected)
        << c.value << " F" << c.width << "." << c.decimals;
  }
}

// Every fixed field rounds exactly from the binary value, ties to even: the
// same text as to_chars, with "-" dropped when the value rounds to zero and
// the point kept for Fw.0. Random values on both sides of 1e12 (where the
// integer rounding hands over to to_chars), exact binary ties, and the
// neighbours of decimal-looking ties.
std::string ExactFixed(double value, int decimals) {
  char text[64];
  char* end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  if (decimals == 0) *end++ = '.';
  std::string field(text, end);
  if (field[0] == '-' && field.find_first_not_of("-0.") == std::string::npos) field.erase(0, 1);
  return std::string(40 - field.size(), ' ') + field;
}

TEST(FixedField, AgreesWithExactRoundingEverywhere) {
  std::mt19937_64 random(20261208);
  std::vector<double> values = {0.0, -0.0, 1e12, -1e12, std::nextafter(1e12, 0.0), 0x1p-1074};
  for (int i = 0; i < 20000; ++i) {
    // Any mantissa, a magnitude between 2^-70 and 2^45, either sign.
    const std::uint64_t exponent = 1023 - 70 + random() % 116;
    values.push_back(std::bit_cast<double>((random() & ((std::uint64_t{1} << 52) - 1)) |
                                           (exponent << 52) | (random() & 1) << 63));
    // n / 2^j: ties at every decimal position.
    const double tie =
        std::ldexp(static_cast<double>(random() % (1 << 24)), -static_cast<int>(random() % 24));
    values.push_back(random() & 1 ? -tie : tie);
    // Just around (m + 1/2) / 10^d.
    const double decimal =
        (static_cast<double>(random() % 2000000) + 0.5) / std::pow(10.0, random() % 5);
    values.push_back(std::nextafter(decimal, 0.0));
    values.push_back(decimal);
    values.push_back(std::nextafter(decimal, 1e300));
  }
  for (int decimals = 0; decimals <= 4; ++decimals) {
    for (double value : values) {
      ASSERT_EQ(Formatted({F(40, decimals)}, {value}), ExactFixed(value, decimals))
          << std::hexfloat << value << " F40." << decimals;
    }
  }
}

TEST(FixedField, NonFiniteValues) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double nan = std::nan("");
  struct Case {
    double value;
    int width;
    const char* expected;
  } cases[] = {
      {nan, 6, "   NaN"},    {-nan, 6, "   NaN"},     {nan, 3, "NaN"},        {nan, 2, "**"},
      {kInf, 8, "Infinity"}, {kInf, 9, " Infinity"},  {kInf, 7, "    Inf"},   {kInf, 3, "Inf"},
      {kInf, 2, "**"},       {-kInf, 9, "-Infinity"}, {-kInf, 8, "    -Inf"}, {-kInf, 6, "  -Inf"},
      {-kInf, 4, "-Inf"},    {-kInf, 3, "***"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Formatted({F(c.width, 2)}, {c.value}), c.expected) << c.value << " F" << c.width;
  }
}

TEST(IntegerField, Table) {
  struct Case {
    std::int32_t value;
    int width;
    const char* expected;
  } cases[] = {
      {7, 3, "  7"},
      {-45, 3, "-45"},
      {-100, 3, "***"},
      {0, 1, "0"},
      {10, 1, "*"},
      {1000, 3, "***"},
      {-1, 1, "*"},
      {999, 3, "999"},
      {-99, 3, "-99"},
      {12, 1, "*"},
      {9, 1, "9"},
      {40000, 3, "***"},
      {40000, 7, "  40000"},
      {std::numeric_limits<std::int32_t>::max(), 7, "*******"},
      {std::numeric_limits<std::int32_t>::min(), 11, "-2147483648"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Formatted({I(c.width)}, {c.value}), c.expected) << c.value << " I" << c.width;
  }
}

// Every 16-bit value through I3 and I7, formatted and free-form, against its
// decimal text.
TEST(IntegerField, Every16BitValue) {
  std::string formatted;
  std::string freeForm;
  {
    TextOutputUnit formattedUnit(formatted);
    TextOutputUnit freeFormUnit(freeForm);
    constexpr EditDescriptor kFormat[] = {I(3), X(1), I(7)};
    for (int v = -32768; v <= 32767; ++v) {
      const auto value = static_cast<std::int16_t>(v);
      WriteFormattedRecord(formattedUnit, kFormat, {value, value});
      WriteFreeFormRecord(freeFormUnit, {"", value});
    }
  }
  std::string expectedFormatted;
  std::string expectedFreeForm;
  for (int v = -32768; v <= 32767; ++v) {
    std::string digits = std::to_string(v);
    std::string i3 = digits.size() <= 3 ? std::string(3 - digits.size(), ' ') + digits : "***";
    std::string i7 = std::string(7 - digits.size(), ' ') + digits;
    expectedFormatted += i3 + " " + i7 + "\r\n";
    expectedFreeForm += " " + i7 + "\r\n";
  }
  EXPECT_TRUE(formatted == expectedFormatted);
  EXPECT_TRUE(freeForm == expectedFreeForm);
}

TEST(TextField, Table) {
  EXPECT_EQ(Formatted({A(52)}, {" PESO TOTAL DA TRELICA EM FIOS DE ESPAGUETE (g): "}),
            "    PESO TOTAL DA TRELICA EM FIOS DE ESPAGUETE (g): ");
  EXPECT_EQ(Formatted({A(5)}, {"abc"}), "  abc");
  EXPECT_EQ(Formatted({A(3)}, {"abc"}), "abc");
  EXPECT_EQ(Formatted({A(2)}, {"abc"}), "ab");
  EXPECT_EQ(Formatted({A(2)}, {""}), "  ");
}

TEST(FormattedRecord, SkipsAndFieldsInColumns) {
  EXPECT_EQ(Formatted({X(1), I(3), X(3), F(6, 2), X(8), F(6, 2)}, {std::int16_t{3}, 10.0, 10.0}),
            "   3    10.00         10.00");
  EXPECT_EQ(
      Formatted({X(2), I(3), X(7), F(6, 2), X(12), F(6, 2), X(15), I(3), X(6), F(7, 2)},
                {std::int16_t{2}, 14.142135623730951, -7.0710678118654755, 11, 6.175903916449312}),
      "    2        14.14             -7.07                11         6.18");
  // No leading blank, and a trailing skip adds no blanks.
  EXPECT_EQ(Formatted({I(1), X(4)}, {0}), "0");
  EXPECT_EQ(Formatted({}, {}), "");
}

TEST(FreeFormReal, Table) {
  struct Case {
    float value;
    const char* expected;
  } cases[] = {
      // Examples of the record rules.
      {2.0f, "   2.000000    "},
      {1.5f, "   1.500000    "},
      {12.25f, "   12.25000    "},
      {0.5f, "  0.5000000    "},
      {-3.2f, "  -3.200000    "},
      {123.0f, "   123.0000    "},
      {0.0625f, "  6.2500000E-02"},
      {-0.001f, " -1.0000000E-03"},
      {0.0f, "  0.0000000E+00"},
      {-0.0f, "  0.0000000E+00"},
      {1.0f, "   1.000000    "},
      // Both sides of 0.1: the float 0.1 and the float just below it.
      {0.1f, "  0.1000000    "},
      {0x1.999998p-4f, "  9.9999994E-02"},
      {-0x1.999998p-4f, " -9.9999994E-02"},
      // Both sides of ten million.
      {9999999.0f, "   9999999.    "},
      {-9999999.0f, "  -9999999.    "},
      {10000000.0f, "  1.0000000E+07"},
      {1234567.5f, "   1234568.    "},  // a tie at the seventh digit: to even
      {1234568.5f, "   1234568.    "},
      // Floats are too coarse to round up to a power of ten at seven digits.
      {0x1.3ffffep+3f, "   9.999999    "},   // 9.99999905
      {0x1.869ffep+16f, "   99999.99    "},  // 99999.9921875
      {0x1p-12f, "  2.4414062E-04"},         // 0.000244140625: a tie at the eighth digit
      {0x3p-12f, "  7.3242188E-04"},         // 0.000732421875
      {123456789.0f, "  1.2345679E+08"},
      {std::numeric_limits<float>::max(), "  3.4028235E+38"},
      {std::numeric_limits<float>::denorm_min(), "  1.4012985E-45"},
      {std::numeric_limits<float>::infinity(), "       Infinity"},
      {-std::numeric_limits<float>::infinity(), "      -Infinity"},
      {std::numeric_limits<float>::quiet_NaN(), "            NaN"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FreeFormReal(c.value), c.expected) << c.value;
  }
}

TEST(FreeFormRecord, EightyColumnRule) {
  const std::string_view text31 = "  NOME DO ARQUIVO DE TRABALHO: ";
  const std::string name50 = "TESTE" + std::string(45, ' ');
  const std::string_view text36 =
      " Coeficiente de seguran\xE7"
      "a \xE0 tra\xE7\xE3o: ";
  ASSERT_EQ(text31.size(), 31u);
  ASSERT_EQ(text36.size(), 36u);
  const std::string text79_(79, 'a');
  const std::string text40_(40, 'b');
  const std::string text39_(39, 'c');
  const std::string_view text79 = text79_, text40 = text40_, text39 = text39_, name = name50;
  const std::string d75(75, 'd');
  struct Case {
    std::string written;
    std::string expected;
  } cases[] = {
      {FreeForm({}), " \r\n"},
      {FreeForm({"abc"}), " abc\r\n"},
      {FreeForm({"  (+)=>TRACAO"}), "   (+)=>TRACAO\r\n"},
      {FreeForm({text79}), " " + text79_ + "\r\n"},
      {FreeForm({text31, name}), " " + std::string(text31) + "\r\n " + name50 + "\r\n"},
      {FreeForm({text36, 2.0f}), " " + std::string(text36) + "   2.000000    \r\n"},
      {FreeForm({" Carregamento", std::int16_t{2}}), "  Carregamento      2\r\n"},
      // Exactly 80 columns fit; one more goes to the next record.
      {FreeForm({text40, text39}), " " + text40_ + text39_ + "\r\n"},
      {FreeForm({text40, text40}), " " + text40_ + "\r\n " + text40_ + "\r\n"},
      {FreeForm({"a", "b", "c"}), " abc\r\n"},
      // A 53-character text and a 50-character name: the closing notice.
      {FreeForm({"  * ATENCAO! OS RESULTADOS ESTAO CONTIDOS NO ARQUIVO ", name}),
       "   * ATENCAO! OS RESULTADOS ESTAO CONTIDOS NO ARQUIVO \r\n " + name50 + "\r\n"},
      // Trailing blanks of a text are kept.
      {FreeForm({"x   "}), " x   \r\n"},
      // A numeric field that does not fit moves to the next record too.
      {FreeForm({std::string_view(d75), std::int16_t{5}}), " " + d75 + "\r\n       5\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.written, c.expected);
}

TEST(FreeFormRecord, AccentedLettersAreSingleBytes) {
  const std::string written =
      FreeForm({" Rea\xE7\xF5"
                "es nodais \xE0\xE3"});
  EXPECT_EQ(written,
            "  Rea\xE7\xF5"
            "es nodais \xE0\xE3\r\n");
  EXPECT_EQ(written.size(), 21u);
}

// A file unit in a fresh temporary folder, removed afterwards.
class FileUnitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("quivor-report-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".rtf");
  }
  void TearDown() override {
    platform::ClearSimulatedFailures();
    std::filesystem::remove(path_);
  }
  std::string Contents() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::path path_;
};

TEST_F(FileUnitTest, RecordsReachTheFileWhenFlushed) {
  platform::OpenResult opened = platform::CreateForWriting(path_.string(), kResultsUnit);
  ASSERT_FALSE(opened.failure.failed());
  std::string expected;
  {
    TextOutputUnit unit(kResultsUnit, opened.file);
    // More than one buffer's worth, so that blocks go out before the flush.
    for (int i = 0; i < 5000; ++i) {
      WriteFreeFormRecord(unit, {" Carregamento", static_cast<std::int16_t>(i)});
      expected += std::string("  Carregamento") + std::string(7 - std::to_string(i).size(), ' ') +
                  std::to_string(i) + "\r\n";
    }
    EXPECT_FALSE(unit.Flush().failed());
    EXPECT_FALSE(unit.failure().failed());
  }
  platform::CloseFile(opened.file);
  EXPECT_TRUE(Contents() == expected);
}

TEST_F(FileUnitTest, FirstWriteFailureIsKeptAndNothingFollows) {
  platform::OpenResult opened = platform::CreateForWriting(path_.string(), kResultsUnit);
  ASSERT_FALSE(opened.failure.failed());
  {
    TextOutputUnit unit(kResultsUnit, opened.file);
    WriteFreeFormRecord(unit, {"first"});
    platform::SimulateFailure(platform::Operation::kWrite, ENOSPC);
    Failure failure = unit.Flush();
    EXPECT_EQ(failure.number, ErrorNumber::kWriteError);
    EXPECT_EQ(failure.unit, kResultsUnit);
    EXPECT_EQ(failure.systemError, ENOSPC);
    // The system would take these now; the unit must not write them.
    WriteFreeFormRecord(unit, {"second"});
    WriteFormattedRecord(unit, std::vector{I(3)}, {7});
    failure = unit.Flush();
    EXPECT_EQ(failure.number, ErrorNumber::kWriteError);
    EXPECT_EQ(failure.systemError, ENOSPC);
    EXPECT_EQ(unit.failure().systemError, ENOSPC);
  }
  platform::CloseFile(opened.file);
  EXPECT_EQ(Contents(), "");
}

TEST_F(FileUnitTest, BlocksWrittenBeforeTheFailureStay) {
  platform::OpenResult opened = platform::CreateForWriting(path_.string(), kResultsUnit);
  ASSERT_FALSE(opened.failure.failed());
  const std::string record(78, 'r');
  std::size_t written = 0;
  {
    TextOutputUnit unit(kResultsUnit, opened.file);
    // Fill the buffer until the first block has gone out, then fail the next.
    while (Contents().empty()) {
      WriteFreeFormRecord(unit, {std::string_view(record)});
      written += record.size() + 3;
    }
    platform::SimulateFailure(platform::Operation::kWrite, EIO);
    for (int i = 0; i < 2000; ++i) WriteFreeFormRecord(unit, {std::string_view(record)});
    EXPECT_EQ(unit.failure().systemError, EIO);
    EXPECT_EQ(unit.Flush().systemError, EIO);
  }
  platform::CloseFile(opened.file);
  std::string contents = Contents();
  EXPECT_GT(contents.size(), 0u);
  EXPECT_LT(contents.size(), written);
  EXPECT_EQ(contents.size() % (record.size() + 3), 0u);
}

TEST(FileUnit, FullDiskReportsTheSystemError) {
  platform::OpenResult opened = platform::CreateForWriting("/dev/full", kResultsUnit);
  if (opened.failure.failed()) GTEST_SKIP() << "no /dev/full";
  TextOutputUnit unit(kResultsUnit, opened.file);
  WriteFreeFormRecord(unit, {"x"});
  Failure failure = unit.Flush();
  // The system's own code for a full disk (ENOSPC, ERROR_DISK_FULL) comes
  // through the unit unchanged.
  Failure direct = platform::WriteBytes(opened.file, "x", 1, kResultsUnit);
  platform::CloseFile(opened.file);
  EXPECT_EQ(failure.number, ErrorNumber::kWriteError);
  EXPECT_EQ(failure.unit, kResultsUnit);
  EXPECT_NE(failure.systemError, 0);
  EXPECT_EQ(failure.systemError, direct.systemError);
}

TEST(ConsoleUnit, EachRecordGoesOutWhenComplete) {
  std::FILE* capture = std::tmpfile();
  ASSERT_NE(capture, nullptr);
  std::fflush(stdout);
  const int saved = ::dup(STDOUT_FILENO);
  ::dup2(::fileno(capture), STDOUT_FILENO);
  std::vector<off_t> sizes;
  {
    TextOutputUnit console = TextOutputUnit::Console();
    WriteFreeFormRecord(console,
                        {"Digite o nome do arquivo contendo os dados do modelo analisado:"});
    sizes.push_back(::lseek(STDOUT_FILENO, 0, SEEK_CUR));
    WriteFreeFormRecord(console, {});
    sizes.push_back(::lseek(STDOUT_FILENO, 0, SEEK_CUR));
  }
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  std::rewind(capture);
  std::string shown(100, '\0');
  shown.resize(std::fread(shown.data(), 1, shown.size(), capture));
  std::fclose(capture);
  EXPECT_EQ(shown, " Digite o nome do arquivo contendo os dados do modelo analisado:\r\n \r\n");
  EXPECT_EQ(sizes, (std::vector<off_t>{66, 69}));
}

}  // namespace
}  // namespace quivor
