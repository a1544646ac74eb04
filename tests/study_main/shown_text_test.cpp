// Text from outside the program, as messages and documents show it.
#include "platform/shown_text.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

namespace quivor::terminal {
namespace {

TEST(ShownText, KeepsValidUtf8AndMendsTheRest) {
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"ponte", "ponte"},
      {"joão ação", "joão ação"},
      {"\xff\xfe", "\xc3\xbf\xc3\xbe"},          // Latin-1 letters ÿþ
      {"jo\xe3o", "jo\xc3\xa3o"},                // a Windows-1252 name
      {"a\x80z", "a?z"},                         // a byte with no letter
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0?"},     // a surrogate is not UTF-8
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},          // nor an overlong form
      {"\xf4\x90\x80\x80", "\xc3\xb4???"},       // nor past U+10FFFF
      {"\xe2\x82", "\xc3\xa2?"},                 // a cut sequence
      {"\xf0\x9f\x8c\x89", "\xf0\x9f\x8c\x89"},  // four bytes, well formed
      {std::string("a\0b", 3), "a\\x00b"},       // a NUL
      {"linha\nnova\ttab\x7f", "linha\\x0anova\\x09tab\\x7f"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShownText(c.text), c.shown) << c.text;
    // Whatever it is, a JSON document takes it.
    EXPECT_NO_THROW((void)nlohmann::json(ShownText(c.text)).dump()) << c.text;
  }
  EXPECT_EQ(ShownText(std::string("a\0b\tc", 5), 100, Controls::kQuestionMark), "a?b?c");
}

TEST(ShownText, CutsALongNameInCharacters) {
  EXPECT_EQ(ShownText(std::string(2'000'000, 'x')), std::string(kShownName, 'x') + "...");
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "ç";
  std::string cut;
  for (std::size_t i = 0; i < kShownName; ++i) cut += "ç";
  EXPECT_EQ(ShownText(accents), cut + "...");
  EXPECT_EQ(ShownText(std::string(kShownName, 'x')), std::string(kShownName, 'x'));
  EXPECT_EQ(ShownText("abcdef", 3), "abc...");
}

// Any bytes at all come out as valid UTF-8.
TEST(ShownText, AnyBytesComeOutValid) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (int shift = 0; shift < 8; ++shift) {
    const std::string text = all.substr(static_cast<std::size_t>(shift)) + all;
    EXPECT_NO_THROW((void)nlohmann::json(ShownText(text, 10'000)).dump());
  }
}

TEST(ShownText, OurOwnTextKeepsItsLineEndsAndIsMendedWhereNeeded) {
  EXPECT_TRUE(IsValidUtf8("Ponte: ação\n"));
  EXPECT_FALSE(IsValidUtf8("jo\xe3o\n"));
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));
  const std::string mended = ShownText("jo\xe3o\n", std::string_view::npos, Controls::kKept);
  EXPECT_EQ(mended, "jo\xc3\xa3o\n");
  EXPECT_TRUE(IsValidUtf8(mended));
}

}  // namespace
}  // namespace quivor::terminal
