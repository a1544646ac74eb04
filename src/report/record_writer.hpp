// Text records: free-form records (items laid out by their type, at most 80
// columns) and formatted records (items laid out by edit descriptors). Every
// record ends with CR LF; text is single-byte Windows-1252, never translated.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/failure.hpp"
#include "platform/platform.hpp"

namespace quivor {

// An item of a free-form record: text, a 16-bit integer (I7) or a 32-bit real
// (15 columns).
struct FreeItem {
  enum class Kind { kText, kInt16, kReal32 } kind;
  std::string_view text;
  std::int16_t integer = 0;
  float real = 0.0f;

  FreeItem(std::string_view value) : kind(Kind::kText), text(value) {}
  FreeItem(const char* value) : kind(Kind::kText), text(value) {}
  FreeItem(std::int16_t value) : kind(Kind::kInt16), integer(value) {}
  FreeItem(float value) : kind(Kind::kReal32), real(value) {}
};

// One edit descriptor: nX, Iw, Fw.d or Aw.
struct EditDescriptor {
  enum class Kind { kSkip, kInteger, kFixed, kText } kind;
  int width;
  int decimals = 0;
};

constexpr EditDescriptor X(int n) { return {EditDescriptor::Kind::kSkip, n}; }
constexpr EditDescriptor I(int w) { return {EditDescriptor::Kind::kInteger, w}; }
constexpr EditDescriptor F(int w, int d) { return {EditDescriptor::Kind::kFixed, w, d}; }
constexpr EditDescriptor A(int w) { return {EditDescriptor::Kind::kText, w}; }

// An item of a formatted record: an integer for Iw (strand counts are 32-bit),
// a 64-bit real for Fw.d, text for Aw.
struct FormatItem {
  enum class Kind { kInteger, kReal64, kText } kind;
  std::int32_t integer = 0;
  double real = 0.0;
  std::string_view text;

  FormatItem(std::int16_t value) : kind(Kind::kInteger), integer(value) {}
  FormatItem(std::int32_t value) : kind(Kind::kInteger), integer(value) {}
  FormatItem(double value) : kind(Kind::kReal64), real(value) {}
  FormatItem(std::string_view value) : kind(Kind::kText), text(value) {}
  FormatItem(const char* value) : kind(Kind::kText), text(value) {}
};

// One output channel: the console, a file, or a string in memory.
// The first failed write is kept; nothing is written after it.
class TextOutputUnit {
 public:
  // The console (records go out as soon as they are complete).
  static TextOutputUnit Console();
  // An open file, written through a buffer, as unit `unit`.
  TextOutputUnit(int unit, platform::FileHandle file);
  // Appends to `memory`.
  explicit TextOutputUnit(std::string& memory);
  ~TextOutputUnit();
  TextOutputUnit(TextOutputUnit&&) noexcept;
  TextOutputUnit& operator=(TextOutputUnit&&) = delete;

  // Writes what is buffered; returns the first write failure, if any.
  Failure Flush();
  Failure failure() const;

 private:
  // The record in progress and the sink it goes to (defined with the writers).
  struct State;

  TextOutputUnit();
  State& state() { return *state_; }

  friend void WriteFreeFormRecord(TextOutputUnit& unit, std::initializer_list<FreeItem> items);
  friend void WriteFormattedRecord(TextOutputUnit& unit, std::span<const EditDescriptor> format,
                                   std::initializer_list<FormatItem> items);

  std::unique_ptr<State> state_;
};

// One free-form statement: one record, or more when a text item does not fit
// in the room left of the 80 columns. No items: a record holding one blank.
void WriteFreeFormRecord(TextOutputUnit& unit, std::initializer_list<FreeItem> items);

// One formatted statement: exactly one record laid out by `format`, whose
// item-taking descriptors match `items` in number, order and kind.
void WriteFormattedRecord(TextOutputUnit& unit, std::span<const EditDescriptor> format,
                          std::initializer_list<FormatItem> items);

}  // namespace quivor
