// Text records: the 80-column free-form layout and the nX, Iw, Fw.d, Aw
// fields of formatted records.
//
// Numbers are converted with std::to_chars, which rounds exactly from the
// binary value (ties to even) and ignores the locale; printf does neither
// reliably. Fixed fields of ordinary size are rounded the same way in integer
// arithmetic, several times faster. A record is built in a buffer owned by
// the unit, so that no field and no record allocates once the unit exists.
#include "report/record_writer.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace quivor {

namespace {

// Every free-form record holds at most this many characters, its leading blank
// included, on the console and in the results file alike.
constexpr int kFreeFormLineWidth = 80;

// Free-form fields: I7 for 16-bit integers, 15 columns for 32-bit reals.
constexpr int kFreeFormIntegerWidth = 7;
constexpr int kFreeFormRealWidth = 15;

// The widest formatted record the system writes has 67 characters; the buffer
// grows past this only for a record that needs it, and keeps what it grew to.
constexpr std::size_t kRecordCapacity = 128;

// The results file goes out in blocks of this size.
constexpr std::size_t kFileBufferSize = 64 * 1024;

constexpr std::string_view kRecordEnd = "\r\n";

// A field is `width` columns that already hold blanks; a value is written
// into it right-justified, or as asterisks when it does not fit. Records are
// sized once and their fields filled in place: no field appends to a string.
struct Field {
  char* columns;
  int width;
};

// `count` blanks at the end of `out`, as a field to fill; none for count <= 0.
Field AppendField(std::string& out, int count) {
  const std::size_t at = out.size();
  if (count <= 0) return {out.data() + at, 0};
  out.resize(at + static_cast<std::size_t>(count), ' ');
  return {out.data() + at, count};
}

void PutAsterisks(Field field) {
  std::memset(field.columns, '*', static_cast<std::size_t>(field.width));
}

// The characters from `first` up to `last` (the constructor from the two
// pointers is missing from the C++ library of the web build).
std::string_view Between(const char* first, const char* last) {
  return {first, static_cast<std::size_t>(last - first)};
}

// `text` right-justified; asterisks when it does not fit.
void PutRightJustified(Field field, std::string_view text) {
  if (text.size() > static_cast<std::size_t>(field.width)) {
    PutAsterisks(field);
    return;
  }
  std::copy(text.begin(), text.end(), field.columns + (field.width - std::ssize(text)));
}

// Iw: the decimal digits, "-" before a negative value, never "+".
void PutInteger(Field field, std::int32_t value) {
  std::array<char, 16> digits;  // only what is written is read
  auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  assert(error == std::errc{});
  (void)error;
  PutRightJustified(field, Between(digits.data(), end));
}

// A value that is not a number or infinite, which a bar of zero length or a
// zero last pivot brings into the results: NaN, Infinity, or the short form
// when the long one does not fit.
void PutNonFinite(Field field, double value) {
  if (std::isnan(value)) {
    PutRightJustified(field, "NaN");
    return;
  }
  std::string_view full = value < 0 ? "-Infinity" : "Infinity";
  std::string_view brief = value < 0 ? "-Inf" : "Inf";
  PutRightJustified(field, full.size() <= static_cast<std::size_t>(field.width) ? full : brief);
}

// Room for the fixed form of any double with the few decimals the formats use:
// 309 integer digits, sign, point and decimals.
constexpr std::size_t kFixedCapacity = 400;

#ifdef __SIZEOF_INT128__
__extension__ using Unsigned128 = unsigned __int128;

// The usual case of Fw.d, done in integers: |value| * 10^decimals rounded to
// an integer exactly from the binary value, ties to even, as to_chars rounds.
// False when |value| >= 1e12 or decimals > 4, left to to_chars.
bool ScaledMagnitude(double value, int decimals, std::uint64_t& scaled) {
  constexpr std::uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000};
  const double magnitude = std::fabs(value);
  if (decimals < 0 || decimals > 4 || !(magnitude < 1e12)) return false;
  // magnitude = mantissa / 2^shift, with shift >= 13 below 1e12 < 2^40.
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const auto biased = static_cast<int>(bits >> 52);
  constexpr std::uint64_t kFractionBits = (std::uint64_t{1} << 52) - 1;
  const std::uint64_t mantissa =
      biased == 0 ? bits & kFractionBits : (bits & kFractionBits) | (std::uint64_t{1} << 52);
  const int shift = biased == 0 ? 1074 : 1075 - biased;
  // The product stays below 2^53 * 10^4 < 2^67: nothing is lost.
  const Unsigned128 product = Unsigned128{mantissa} * kPowersOfTen[decimals];
  if (shift >= 68) {  // below half of one unit: the product is under 2^67
    scaled = 0;
    return true;
  }
  const Unsigned128 quotient = product >> shift;
  const Unsigned128 remainder = product - (quotient << shift);
  const Unsigned128 half = Unsigned128{1} << (shift - 1);
  scaled = static_cast<std::uint64_t>(quotient);
  if (remainder > half || (remainder == half && (scaled & 1) != 0)) ++scaled;
  return true;
}
#else
bool ScaledMagnitude(double, int, std::uint64_t&) { return false; }
#endif

