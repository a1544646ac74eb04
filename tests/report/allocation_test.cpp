// Writing records allocates nothing once the unit exists: every operator new
// of this test program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "report/record_writer.hpp"

namespace {
std::atomic<long> allocationCount{0};
}  // namespace

void* operator new(std::size_t size) {
  ++allocationCount;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
// GCC sees free() of what the replaced operator new returned once it inlines
// both, and takes the pair for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace quivor {
namespace {

TEST(RecordAllocation, NoneAfterTheUnitExists) {
  platform::OpenResult opened = platform::CreateForWriting("/dev/null", kResultsUnit);
  ASSERT_FALSE(opened.failure.failed());
  constexpr EditDescriptor kRow[] = {X(2),    I(3),  X(7), F(6, 2), X(12),
                                     F(6, 2), X(15), I(3), X(6),    F(7, 2)};
  constexpr EditDescriptor kTotal[] = {A(52), F(7, 2)};
  const std::string_view name = "ponte                                             ";
  long during = 0;
  {
    TextOutputUnit unit(kResultsUnit, opened.file);
    const long before = allocationCount.load();
    // Enough records to pass the 64 KiB buffer several times.
    for (int i = 0; i < 5000; ++i) {
      WriteFreeFormRecord(unit, {"  NOME DO ARQUIVO DE TRABALHO: ", name});
      WriteFreeFormRecord(unit, {" Carregamento", static_cast<std::int16_t>(i), 1.5f});
      WriteFreeFormRecord(unit, {});
      WriteFormattedRecord(
          unit, kRow,
          {static_cast<std::int16_t>(i), 14.142135623730951, -1e300, 40000, 6.17590391644931});
      WriteFormattedRecord(unit, kTotal,
                           {" PESO TOTAL DA TRELICA EM FIOS DE ESPAGUETE (g): ", 0.1 * i});
    }
    EXPECT_FALSE(unit.Flush().failed());
    during = allocationCount.load() - before;
  }
  platform::CloseFile(opened.file);
  EXPECT_EQ(during, 0);
}

}  // namespace
}  // namespace quivor
