// Free-form reading: records, separators, null values, the slash, repeat
// counts, and the conversion of each value to its item.
//
// A value is first cut out of its record (scanned and checked against the
// grammar below), then converted in a separate step. Values lie in the
// unit's buffer and are converted in place; the rare value longer than the
// whole buffer is condensed while it streams by (LongNumber), so memory never
// grows with the input.
#include "model/free_form_read.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstring>
#include <new>
#include <system_error>

namespace quivor {

namespace {

// A text value of more characters than this is malformed (59).
constexpr std::size_t kMaxTextLength = 2049;

// Significant digits kept of a value longer than the buffer. Every rounding
// boundary of a double or a float (a point halfway between two neighbours,
// the overflow threshold) has at most 767 significant decimal digits, so the
// first 800 digits followed by one nonzero digit for whatever nonzero digits
// were dropped round exactly as the whole value does.
constexpr int kKeptDigits = 800;
// A written exponent is read up to this bound, far beyond any offset that the
// digits of a value can give it (one per character).
constexpr std::int64_t kExponentBound = 1'000'000'000'000'000;
// A decimal exponent beyond this overflows or underflows both types.
constexpr std::int64_t kExponentLimit = 100000;
// More items than any read has: a longer repeat count acts the same.
constexpr std::int64_t kRepeatLimit = std::int64_t{1} << 40;

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

constexpr std::array<CharClass, 256> kClasses = [] {
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

CharClass ClassOf(char c) { return kClasses[static_cast<unsigned char>(c)]; }

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

constexpr auto kNext = [] {
  std::array<std::array<GrammarState, 16>, kStateCount> table{};  // 16: a shift to index
  for (int state = 0; state < kStateCount; ++state) {
    for (int k = 0; k < kClassCount; ++k) {
      table[static_cast<std::size_t>(state)][static_cast<std::size_t>(k)] =
          Next(static_cast<GrammarState>(state), static_cast<CharClass>(k));
    }
  }
  return table;
}();

bool IsFinal(GrammarState state) { return state >= kText; }

Outcome OutcomeOf(GrammarState state) {
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

// Appends a digit to a repeat count, which saturates at kRepeatLimit.
std::int64_t AddRepeatDigit(std::int64_t repeat, char c) {
  return std::min(repeat * 10 + (c - '0'), kRepeatLimit);
}

// A numeric value longer than the buffer, condensed as it streams by: its
// sign, its first kKeptDigits significant digits, whether a dropped digit was
// nonzero, and its scale. Text() gives an equivalent short number.
class LongNumber {
 public:
  GrammarState Feed(char c) {
    const int digit = c - '0';
    switch (grammar_.Feed(c)) {
      case kItem:  // "r*": what came before was the count
        zeroRepeat_ = repeat_ == 0;
        repeated_ = true;
        negative_ = false;
        kept_ = 0;
        dropped_ = false;
        scale_ = 0;
        break;
      case kSigned:
        negative_ = c == '-';
        break;
      case kLead:
        repeat_ = AddRepeatDigit(repeat_, c);
        AddIntegerDigit(c, digit);
        break;
      case kInteger:
        AddIntegerDigit(c, digit);
        break;
      case kFraction:
        if (ClassOf(c) == kDigit) AddFractionDigit(c, digit);
        break;
      case kExponentSign:
        exponentNegative_ = c == '-';
        break;
      case kExponentDigits:
        exponent_ = std::min(exponent_ * 10 + digit, kExponentBound);
        break;
      default:
        break;
    }
    return state();
  }

  GrammarState state() const { return zeroRepeat_ ? kBad : grammar_.state(); }
  std::int64_t repeat() const { return repeated_ ? repeat_ : 1; }

  // The value as "[-]digits[e[-]digits]" in `text`, fit for from_chars and
  // for the 16-bit reading; an integer with dropped digits becomes real.
  std::string_view Text(std::span<char> text, Outcome& outcome) const {
    char* out = text.data();
    if (negative_) *out++ = '-';
    if (kept_ == 0) *out++ = '0';
    out = std::copy_n(digits_.data(), kept_, out);
    std::int64_t scale = scale_ + (exponentNegative_ ? -exponent_ : exponent_);
    if (dropped_) {
      *out++ = '1';
      --scale;
    }
    if (outcome == Outcome::kInteger && scale != 0) outcome = Outcome::kReal;
    if (outcome == Outcome::kReal) {
      *out++ = 'e';
      scale = std::clamp(scale, -kExponentLimit, kExponentLimit);
      out = std::to_chars(out, text.data() + text.size(), scale).ptr;
    }
    return {text.data(), static_cast<std::size_t>(out - text.data())};
  }

 private:
  void AddIntegerDigit(char c, int digit) {
    if (kept_ == 0 && digit == 0) return;  // a leading zero
    if (kept_ < kKeptDigits) {
      digits_[static_cast<std::size_t>(kept_++)] = c;
    } else {
      ++scale_;
      dropped_ = dropped_ || digit != 0;
    }
  }
  void AddFractionDigit(char c, int digit) {
    if (kept_ == 0 && digit == 0) {
      --scale_;
    } else if (kept_ < kKeptDigits) {
      digits_[static_cast<std::size_t>(kept_++)] = c;
      --scale_;
    } else {
      dropped_ = dropped_ || digit != 0;
    }
  }

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

}  // namespace

struct InputUnit::State {
  enum class Source { kFile, kConsole, kMemory };

  Source source = Source::kMemory;
  platform::FileHandle file = platform::kNoFile;
  std::string_view memory;  // kMemory: the text not yet in the buffer
  std::unique_ptr<char[]> buffer;
  std::size_t capacity = 0;
  std::size_t pos = 0;        // the next unread byte
  std::size_t end = 0;        // the end of the bytes held
  bool ended = false;         // the source has given its last byte
  Failure failure;            // a refused read; the unit reads nothing after it
  std::int64_t line = 1;      // record number of the byte at pos
  bool atRecordStart = true;  // nothing of the current record has been read
  // A value longer than the buffer, condensed.
  std::array<char, kKeptDigits + 32> longText{};
};

namespace {

using State = InputUnit::State;

Failure Fail(ErrorNumber number, int unit) { return {number, unit, 0}; }

// Reads until the byte at s.pos + offset is held, moving the unread bytes to
// the front of the buffer first. False at the end of the input or on a
// refused read (then s.failure is set). Needs offset < s.capacity.
bool Refill(State& s, std::size_t offset, int unit) {
  while (s.pos + offset >= s.end) {
    if (s.ended) return false;
    if (s.pos > 0) {
      std::memmove(s.buffer.get(), s.buffer.get() + s.pos, s.end - s.pos);
      s.end -= s.pos;
      s.pos = 0;
    }
    char* into = s.buffer.get() + s.end;
    const std::size_t room = s.capacity - s.end;
    platform::ReadResult got;
    switch (s.source) {
      case State::Source::kFile:
        got = platform::ReadBytes(s.file, into, room, unit);
        break;
      case State::Source::kConsole:
        got = platform::ReadConsole(into, room);
        break;
      case State::Source::kMemory:
        got.count = std::min(room, s.memory.size());
        std::memcpy(into, s.memory.data(), got.count);
        s.memory.remove_prefix(got.count);
        break;
    }
    if (got.failure.failed()) {
      s.failure = got.failure;
      s.failure.unit = unit;
      s.ended = true;
      return false;
    }
    if (got.count == 0) {
      s.ended = true;
      return false;
    }
    s.end += got.count;
  }
  return true;
}

// Makes the byte at s.pos + offset available; see Refill.
bool Have(State& s, std::size_t offset, int unit) {
  return s.pos + offset < s.end || Refill(s, offset, unit);
}

char At(const State& s, std::size_t offset) { return s.buffer[s.pos + offset]; }

// The failure of a read that found no more input: the refused read, or 24.
Failure EndOfInput(const State& s, int unit) {
  return s.failure.failed() ? s.failure : Fail(ErrorNumber::kEndOfFile, unit);
}

// Whether the carriage return at s.pos + offset ends its record (a line feed
// follows it).
bool CarriageReturnEndsLine(State& s, std::size_t offset, int unit) {
  return Have(s, offset + 1, unit) && At(s, offset + 1) == '\n';
}

// Consumes a line end (LF, or CR LF) of `length` bytes at s.pos.
void PassLineEnd(State& s, std::size_t length) {
  s.pos += length;
  ++s.line;
  s.atRecordStart = true;
}

// Skips what is left of the current record, its line end included.
void SkipRecord(State& s, int unit) {
  while (Have(s, 0, unit)) {
    const char* from = s.buffer.get() + s.pos;
    const void* lineFeed = std::memchr(from, '\n', s.end - s.pos);
    if (lineFeed != nullptr) {
      s.pos += static_cast<std::size_t>(static_cast<const char*>(lineFeed) - from);
      PassLineEnd(s, 1);
      return;
    }
    s.pos = s.end;
    s.atRecordStart = false;
  }
}

// Skips blanks, tabs and line ends. True when a byte that is none of them
// stands at s.pos.
bool SkipBlanks(State& s, int unit) {
  while (Have(s, 0, unit)) {
    const char c = At(s, 0);
    if (c == ' ' || c == '\t') {
      ++s.pos;
      s.atRecordStart = false;
    } else if (c == '\n') {
      PassLineEnd(s, 1);
    } else if (c == '\r' && CarriageReturnEndsLine(s, 0, unit)) {
      PassLineEnd(s, 2);
    } else {
      return !s.failure.failed();
    }
  }
  return false;
}

// A numeric value cut out of its record.
struct Scanned {
  Outcome outcome = Outcome::kBad;
  std::int64_t repeat = 1;
  std::string_view number;  // kInteger, kReal: "[-]mantissa[e[sign]digits]"
  std::int64_t line = 0;
};

// Streams the rest of a value that fills the whole buffer (the first
// `length` bytes at s.pos) through a LongNumber.
void ScanLongNumber(State& s, std::size_t length, int unit, Scanned& value) {
  LongNumber number;
  for (std::size_t i = 0; i < length; ++i) number.Feed(At(s, i));
  s.pos += length;
  while (!IsFinal(number.state()) && Have(s, 0, unit)) {
    const char c = At(s, 0);
    if (ClassOf(c) == kDelimiter && (c != '\r' || CarriageReturnEndsLine(s, 0, unit))) break;
    if (s.failure.failed()) return;
    ++s.pos;
    number.Feed(c);
  }
  value.outcome = OutcomeOf(number.state());
  value.repeat = number.repeat();
  value.number = number.Text(s.longText, value.outcome);
}

// Cuts the value at s.pos (not a blank, comma or slash) out of its record and
// checks it against the grammar. The number is left in the buffer, ready for
// from_chars: without a leading plus, with the exponent letter made 'e'.
void ScanNumber(State& s, int unit, Scanned& value) {
  value.line = s.line;
  s.atRecordStart = false;
  NumberGrammar grammar;
  std::size_t length = 0;  // bytes of the value at s.pos
  for (bool ended = false; !ended;) {
    const char* data = s.buffer.get() + s.pos;
    const std::size_t held = s.end - s.pos;
    while (length < held) {
      const char c = data[length];
      if (ClassOf(c) == kDelimiter) {
        if (c != '\r') {
          ended = true;
        } else if (length + 1 == held) {
          break;  // the byte after it decides
        } else {
          ended = data[length + 1] == '\n';
        }
        if (ended) break;
      }
      ++length;
      if (IsFinal(grammar.Feed(c))) {
        ended = true;
        break;
      }
    }
    if (ended) break;
    // The held bytes end inside the value, or on a carriage return.
    const std::size_t need = length < held ? length + 1 : length;
    if (need >= s.capacity) return ScanLongNumber(s, length, unit, value);
    if (!Refill(s, need, unit)) {
      // A carriage return at the end of the input is a character.
      if (length < s.end - s.pos) grammar.Feed(At(s, length++));
      break;
    }
  }
  char* text = s.buffer.get() + s.pos;
  s.pos += length;
  value.outcome = OutcomeOf(grammar.state());
  if (value.outcome == Outcome::kBad || value.outcome == Outcome::kText) return;
  // The rare parts are found again in the text: "r*" ...
  std::size_t first = 0;  // where the item begins
  if (grammar.Saw(kStar)) {
    std::int64_t repeat = 0;
    while (ClassOf(text[first]) == kDigit) repeat = AddRepeatDigit(repeat, text[first++]);
    if (first > 0 && text[first] == '*') {
      if (repeat == 0) {
        value.outcome = Outcome::kBad;
        return;
      }
      value.repeat = repeat;
      ++first;
    } else {
      first = 0;  // a star in the tail of a logical value
    }
  }
  if (value.outcome != Outcome::kInteger && value.outcome != Outcome::kReal) return;
  // ... and an exponent letter from_chars does not know.
  if (grammar.Saw(kLetterDQ)) {
    std::replace_if(
        text + first, text + length, [](char c) { return ClassOf(c) == kLetterDQ; }, 'e');
  }
  if (text[first] == '+') ++first;
  value.number = {text + first, length - first};
}

// True when a number that from_chars found out of range has a magnitude of
// at least 1, so it overflowed; below 1 it underflowed.
bool Overflows(std::string_view number) {
  std::size_t i = number.front() == '-' ? 1 : 0;
  std::int64_t magnitude = 0;  // the decimal exponent of the first significant digit, plus 1
  bool significant = false;
  for (; i < number.size() && ClassOf(number[i]) == kDigit; ++i) {
    significant = significant || number[i] != '0';
    if (significant) ++magnitude;
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && ClassOf(number[i]) == kDigit; ++i) {
      if (significant) continue;
      significant = number[i] != '0';
      if (!significant) --magnitude;
    }
  }
  std::int64_t exponent = 0;
  if (i < number.size()) {  // "e[sign]digits"
    ++i;
    const bool negative = number[i] == '-';
    if (number[i] == '-' || number[i] == '+') ++i;
    for (; i < number.size(); ++i) {
      exponent = std::min(exponent * 10 + (number[i] - '0'), kExponentBound);
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent > 0;
}

// The nearest Real to the number; false when it overflows. A value that
// underflows gives zero of its sign.
template <class Real>
bool ToReal(std::string_view number, Real& value) {
  Real converted{};
  const auto [end, error] =
      std::from_chars(number.data(), number.data() + number.size(), converted);
  assert(error == std::errc::result_out_of_range || end == number.data() + number.size());
  if (error == std::errc()) {
    value = converted;
    return true;
  }
  if (Overflows(number)) return false;
  value = number.front() == '-' ? -Real{0} : Real{0};
  return true;
}

// "[-]digits" into 16 bits; false outside -32768..32767. The bound is tested
// before each step, so nothing overflows on the way.
bool ToInt16(std::string_view number, std::int16_t& value) {
  const bool negative = number.front() == '-';
  const int limit = negative ? 32768 : 32767;
  int magnitude = 0;
  for (std::size_t i = negative ? 1 : 0; i < number.size(); ++i) {
    const int digit = number[i] - '0';
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  value = static_cast<std::int16_t>(negative ? -magnitude : magnitude);
  return true;
}

// Gives the item a scanned integer, real or logical value; false (64) when
// the item cannot hold it. A real given to an integer item is truncated
// toward zero.
bool Store(ReadItem& item, const Scanned& value) {
  const bool logical = value.outcome == Outcome::kTrue || value.outcome == Outcome::kFalse;
  const int truth = value.outcome == Outcome::kTrue ? -1 : 0;
  switch (item.kind) {
    case ItemKind::kInt16: {
      auto& target = *static_cast<std::int16_t*>(item.target);
      if (logical) {
        target = static_cast<std::int16_t>(truth);
        return true;
      }
      if (value.outcome == Outcome::kInteger) return ToInt16(value.number, target);
      double real = 0.0;
      if (!ToReal(value.number, real) || !(real > -32769.0 && real < 32768.0)) return false;
      target = static_cast<std::int16_t>(real);
      return true;
    }
    case ItemKind::kReal64: {
      auto& target = *static_cast<double*>(item.target);
      if (!logical) return ToReal(value.number, target);
      target = truth;
      return true;
    }
    case ItemKind::kReal32: {
      auto& target = *static_cast<float*>(item.target);
      if (!logical) return ToReal(value.number, target);
      target = static_cast<float>(truth);
      return true;
    }
    case ItemKind::kText:
      break;
  }
  return false;
}

// Reads a text value at s.pos into the item: quoted (apostrophes or
// quotation marks, a doubled delimiter standing for one, going on over line
// ends, which add nothing) or unquoted (up to a blank, tab, comma, slash or
// line end). Keeps the first item.textLength characters, blank-padded.
Failure ReadText(State& s, ReadItem& item, int unit) {
  char* target = static_cast<char*>(item.target);
  std::size_t length = 0;
  // Appends c; false once the text is longer than kMaxTextLength.
  auto append = [&](char c) {
    if (length < item.textLength) target[length] = c;
    return ++length <= kMaxTextLength;
  };
  item.line = s.line;
  s.atRecordStart = false;
  const char delimiter = At(s, 0);
  if (delimiter == '\'' || delimiter == '"') {
    ++s.pos;
    for (;;) {
      if (!Have(s, 0, unit)) return EndOfInput(s, unit);
      const char c = At(s, 0);
      if (c == '\n') {
        PassLineEnd(s, 1);
        continue;
      }
      if (c == '\r' && CarriageReturnEndsLine(s, 0, unit)) {
        PassLineEnd(s, 2);
        continue;
      }
      if (s.failure.failed()) return s.failure;
      s.atRecordStart = false;
      ++s.pos;
      if (c == delimiter) {
        const bool doubled = Have(s, 0, unit) && At(s, 0) == delimiter;
        if (s.failure.failed()) return s.failure;
        if (!doubled) break;
        ++s.pos;
      }
      if (!append(c)) return Fail(ErrorNumber::kSyntaxError, unit);
    }
  } else {
    while (Have(s, 0, unit)) {
      const char c = At(s, 0);
      if (c == ' ' || c == '\t' || c == ',' || c == '/' || c == '\n') break;
      if (c == '\r' && CarriageReturnEndsLine(s, 0, unit)) break;
      if (s.failure.failed()) return s.failure;
      ++s.pos;
      if (!append(c)) return Fail(ErrorNumber::kSyntaxError, unit);
    }
    if (s.failure.failed()) return s.failure;
  }
  if (length < item.textLength) std::fill(target + length, target + item.textLength, ' ');
  return kSuccess;
}

}  // namespace

InputUnit::InputUnit(int unit, platform::FileHandle file)
    : unit_(unit), state_(new (std::nothrow) State) {
  if (!state_) return;
  state_->source = file == platform::kNoFile ? State::Source::kConsole : State::Source::kFile;
  state_->file = file;
  state_->capacity = kBufferSize;
  state_->buffer.reset(new (std::nothrow) char[kBufferSize]);
}

InputUnit::InputUnit(int unit, std::string_view text, std::size_t bufferSize)
    : unit_(unit), state_(new (std::nothrow) State) {
  if (!state_) return;
  state_->memory = text;
  // Two bytes at least: a carriage return is judged by the byte after it.
  state_->capacity = std::max<std::size_t>(bufferSize, 2);
  state_->buffer.reset(new (std::nothrow) char[state_->capacity]);
}

InputUnit::~InputUnit() = default;

std::int64_t InputUnit::line() const { return state_ ? state_->line : 0; }

Failure FreeFormRead(InputUnit& unit, std::span<ReadItem> items) {
  const int number = unit.unit();
  if (!unit.state_ || !unit.state_->buffer) return Fail(ErrorNumber::kNoMemory, number);
  State& s = *unit.state_;
  if (s.failure.failed()) return s.failure;
  for (ReadItem& item : items) item.line = 0;

  // A read begins at the start of a record: the rest of the last one is lost.
  if (!s.atRecordStart) SkipRecord(s, number);
  if (items.empty()) {
    if (!Have(s, 0, number)) return EndOfInput(s, number);
    SkipRecord(s, number);
    return s.failure;
  }

  std::size_t next = 0;     // the item that the next value goes to
  bool afterValue = false;  // a value was the last thing read: a comma now only separates
  while (next < items.size()) {
    if (!SkipBlanks(s, number)) return EndOfInput(s, number);
    const char c = At(s, 0);
    if (c == ',') {
      ++s.pos;
      s.atRecordStart = false;
      if (!afterValue) ++next;  // a null value: the item keeps what it held
      afterValue = false;
      continue;
    }
    if (c == '/') {  // the read ends here; the items left keep what they held
      ++s.pos;
      s.atRecordStart = false;
      return kSuccess;
    }
    afterValue = true;
    if (items[next].kind == ItemKind::kText) {
      Failure failure = ReadText(s, items[next], number);
      if (failure.failed()) return failure;
      ++next;
      continue;
    }
    Scanned value;
    ScanNumber(s, number, value);
    if (s.failure.failed()) return s.failure;
    if (value.outcome == Outcome::kBad) return Fail(ErrorNumber::kSyntaxError, number);
    if (value.outcome == Outcome::kText) return Fail(ErrorNumber::kConversionError, number);
    for (std::int64_t r = value.repeat; r > 0 && next < items.size(); --r, ++next) {
      if (value.outcome == Outcome::kNull) continue;
      ReadItem& item = items[next];
      // Text values take no repeat count, so none reaches a text item.
      if (item.kind == ItemKind::kText) return Fail(ErrorNumber::kSyntaxError, number);
      if (!Store(item, value)) return Fail(ErrorNumber::kConversionError, number);
      item.line = value.line;
    }
  }
  return kSuccess;
}

}  // namespace quivor