// The text of Fw.d from the scaled magnitude, built backwards so that it ends
// just before `end`: at least one digit before the point, the point always
// ("7." for Fw.0), no sign on a value that rounds to zero. Returns its start;
// it takes at most 26 characters.
char* FixedFromScaled(char* end, bool negative, std::uint64_t scaled, int decimals) {
  const bool showSign = negative && scaled != 0;
  char* out = end;
  for (int place = 0; place < decimals; ++place) {
    *--out = static_cast<char>('0' + scaled % 10);
    scaled /= 10;
  }
  *--out = '.';
  do {
    *--out = static_cast<char>('0' + scaled % 10);
    scaled /= 10;
  } while (scaled != 0);
  if (showSign) *--out = '-';
  return out;
}

// Fw.d: rounded to d places exactly from the binary value, ties to even.
void PutFixed(Field field, double value, int decimals) {
  if (!std::isfinite(value)) {
    PutNonFinite(field, value);
    return;
  }
  std::array<char, kFixedCapacity> text;  // only what is written is read
  std::uint64_t scaled = 0;
  if (ScaledMagnitude(value, decimals, scaled)) {
    char* const end = text.data() + text.size();
    const char* start = FixedFromScaled(end, std::signbit(value), scaled, decimals);
    PutRightJustified(field, Between(start, end));
    return;
  }
  // One character is kept back for the point of Fw.0.
  auto [end, error] = std::to_chars(text.data(), text.data() + text.size() - 1, value,
                                    std::chars_format::fixed, decimals);
  if (error != std::errc{}) {
    // More characters than any field of the system can hold.
    PutAsterisks(field);
    return;
  }
  if (decimals == 0) *end++ = '.';  // Fw.0 still shows the point: "7."
  std::string_view digits = Between(text.data(), end);
  // A value that rounds to zero, negative zero included, shows no sign.
  if (digits.front() == '-' && digits.find_first_not_of("-0.") == std::string_view::npos) {
    digits.remove_prefix(1);
  }
  PutRightJustified(field, digits);
}

// Aw: right-justified when the text is shorter, its first w characters when
// it is longer.
void PutText(Field field, std::string_view text) {
  if (std::ssize(text) >= field.width) {
    std::copy_n(text.begin(), field.width, field.columns);
  } else {
    std::copy(text.begin(), text.end(), field.columns + (field.width - std::ssize(text)));
  }
}

// The 15-column free-form field of a 32-bit real: seven significant digits in
// fixed form followed by four blanks when 0.1 <= r < 10 000 000 (r the
// magnitude rounded to seven digits), else the exponent form d.dddddddE+xx.
void PutFreeFormReal(Field field, float value) {
  const double exact = static_cast<double>(value);  // every float is exactly a double
  if (!std::isfinite(exact)) {
    PutNonFinite(field, exact);
    return;
  }
  if (exact != 0.0) {
    // The exponent of the magnitude rounded to seven significant digits.
    std::array<char, 32> scientific{};
    auto [end, error] = std::to_chars(scientific.data(), scientific.data() + scientific.size(),
                                      std::fabs(exact), std::chars_format::scientific, 6);
    assert(error == std::errc{});
    (void)error;
    const char* mark = std::find(scientific.data(), end, 'e');
    int exponent = 0;
    std::from_chars(mark[1] == '+' ? mark + 2 : mark + 1, end, exponent);
    if (exponent >= -1 && exponent <= 6) {
      const int integerDigits = exponent >= 0 ? exponent + 1 : 0;
      PutFixed({field.columns, field.width - 4}, exact, 7 - integerDigits);
      return;
    }
  }
  // Exponent form: eight significant digits, two exponent digits (a float
  // never needs a third).
  std::array<char, 32> text{};
  auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), exact,
                                    std::chars_format::scientific, 7);
  assert(error == std::errc{});
  (void)error;
  std::string_view digits = Between(text.data(), end);
  if (exact == 0.0 && digits.front() == '-') digits.remove_prefix(1);  // negative zero
  std::replace(text.data(), end, 'e', 'E');
  PutRightJustified(field, digits);
}

}  // namespace

struct TextOutputUnit::State {
  enum class Sink { kConsole, kFile, kMemory };

  Sink sink = Sink::kConsole;
  int unit = 0;
  platform::FileHandle file = platform::kNoFile;
  std::string* memory = nullptr;

  // The record in progress; it reaches the sink only when complete.
  std::string record;
  // Set when a record begins; cleared once its leading blank or first item
  // stands in it.
  bool startOfRecord = true;

  // Complete records of a file unit not yet handed to the system.
  std::unique_ptr<char[]> buffer;
  std::size_t buffered = 0;

  // The first failed write; nothing is written after it.
  Failure failure;

  explicit State(Sink kind) : sink(kind) { record.reserve(kRecordCapacity); }

  int Room() const { return kFreeFormLineWidth - static_cast<int>(record.size()); }

  void Emit(const char* data, std::size_t size) {
    if (failure.failed()) return;
    failure = platform::WriteBytes(file, data, size, unit);
  }

