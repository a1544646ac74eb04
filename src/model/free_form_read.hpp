// Free-form (list-directed) reading of values from text records.
//
// An InputUnit is one text source read record by record through a fixed
// buffer: the model file (unit 1), the console (unit -4) or text in memory.
// Memory use does not grow with the length of a line or of the file.
// FreeFormRead begins at the start of the unit's next record, fills its items
// in order from as many records as it needs, and leaves the rest of its last
// record unread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/failure.hpp"
#include "platform/platform.hpp"

namespace quivor {

enum class ItemKind { kInt16, kReal64, kReal32, kText };

// One item of a read: a reference to the variable and its kind. `line` is set
// by the read to the line number (from 1) of the record where the item's value
// stood, or 0 when the item got no value (null, slash).
struct ReadItem {
  ItemKind kind;
  void* target;
  std::size_t textLength = 0;  // kText: the fixed length of the text variable
  std::int64_t line = 0;

  explicit ReadItem(std::int16_t& value) : kind(ItemKind::kInt16), target(&value) {}
  explicit ReadItem(double& value) : kind(ItemKind::kReal64), target(&value) {}
  explicit ReadItem(float& value) : kind(ItemKind::kReal32), target(&value) {}
  // A text variable of `length` characters, blank-padded on the right.
  ReadItem(char* text, std::size_t length)
      : kind(ItemKind::kText), target(text), textLength(length) {}
};

// Where one read found its values: the offsets, in bytes from the start of
// the unit's text, where its first record began and where it stopped; the
// line (from 1) where it stopped; how many items it had; whether a slash
// stopped it. What follows `end` on that line is left unread.
struct ReadExtent {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::int64_t line = 0;
  std::size_t items = 0;
  bool slash = false;
};

// Told of each read that succeeds, for a caller that looks at what the
// reader leaves unread. Reading goes on exactly as without it.
class ReadObserver {
 public:
  virtual void ReadEnded(const ReadExtent& extent) = 0;

 protected:
  ~ReadObserver() = default;
};

class InputUnit {
 public:
  // Reads an open file (unit 1), or the console when `file` is kNoFile.
  InputUnit(int unit, platform::FileHandle file);
  // Reads text held in memory, as unit `unit`; the text must outlive the
  // unit. A small `bufferSize` lets tests cut values at every refill.
  InputUnit(int unit, std::string_view text, std::size_t bufferSize = kBufferSize);
  ~InputUnit();
  InputUnit(const InputUnit&) = delete;
  InputUnit& operator=(const InputUnit&) = delete;

  int unit() const { return unit_; }
  // The record number (from 1) where the last read stopped.
  std::int64_t line() const;
  // Tells `observer` (which must outlive the unit; null for none) of each
  // read that succeeds from now on.
  void Observe(ReadObserver* observer) { observer_ = observer; }

  static constexpr std::size_t kBufferSize = 64 * 1024;  // bytes

  struct State;  // the reader's position and buffer

 private:
  friend Failure FreeFormRead(InputUnit& unit, std::span<ReadItem> items);
  int unit_;
  std::unique_ptr<State> state_;
  ReadObserver* observer_ = nullptr;
};

// Fills the items from the unit's text. Fails with 24 (end of input before
// every item has a value), 39 (the system refused the read), 59 (malformed
// value) or 64 (a value its item cannot hold). An empty list takes exactly
// one record and ignores it (the wait for Enter).
Failure FreeFormRead(InputUnit& unit, std::span<ReadItem> items);

}  // namespace quivor
