// The reader takes plain decimal numbers that lie whole in its buffer by a
// short path that skips the grammar's automaton. Every short value over the
// characters that matter is read through the normal buffer and through one
// of two bytes, where no value of two characters or more lies whole: both
// must end the same way, with the same bits and the same line numbers.
// Short values are converted by a division of two exact values; they must
// give the bits from_chars gives, into both real types.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/free_form_read.hpp"

namespace quivor {
namespace {

struct Outcome {
  ErrorNumber error;
  std::uint64_t real;
  std::int16_t integer;
  std::int64_t realLine;
  std::int64_t integerLine;
  bool operator==(const Outcome&) const = default;
};

Outcome Read(const std::string& text, std::size_t bufferSize) {
  double real = 0.25;
  std::int16_t integer = 7;
  ReadItem items[] = {ReadItem(real), ReadItem(integer)};
  InputUnit unit(kModelUnit, text, bufferSize);
  const Failure failure = FreeFormRead(unit, items);
  return {failure.number, std::bit_cast<std::uint64_t>(real), integer, items[0].line,
          items[1].line};
}

TEST(PlainNumbers, TakeTheOutcomeOfTheGrammar) {
  constexpr std::string_view kAlphabet = "09+-.e*, /\r\n";
  int compared = 0;
  for (int length = 1; length <= 4; ++length) {
    int combinations = 1;
    for (int k = 0; k < length; ++k) combinations *= static_cast<int>(kAlphabet.size());
    for (int code = 0; code < combinations; ++code) {
      std::string value;
      for (int k = 0, rest = code; k < length; ++k, rest /= static_cast<int>(kAlphabet.size())) {
        value += kAlphabet[static_cast<std::size_t>(rest) % kAlphabet.size()];
      }
      // The value, then a second one: "1" after a blank, or on the next line.
      for (std::string_view tail : {" 1\n", "\r\n1\n"}) {
        const std::string text = value + std::string(tail);
        ASSERT_EQ(Read(text, InputUnit::kBufferSize), Read(text, 2)) << '"' << value << '"';
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 40000);
}

template <class Real>
Real FromChars(const std::string& number) {
  Real value{};
  std::from_chars(number.data(), number.data() + number.size(), value);
  return value;
}

TEST(PlainNumbers, ConvertAsFromCharsDoes) {
  std::mt19937_64 random(20261208);
  // Digit strings across the bounds of the short conversion: 19 digits,
  // significands of 2^53 and 2^24 and one more, 22 and 10 decimals.
  std::vector<std::string> digitStrings = {
      "9007199254740992",    "9007199254740993",     "16777216", "16777217",
      "9999999999999999999", "18446744073709551615", "0",        "00000000000000000001"};
  for (int i = 0; i < 30000; ++i) {
    std::string digits(1 + random() % 21, '0');
    for (char& d : digits) d = static_cast<char>('0' + random() % 10);
    digitStrings.push_back(digits);
    // Few significant digits behind many zeros: many decimals on a short significand.
    digitStrings.push_back(std::string(random() % 16, '0') + digits.substr(0, 1 + random() % 8));
  }
  int compared = 0;
  for (const std::string& digits : digitStrings) {
    // The point anywhere (or nowhere), either sign.
    const std::size_t point = random() % (digits.size() + 2);
    std::string number = random() % 2 != 0 ? "-" : "";
    if (point > digits.size()) {
      number += digits;
    } else {
      number += digits.substr(0, point) + "." + digits.substr(point);
    }
    double real = 0.25;
    float single = 0.25f;
    ReadItem items[] = {ReadItem(real), ReadItem(single)};
    const std::string text = number + " " + number + "\n";
    InputUnit unit(kModelUnit, text);
    ASSERT_FALSE(FreeFormRead(unit, items).failed()) << number;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(real),
              std::bit_cast<std::uint64_t>(FromChars<double>(number)))
        << number;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(single),
              std::bit_cast<std::uint32_t>(FromChars<float>(number)))
        << number;
    ++compared;
  }
  EXPECT_GT(compared, 60000);
}

}  // namespace
}  // namespace quivor