  void FlushBuffer() {
    if (buffered == 0) return;
    Emit(buffer.get(), buffered);
    buffered = 0;
  }

  // Ends the record in progress with CR LF, hands it to the sink and begins a
  // new, empty one.
  void EndRecord() {
    record.append(kRecordEnd);
    switch (sink) {
      case Sink::kConsole:
        platform::WriteConsole(record);
        break;
      case Sink::kMemory:
        memory->append(record);
        break;
      case Sink::kFile:
        if (buffered + record.size() > kFileBufferSize) FlushBuffer();
        if (record.size() > kFileBufferSize) {
          Emit(record.data(), record.size());
        } else if (!failure.failed()) {
          std::memcpy(buffer.get() + buffered, record.data(), record.size());
          buffered += record.size();
        }
        break;
    }
    record.clear();
    startOfRecord = true;
  }

  // Puts the leading blank of a free-form record in place before its first item.
  void LeadingBlank() {
    if (startOfRecord) {
      record.push_back(' ');
      startOfRecord = false;
    }
  }
};

TextOutputUnit::TextOutputUnit() : state_(std::make_unique<State>(State::Sink::kConsole)) {}

TextOutputUnit TextOutputUnit::Console() { return TextOutputUnit(); }

TextOutputUnit::TextOutputUnit(int unit, platform::FileHandle file)
    : state_(std::make_unique<State>(State::Sink::kFile)) {
  state_->unit = unit;
  state_->file = file;
  state_->buffer = std::make_unique<char[]>(kFileBufferSize);
}

TextOutputUnit::TextOutputUnit(std::string& memory)
    : state_(std::make_unique<State>(State::Sink::kMemory)) {
  state_->memory = &memory;
}

// Whatever is still buffered goes out; a failure here can no longer be
// reported, which is why the main program flushes before the unit ends.
TextOutputUnit::~TextOutputUnit() {
  if (state_) state_->FlushBuffer();
}

TextOutputUnit::TextOutputUnit(TextOutputUnit&&) noexcept = default;

Failure TextOutputUnit::Flush() {
  state_->FlushBuffer();
  return state_->failure;
}

Failure TextOutputUnit::failure() const { return state_->failure; }

// The 80-column rule: a text that does not fit in the room left ends the
// record and begins the next, after its own leading blank. The system's
// numeric free-form fields always fit; one that did not would move to the next
// record the same way.
void WriteFreeFormRecord(TextOutputUnit& unit, std::initializer_list<FreeItem> items) {
  TextOutputUnit::State& state = unit.state();
  for (const FreeItem& item : items) {
    const int length = item.kind == FreeItem::Kind::kText    ? static_cast<int>(item.text.size())
                       : item.kind == FreeItem::Kind::kInt16 ? kFreeFormIntegerWidth
                                                             : kFreeFormRealWidth;
    if (!state.record.empty() && length > state.Room()) state.EndRecord();
    state.LeadingBlank();
    switch (item.kind) {
      case FreeItem::Kind::kText:
        state.record.append(item.text);
        break;
      case FreeItem::Kind::kInt16:
        PutInteger(AppendField(state.record, kFreeFormIntegerWidth), item.integer);
        break;
      case FreeItem::Kind::kReal32:
        PutFreeFormReal(AppendField(state.record, kFreeFormRealWidth), item.real);
        break;
    }
  }
  state.LeadingBlank();  // a statement without items writes one blank
  state.EndRecord();
}

void WriteFormattedRecord(TextOutputUnit& unit, std::span<const EditDescriptor> format,
                          std::initializer_list<FormatItem> items) {
  TextOutputUnit::State& state = unit.state();
  std::string& record = state.record;
  const FormatItem* item = items.begin();
  int position = 0;
  for (const EditDescriptor& descriptor : format) {
    const int width = std::max(descriptor.width, 0);
    if (descriptor.kind == EditDescriptor::Kind::kSkip) {
      position += width;
      continue;
    }
    if (item == items.end()) break;  // the format ends at its first unmatched field
    // nX only moves the position: blanks are laid down up to the end of each
    // field written, so a format ending in nX adds no trailing blanks.
    record.resize(static_cast<std::size_t>(position + width), ' ');
    const Field field{record.data() + position, width};
    const FormatItem::Kind expected =
        descriptor.kind == EditDescriptor::Kind::kInteger ? FormatItem::Kind::kInteger
        : descriptor.kind == EditDescriptor::Kind::kFixed ? FormatItem::Kind::kReal64
                                                          : FormatItem::Kind::kText;
    assert(item->kind == expected && "item does not match its edit descriptor");
    if (item->kind != expected) {
      PutAsterisks(field);
    } else if (expected == FormatItem::Kind::kInteger) {
      PutInteger(field, item->integer);
    } else if (expected == FormatItem::Kind::kReal64) {
      PutFixed(field, item->real, descriptor.decimals);
    } else {
      PutText(field, item->text);
    }
    position += width;
    ++item;
  }
  assert(item == items.end() && "more items than the format takes");
  state.EndRecord();
}

}  // namespace quivor
