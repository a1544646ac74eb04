// The reader takes plain decimal numbers that lie whole in its buffer by a
// short path that skips the grammar's automaton. Every short value over the
// characters that matter is read through the normal buffer and through one
// of two bytes, where no value of two characters or more lies whole: both
// must end the same way, with the same bits and the same line numbers.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace
}  // namespace quivor
