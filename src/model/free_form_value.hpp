// One numeric value of a free-form read: the grammar it must follow, the
// condensing of a value longer than the reader's buffer, and the conversion
// to the item that takes it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "model/free_form_read.hpp"

namespace quivor::free_form {

// Significant digits kept of a value longer than the buffer. Every rounding
// boundary of a double or a float (a point halfway between two neighbours,
// the overflow threshold) has at most 767 significant decimal digits, so the
// first 800 digits followed by one nonzero digit for whatever nonzero digits
// were dropped round exactly as the whole value does.
constexpr int kKeptDigits = 800;

enum CharClass : std::uint8_t {
  kOther,
  kDigit,
  kSignChar,     // + -
  kPointChar,    // .
  kLetterE,      // E e: an exponent letter from_chars knows
  kLetterDQ,     // D d Q q: exponent letters it does not
  kTrueLetter,   // T t
  kFalseLetter,  // F f
  kStar,         // *
  kQuoteChar,    // ' "
  kDelimiter,    // blank, tab, comma, slash, line feed, carriage return
  kClassCount,   // at most 16
};

inline constexpr std::array<CharClass, 256> kClasses = [] {
  std::array<CharClass, 256> table{};
  for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = kDigit;
  auto set = [&table](std::string_view chars, CharClass k) {
    for (char c : chars) table[static_cast<unsigned char>(c)] = k;
  };
  set("+-", kSignChar);
  set(".", kPointChar);
  set("Ee", kLetterE);
  set("DdQq", kLetterDQ);
  set("Tt", kTrueLetter);
  set("Ff", kFalseLetter);
  set("*", kStar);
  set("'\"", kQuoteChar);
  // A carriage return ends a record only before a line feed; the scanner
  // decides.
  set(" \t,/\n\r", kDelimiter);
  return table;
}();

inline CharClass ClassOf(char c) { return kClasses[static_cast<unsigned char>(c)]; }

// What a scanned numeric value turned out to be.
enum class Outcome { kNull, kInteger, kReal, kTrue, kFalse, kText, kBad };

// The grammar of a numeric value, letters in either case:
//
//   value    = [repeat] item
//   repeat   = digits "*"                r >= 1: the next r items get `item`
//   item     = number | logical | ""     "": r null values
//   number   = [sign] mantissa [exponent]
//   mantissa = digits ["." [digits]] | "." digits
//   exponent = ("E" | "D" | "Q") [sign] digits
//   logical  = ["."] ("T" | "F") {any character}
//
// A value ends at a blank, a tab, a comma, a slash or the end of its record;
// those never reach the grammar. A quote where the item begins makes the
// value a text, which no number takes. The grammar is an automaton fed one
// character at a time, so the same checks serve a value in the buffer and a
// value streamed through it. A repeat count of 0 is malformed too; the
// automaton does not count, so its users check that.
enum GrammarState : std::uint8_t {
  kStart,           // nothing yet
  kLead,            // digits that may still be a repeat count
  kItem,            // after "r*": the item begins
  kSigned,          // a sign, nothing after it
  kLeadPoint,       // a point first in the item
  kSignedPoint,     // a sign and a point
  kInteger,         // digits of the number
  kFraction,        // a mantissa with a digit and a point
  kExponent,        // the exponent letter
  kExponentSign,    // its sign
  kExponentDigits,  // its digits
  kTrue,
  kFalse,
  kText,  // the item is a quoted text: final
  kBad,   // malformed: final
  kStateCount,
};

constexpr GrammarState BeginItem(CharClass k) {
  switch (k) {
    case kSignChar:
      return kSigned;
    case kPointChar:
      return kLeadPoint;
    case kTrueLetter:
      return kTrue;
    case kFalseLetter:
      return kFalse;
    case kQuoteChar:
      return kText;
    default:
      return kBad;
  }
}

constexpr GrammarState AfterDigits(CharClass k) {
  switch (k) {
    case kDigit:
      return kInteger;
    case kPointChar:
      return kFraction;
    case kLetterE:
    case kLetterDQ:
      return kExponent;
    default:
      return kBad;
  }
}

constexpr GrammarState Next(GrammarState state, CharClass k) {
  const bool digit = k == kDigit;
  switch (state) {
    case kStart:
      return digit ? kLead : BeginItem(k);
    case kItem:
      return digit ? kInteger : BeginItem(k);
    case kLead:
      return digit ? kLead : k == kStar ? kItem : AfterDigits(k);
    case kSigned:
      return digit ? kInteger : k == kPointChar ? kSignedPoint : kBad;
    case kLeadPoint:
      return digit ? kFraction : k == kTrueLetter ? kTrue : k == kFalseLetter ? kFalse : kBad;
    case kSignedPoint:
      return digit ? kFraction : kBad;
    case kInteger:
      return AfterDigits(k);
    case kFraction:
      return digit ? kFraction : k == kLetterE || k == kLetterDQ ? kExponent : kBad;
    case kExponent:
      return digit ? kExponentDigits : k == kSignChar ? kExponentSign : kBad;
    case kExponentSign:
    case kExponentDigits:
      return digit ? kExponentDigits : kBad;
    default:  // logical values take any character; final states stay
      return state;
  }
}

inline constexpr auto kNext = [] {
  static_assert(kClassCount <= 16);
  std::array<std::array<GrammarState, 16>, kStateCount> table{};  // 16: a shift to index
  for (int state = 0; state < kStateCount; ++state) {
    for (int k = 0; k < kClassCount; ++k) {
      table[static_cast<std::size_t>(state)][static_cast<std::size_t>(k)] =
          Next(static_cast<GrammarState>(state), static_cast<CharClass>(k));
    }
  }
  return table;
}();

inline bool IsFinal(GrammarState state) { return state >= kText; }

// What a value that ends in `state` is.
inline Outcome OutcomeOf(GrammarState state) {
  switch (state) {
    case kItem:
      return Outcome::kNull;
    case kLead:
    case kInteger:
      return Outcome::kInteger;
    case kFraction:
    case kExponentDigits:
      return Outcome::kReal;
    case kTrue:
      return Outcome::kTrue;
    case kFalse:
      return Outcome::kFalse;
    case kText:
      return Outcome::kText;
    default:
      return Outcome::kBad;
  }
}

// The automaton, and the classes of the characters it has seen.
class NumberGrammar {
 public:
  GrammarState Feed(char c) {
    const CharClass k = ClassOf(c);
    seen_ |= 1u << k;
    state_ = kNext[state_][k];
    return state_;
  }
  GrammarState state() const { return state_; }
  bool Saw(CharClass k) const { return (seen_ & (1u << k)) != 0; }

