// The conversions over strtod and printf against the C++ library's own
// std::to_chars and std::from_chars, character for character: the same
// text, the same end and the same error on every value below.
#include "platform/float_chars.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace quivor::platform {
namespace {

constexpr std::size_t kBuffer = 1200;  // the fixed form of the smallest subnormal fits

struct Result {
  std::string text;
  std::errc error;
};

template <class Convert>
Result Converted(Convert convert, std::size_t room = kBuffer) {
  std::vector<char> buffer(room + 1, '#');
  const std::to_chars_result result = convert(buffer.data(), buffer.data() + room);
  return {std::string(buffer.data(), result.ptr), result.ec};
}

void ExpectSame(const Result& ours, const Result& library, double value, const char* what) {
  EXPECT_EQ(ours.text, library.text) << what << " of " << std::hexfloat << value;
  EXPECT_EQ(ours.error, library.error) << what << " of " << std::hexfloat << value;
}

// Every conversion the engine and the companion use, for one value.
void ExpectSameConversions(double value) {
  using F = std::chars_format;
  ExpectSame(Converted([&](char* a, char* b) { return ShortestChars(a, b, value); }),
             Converted([&](char* a, char* b) { return std::to_chars(a, b, value); }), value,
             "shortest");
  for (F format : {F::fixed, F::scientific, F::general}) {
    ExpectSame(Converted([&](char* a, char* b) { return ShortestChars(a, b, value, format); }),
               Converted([&](char* a, char* b) { return std::to_chars(a, b, value, format); }),
               value, "shortest in a form");
  }
  for (F format : {F::fixed, F::scientific, F::general}) {
    for (int precision : {0, 2, 6, 7, 17}) {
      ExpectSame(Converted([&](char* a, char* b) {
                   return PrecisionChars(a, b, value, format, precision);
                 }),
                 Converted([&](char* a, char* b) {
                   return std::to_chars(a, b, value, format, precision);
                 }),
                 value, "with a precision");
    }
  }
}

// Every value of the edges, and a fair sample of the rest.
std::vector<double> Values() {
  using D = std::numeric_limits<double>;
  using F = std::numeric_limits<float>;
  std::vector<double> values = {0.1, 0.5, 2.5, 0.125, 0.375, 1.005, 25.4, 750.0, 1e21, 1e22, 1e23};
  values.insert(values.end(), {1.2345678901234568e20, 9.007199254740993e15});
  for (double edge : {0.0, 1.0, D::max(), D::min(), D::denorm_min(), D::infinity(), D::quiet_NaN(),
                      static_cast<double>(F::max()), static_cast<double>(F::denorm_min())}) {
    values.insert(values.end(), {edge, -edge});
  }
  // Powers of two (where what reads back is wider above than below) and of
  // ten, and their neighbours.
  for (int exponent = -1074; exponent <= 1023; ++exponent) {
    const double power = std::ldexp(1.0, exponent);
    values.insert(values.end(),
                  {power, std::nextafter(power, 0.0), std::nextafter(power, HUGE_VAL)});
  }
  for (int exponent = -323; exponent <= 308; ++exponent) {
    const double power = std::pow(10.0, exponent);
    values.insert(values.end(),
                  {power, std::nextafter(power, 0.0), std::nextafter(power, HUGE_VAL)});
  }
  // Halves, for the ties of the precision forms; the numbers of a model.
  for (int i = -400; i <= 400; ++i) {
    values.push_back(i / 8.0);
    values.push_back(i / 100.0);
    values.push_back(i * 0.3);
  }
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 2500; ++i) {
    double value = std::bit_cast<double>(random());
    if (!std::isfinite(value)) continue;
    values.push_back(value);
    // Magnitudes like those of a model, with few digits.
    values.push_back(std::ldexp(static_cast<double>(random() >> 11), -40) - 4096.0);
    values.push_back(static_cast<double>(random() % 1000000) / 100.0);
    values.push_back(
        static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(random()))));
  }
  return values;
}

TEST(FloatChars, ToCharsAsTheLibraryOnEveryValue) {
  for (double value : Values()) ExpectSameConversions(value);
}

