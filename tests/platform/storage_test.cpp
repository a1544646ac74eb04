// Zeroed storage for the arrays of a run, on either side of the large-block
// threshold, where the heap gives way to the system's own pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

#include "platform/platform.hpp"

namespace quivor::platform {
namespace {

bool AllZero(const unsigned char* bytes, std::size_t count) {
  return std::all_of(bytes, bytes + count, [](unsigned char b) { return b == 0; });
}

TEST(ZeroedStorage, EveryByteIsZeroAndWritableAcrossTheThreshold) {
  const std::size_t half = kLargeBlock / 2;
  const std::size_t sizes[] = {0,
                               1,
                               8,
                               kLargeBlock - 8,
                               kLargeBlock,
                               kLargeBlock + 8,
                               kLargeBlock + half - 8,  // tail below half a huge page
                               kLargeBlock + half,      // tail of exactly half
                               3 * kLargeBlock - 8,
                               16 * kLargeBlock + 4096 + 8};
  for (std::size_t bytes : sizes) {
    SCOPED_TRACE(bytes);
    // Twice: a block written all over and given back must not come back dirty.
    for (int round = 0; round < 2; ++round) {
      auto* block = static_cast<unsigned char*>(AllocateZeroed(bytes));
      ASSERT_NE(block, nullptr);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
      EXPECT_TRUE(AllZero(block, bytes));
      std::memset(block, 0xA5, bytes);
      FreeZeroed(block, bytes);
    }
  }
  FreeZeroed(nullptr, 0);
  FreeZeroed(nullptr, kLargeBlock);
}

// Small blocks that follow a freed large block may be cut from its pages:
// each must still come zeroed, apart from the others, and survive the large
// block's memory being written over before.
TEST(ZeroedStorage, SmallBlocksAfterALargeOneAreZeroedAndApart) {
  const std::size_t large = kLargeBlock + kLargeBlock / 2;
  const std::size_t sizes[] = {4096, 128000, 8, 4100, 64000, 300000};
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    auto* dirty = static_cast<unsigned char*>(AllocateZeroed(large));
    ASSERT_NE(dirty, nullptr);
    std::memset(dirty, 0xA5, large);
    FreeZeroed(dirty, large);

    unsigned char* blocks[std::size(sizes)];
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
      blocks[i] = static_cast<unsigned char*>(AllocateZeroed(sizes[i]));
      ASSERT_NE(blocks[i], nullptr);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks[i]) % alignof(std::max_align_t), 0u);
      EXPECT_TRUE(AllZero(blocks[i], sizes[i])) << sizes[i];
      std::memset(blocks[i], static_cast<int>(i + 1), sizes[i]);
    }
    // A large block freed while the small ones live is simply given back.
    void* other = AllocateZeroed(large);
    ASSERT_NE(other, nullptr);
    FreeZeroed(other, large);
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
      EXPECT_TRUE(std::all_of(blocks[i], blocks[i] + sizes[i], [i](unsigned char b) {
        return b == i + 1;
      })) << sizes[i];
    }
    // Freed in an order of their own, not the reverse of the cutting.
    for (const std::size_t i : {3u, 0u, 5u, 1u, 4u, 2u}) FreeZeroed(blocks[i], sizes[i]);
  }
}

TEST(ZeroedStorage, ARequestBeyondAnyMemoryIsRefused) {
  const std::size_t sizes[] = {std::numeric_limits<std::size_t>::max(),
                               std::numeric_limits<std::size_t>::max() - kLargeBlock / 2,
                               std::numeric_limits<std::size_t>::max() / 2 + 1};
  for (std::size_t bytes : sizes) {
    SCOPED_TRACE(bytes);
    EXPECT_EQ(AllocateZeroed(bytes), nullptr);
  }
}

}  // namespace
}  // namespace quivor::platform