 private:
  GrammarState state_ = kStart;
  unsigned seen_ = 0;
};

// Appends a digit to a repeat count, which saturates where no read has
// that many items.
std::int64_t AddRepeatDigit(std::int64_t repeat, char c);

// A numeric value longer than the buffer, condensed as it streams by: its
// sign, its first kKeptDigits significant digits, whether a dropped digit was
// nonzero, and its scale. Text() gives an equivalent short number.
class LongNumber {
 public:
  GrammarState Feed(char c);
  GrammarState state() const { return zeroRepeat_ ? kBad : grammar_.state(); }
  std::int64_t repeat() const { return repeated_ ? repeat_ : 1; }

  // The value as "[-]digits[e[-]digits]" in `text`, fit for from_chars and
  // for the 16-bit reading; an integer with dropped digits becomes real.
  std::string_view Text(std::span<char> text, Outcome& outcome) const;

 private:
  void AddIntegerDigit(char c, int digit);
  void AddFractionDigit(char c, int digit);

  NumberGrammar grammar_;
  std::int64_t repeat_ = 0;
  bool repeated_ = false;
  bool zeroRepeat_ = false;
  bool negative_ = false;
  std::array<char, kKeptDigits> digits_{};
  int kept_ = 0;
  bool dropped_ = false;
  std::int64_t scale_ = 0;  // the kept digits, as an integer, times 10^scale
  bool exponentNegative_ = false;
  std::int64_t exponent_ = 0;
};

// Gives the item a checked number ("[-]mantissa[e[sign]digits]") or a
// logical value; false (64) when the item cannot hold it. A real given to an
// integer item is truncated toward zero.
bool Store(ReadItem& item, Outcome outcome, std::string_view number);

}  // namespace quivor::free_form