TEST(FloatChars, ToCharsTooSmallABufferAsTheLibrary) {
  for (double value : {0.0, 1.5, -123.25, 1e-300, 1e300}) {
    for (std::size_t room : {0u, 1u, 2u, 3u, 5u, 8u}) {
      ExpectSame(Converted([&](char* a, char* b) { return ShortestChars(a, b, value); }, room),
                 Converted([&](char* a, char* b) { return std::to_chars(a, b, value); }, room),
                 value, "shortest, little room");
      ExpectSame(Converted(
                     [&](char* a, char* b) {
                       return PrecisionChars(a, b, value, std::chars_format::fixed, 2);
                     },
                     room),
                 Converted(
                     [&](char* a, char* b) {
                       return std::to_chars(a, b, value, std::chars_format::fixed, 2);
                     },
                     room),
                 value, "fixed, little room");
    }
  }
}

template <class Real>
void ExpectSameReading(const std::string& text) {
  Real ours = Real{7};
  Real library = Real{7};
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const std::from_chars_result a = NumberFromChars(first, last, ours);
  const std::from_chars_result b = std::from_chars(first, last, library);
  EXPECT_EQ(a.ptr - first, b.ptr - first) << '"' << text << '"';
  EXPECT_EQ(a.ec, b.ec) << '"' << text << '"';
  EXPECT_EQ(std::signbit(ours), std::signbit(library)) << '"' << text << '"';
  if (std::isnan(library)) {
    EXPECT_TRUE(std::isnan(ours)) << '"' << text << '"';
  } else {
    using Bits = std::conditional_t<sizeof(Real) == 8, std::uint64_t, std::uint32_t>;
    EXPECT_EQ(std::bit_cast<Bits>(ours), std::bit_cast<Bits>(library)) << '"' << text << '"';
  }
}

void ExpectSameReadings(const std::string& text) {
  ExpectSameReading<double>(text);
  ExpectSameReading<float>(text);
}

TEST(FloatChars, FromCharsAsTheLibraryOnTheEdges) {
  // The texts, one after another between bars.
  const std::string edges =
      "|-|+1| 1|.|-.|e5|1e|1e+|1e-|1E5|1e+5x|5.|.5|-0|0|00001|0.000|1.5e-45|"
      "1e-46|7e-46|8e-46|1e-400|4.9e-324|2e-324|3e-324|"
      "2.4703282292062328e-324|2.4703282292062327e-324|1e-320|1e400|-1e400|"
      "1.7976931348623157e308|1.7976931348623159e308|3.4028235e38|"
      "3.4028236e38|3.40282356e38|3.40282357e38|inf|-inf|infinity|INFINITY|"
      "infinit|infx|nan|-nan|NaN|nan(|nan()|nan(abc_9)|nan(a-b)|0x10|1,5|"
      "25,4|1e99999999999999999999|1e-99999999999999999999|0e99999999999|"
      "123456789012345678901234567890|"
      "0.1000000000000000055511151231257827021181583404541015625|"
      "9007199254740993|9007199254740993.0000000000000000000001|"
      "2.5000000000000000000000000000000000000000000000000001e-1";
  std::size_t from = 0;
  for (std::size_t bar = 0; bar != std::string::npos; from = bar + 1) {
    bar = edges.find('|', from);
    const std::string text = edges.substr(from, bar == std::string::npos ? bar : bar - from);
    ExpectSameReadings(text);
  }
}

TEST(FloatChars, FromCharsAsTheLibraryOnPrintedValues) {
  std::mt19937_64 random(8122026);
  char text[64];
  for (int i = 0; i < 5000; ++i) {
    const double value = std::bit_cast<double>(random());
    for (int precision : {0, 5, 8, 16, 17, 20}) {
      std::snprintf(text, sizeof text, "%.*e", precision, value);
      ExpectSameReadings(text);
    }
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(random() % 100000000) / 1000.0);
    ExpectSameReadings(text);
    // Halfway between two floats, and a hair either side of it.
    const float single = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    if (std::isfinite(single)) {
      const double half =
          (static_cast<double>(single) + static_cast<double>(std::nextafter(single, HUGE_VALF))) /
          2.0;
      for (double near : {half, std::nextafter(half, 0.0), std::nextafter(half, HUGE_VAL)}) {
        std::snprintf(text, sizeof text, "%.40e", near);
        ExpectSameReadings(text);
      }
    }
  }
}

}  // namespace
}  // namespace quivor::platform
