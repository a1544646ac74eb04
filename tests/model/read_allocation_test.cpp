// Reading values allocates nothing once the unit exists, and reading a model
// allocates its arrays and nothing per value: every operator new of this
// test program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"

namespace {
std::atomic<long> allocationCount{0};
}  // namespace

// Every form the program uses (the reader allocates with std::nothrow) goes
// through one counter, and every delete back to free().
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++allocationCount;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
  if (void* memory = operator new(size, std::nothrow)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void* operator new[](std::size_t size) { return operator new(size); }
// GCC sees free() of what the replaced operator new returned once it inlines
// both, and takes the pair for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace quivor {
namespace {

TEST(ReadAllocation, NoneAfterTheUnitExists) {
  // Every kind of value, repeat counts, nulls, a slash, exponents of every
  // letter and a value longer than the buffer, many times over.
  std::string text;
  for (int i = 0; i < 3000; ++i) {
    text += std::to_string(i % 1000) + " -1.25D2, 3*0.5 +7\n";
    text += ",, 2.5e-3 / ignored\n";
    text += std::string(40, '1') + ".0e-30 1Q1 .5\n";
  }
  InputUnit unit(kModelUnit, text, 64);  // a small buffer: values cut at every refill
  std::int16_t label = 0;
  double x = 0.0, y = 0.0, z = 0.0;
  float f = 0.0f;
  const long before = allocationCount.load();
  for (int i = 0; i < 3000; ++i) {
    ReadItem first[] = {ReadItem(label), ReadItem(x), ReadItem(y),
                        ReadItem(z),     ReadItem(f), ReadItem(x)};
    ASSERT_FALSE(FreeFormRead(unit, first).failed()) << i;
    ReadItem second[] = {ReadItem(x), ReadItem(y), ReadItem(z), ReadItem(f)};
    ASSERT_FALSE(FreeFormRead(unit, second).failed()) << i;
    ReadItem third[] = {ReadItem(x), ReadItem(f), ReadItem(y)};
    ASSERT_FALSE(FreeFormRead(unit, third).failed()) << i;
  }
  EXPECT_EQ(allocationCount.load() - before, 0);
}

// A model of two nodes and one bar with `loadedNodes` loads in its one case.
std::string ModelWithLoads(int loadedNodes) {
  std::string text = "2\n1\n1 0.0 0.0\n2 10.0 0.0\n1 1 2\n1\n1\n0 0\n1\n";
  text += std::to_string(loadedNodes) + "\n";
  for (int i = 0; i < loadedNodes; ++i) text += "2\n-1.5\n2.25\n";
  return text + "2.0\n3.0\n";
}

long AllocationsToRead(const std::string& text) {
  InputUnit unit(kModelUnit, text);
  Model model;
  const long before = allocationCount.load();
  EXPECT_TRUE(ReadModelFile(unit, model).ok());
  return allocationCount.load() - before;
}

TEST(ReadAllocation, AModelAllocatesItsArraysAndNothingPerValue) {
  EXPECT_EQ(AllocationsToRead(ModelWithLoads(10)), AllocationsToRead(ModelWithLoads(10000)));
}

}  // namespace
}  // namespace quivor
