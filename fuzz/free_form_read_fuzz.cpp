// Fuzz target: the free-form reader on arbitrary bytes with arbitrary item
// lists.
//
// The first bytes choose the reads, the rest is the text they read:
//   byte 0           bits 0-2: number of reads - 1 (1 to 8);
//                    bits 3-7: size of the small buffer - 2 (2 to 33 bytes)
//   2 bytes per read bits 0-2 of the first: number of items (0 to 6, 7 acts
//                    as 6); the next 12 bits, 2 per item: its kind (16-bit
//                    integer, 64-bit real, 32-bit real, text of 50 characters)
// The reads run one after the other on one unit, as the model reader's do,
// and stop at the first failure, where the program would end.
//
// Oracle: the same reads through the normal buffer and through the small one
// (which cuts every value at a refill and sends long ones down the streaming
// path) give the same failures, values, lines and text, bit for bit; a
// failure is one that text in memory can give (24, 59, 64) on the unit read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.hpp"
#include "model/free_form_read.hpp"

namespace quivor {
namespace {

constexpr std::size_t kTextLength = 50;
constexpr std::size_t kMaxItems = 6;

enum class Kind : std::uint8_t { kInt16, kReal64, kReal32, kText };

struct ReadPlan {
  std::vector<Kind> kinds;
};

// Everything a sequence of reads leaves behind, as bytes to compare.
struct Outcome {
  std::vector<Failure> failures;  // one per read done
  std::string values;             // every item's bytes after its read
  std::vector<std::int64_t> lines;
};

// Starting values that no read produces by chance: an item a null value or a
// slash leaves alone keeps exactly these bytes.
constexpr std::int16_t kIntBefore = 0x5A5A;
constexpr std::uint64_t kDoubleBefore = 0x7FF4'0000'DEAD'BEEF;  // a signalling NaN
constexpr std::uint32_t kFloatBefore = 0x7FA0'BEEF;

template <class T>
void Append(std::string& bytes, const T& value) {
  bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

Outcome RunReads(const std::vector<ReadPlan>& plans, std::string_view text, std::size_t buffer) {
  InputUnit unit(kModelUnit, text, buffer);
  Outcome outcome;
  for (const ReadPlan& plan : plans) {
    // Fixed storage per read, so that items never move while the read runs.
    std::int16_t ints[kMaxItems];
    double doubles[kMaxItems];
    float floats[kMaxItems];
    char texts[kMaxItems][kTextLength];
    std::vector<ReadItem> items;
    for (std::size_t k = 0; k < plan.kinds.size(); ++k) {
      ints[k] = kIntBefore;
      std::memcpy(&doubles[k], &kDoubleBefore, sizeof(double));
      std::memcpy(&floats[k], &kFloatBefore, sizeof(float));
      std::memset(texts[k], '#', kTextLength);
      switch (plan.kinds[k]) {
        case Kind::kInt16:
          items.emplace_back(ints[k]);
          break;
        case Kind::kReal64:
          items.emplace_back(doubles[k]);
          break;
        case Kind::kReal32:
          items.emplace_back(floats[k]);
          break;
        case Kind::kText:
          items.emplace_back(texts[k], kTextLength);
          break;
      }
    }
    const std::int64_t lineBefore = unit.line();
    const Failure failure = FreeFormRead(unit, items);
    outcome.failures.push_back(failure);
    FUZZ_CHECK(unit.line() >= lineBefore);
    for (std::size_t k = 0; k < plan.kinds.size(); ++k) {
      switch (plan.kinds[k]) {
        case Kind::kInt16:
          Append(outcome.values, ints[k]);
          break;
        case Kind::kReal64:
          Append(outcome.values, doubles[k]);
          break;
        case Kind::kReal32:
          Append(outcome.values, floats[k]);
          break;
        case Kind::kText:
          outcome.values.append(texts[k], kTextLength);
          break;
      }
      outcome.lines.push_back(items[k].line);
      // A value stands on a line the read passed over.
      if (!failure.failed() && items[k].line != 0) {
        FUZZ_CHECK(items[k].line >= lineBefore && items[k].line <= unit.line());
      }
    }
    if (failure.failed()) {
      FUZZ_CHECK(failure.unit == kModelUnit);
      FUZZ_CHECK(failure.number == ErrorNumber::kEndOfFile ||
                 failure.number == ErrorNumber::kSyntaxError ||
                 failure.number == ErrorNumber::kConversionError);
      break;
    }
    outcome.lines.push_back(unit.line());
  }
  return outcome;
}

bool Same(const Outcome& a, const Outcome& b) {
  if (a.failures.size() != b.failures.size()) return false;
  for (std::size_t r = 0; r < a.failures.size(); ++r) {
    if (a.failures[r].number != b.failures[r].number) return false;
  }
  return a.values == b.values && a.lines == b.lines;
}

}  // namespace
}  // namespace quivor

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quivor;
  if (size < 1) return 0;
  const std::size_t readCount = 1 + (data[0] & 7u);
  const std::size_t smallBuffer = 2 + (data[0] >> 3);
  std::size_t at = 1;
  if (size < at + 2 * readCount) return 0;
  std::vector<ReadPlan> plans(readCount);
  for (ReadPlan& plan : plans) {
    const unsigned bits = data[at] | (static_cast<unsigned>(data[at + 1]) << 8);
    at += 2;
    std::size_t items = bits & 7u;
    if (items > kMaxItems) items = kMaxItems;
    for (std::size_t k = 0; k < items; ++k) {
      plan.kinds.push_back(static_cast<Kind>((bits >> (3 + 2 * k)) & 3u));
    }
  }
  const std::string_view text(reinterpret_cast<const char*>(data + at), size - at);

  const Outcome normal = RunReads(plans, text, InputUnit::kBufferSize);
  const Outcome small = RunReads(plans, text, smallBuffer);
  FUZZ_CHECK(Same(normal, small));
  return 0;
}
