// Free-form reading: records, blanks and line ends, separators, null
// values, the slash, repeat counts, and text values.
//
// A value is first cut out of its record (scanned and checked against the
// grammar of free_form_value.hpp), then converted in a separate step. Values
// lie in the unit's buffer and are converted in place; the rare value longer
// than the whole buffer is condensed while it streams by (LongNumber), so
// memory never grows with the input.
#include "model/free_form_read.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "model/free_form_value.hpp"

namespace quivor {

using namespace free_form;

namespace {

// A text value of more characters than this is malformed (59).
constexpr std::size_t kMaxTextLength = 2049;

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
  std::uint64_t taken = 0;    // bytes the source has given
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
    s.taken += got.count;
  }
  return true;
}

// The offset of the byte at s.pos from the start of the unit's text.
std::uint64_t Offset(const State& s) { return s.taken - (s.end - s.pos); }

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

// The common value: a plain decimal number ([sign] digits [. digits], one
// digit at least) that lies whole in the buffer, a delimiter after it. It
// gets the outcome the grammar gives it, without feeding the automaton one
// character at a time; false, having read nothing, for any other value.
bool ScanPlainNumber(State& s, Scanned& value) {
  const char* data = s.buffer.get() + s.pos;
  const std::size_t held = s.end - s.pos;
  auto digitsFrom = [data, held](std::size_t i) {
    while (i < held && static_cast<unsigned char>(data[i] - '0') < 10) ++i;
    return i;
  };
  const std::size_t first = held > 0 && data[0] == '+' ? 1 : 0;  // from_chars takes no plus
  const std::size_t mantissa = held > 0 && ClassOf(data[0]) == kSignChar ? 1 : 0;
  std::size_t i = digitsFrom(mantissa);
  std::size_t digits = i - mantissa;
  const bool point = i < held && data[i] == '.';
  if (point) {
    const std::size_t fraction = i + 1;
    i = digitsFrom(fraction);
    digits += i - fraction;
  }
  if (digits == 0 || i >= held || ClassOf(data[i]) != kDelimiter) return false;
  // A carriage return is a delimiter only before a line feed.
  if (data[i] == '\r' && (i + 1 >= held || data[i + 1] != '\n')) return false;
  value.outcome = point ? Outcome::kReal : Outcome::kInteger;
  value.number = {data + first, i - first};
  s.pos += i;
  return true;
}

// Cuts the value at s.pos (not a blank, comma or slash) out of its record and
// checks it against the grammar. The number is left in the buffer, ready for
// from_chars: without a leading plus, with the exponent letter made 'e'.
void ScanNumber(State& s, int unit, Scanned& value) {
  value.line = s.line;
  s.atRecordStart = false;
  if (ScanPlainNumber(s, value)) return;
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
  if (value.outcome == Outcome::kBad) return;
  // The rare parts are found again in the text: "r*" (a count of 0 is
  // malformed, also before a quoted text) ...
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
  // Most reads end where their record does.
  if (!s.atRecordStart) {
    if (s.pos < s.end && s.buffer[s.pos] == '\n') {
      PassLineEnd(s, 1);
    } else {
      SkipRecord(s, number);
    }
  }
  if (items.empty()) {
    if (!Have(s, 0, number)) return EndOfInput(s, number);
    SkipRecord(s, number);
    return s.failure;
  }

  // A read that succeeded, for the unit's observer.
  const std::uint64_t begin = Offset(s);
  auto done = [&](bool slash) {
    if (unit.observer_ != nullptr) {
      unit.observer_->ReadEnded({begin, Offset(s), s.line, items.size(), slash});
    }
    return kSuccess;
  };

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
      return done(true);
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
      if (!Store(item, value.outcome, value.number)) {
        return Fail(ErrorNumber::kConversionError, number);
      }
      item.line = value.line;
    }
  }
  return done(false);
}

}  // namespace quivor
