// The block arena: every block is its own memory, and past the loose blocks the blocks
// are carved out of chunks aligned to a huge page.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "RlBlockArena.h"

TEST(RlBlockArena, BlocksAreDisjointAndChunkedPastTheLooseBytes) {
  constexpr std::size_t kBlock = 16384;
  constexpr std::size_t kLoose = RlBlockArena::kLooseBytes / kBlock;
  constexpr std::size_t kPerChunk = RlBlockArena::kChunkBytes / kBlock;
  RlBlockArena arena(kBlock);
  std::vector<unsigned char*> blocks;
  for (std::size_t k = 0; k < kLoose + 2 * kPerChunk + 3; ++k) {
    blocks.push_back(static_cast<unsigned char*>(arena.Allocate()));
    std::memset(blocks.back(), static_cast<int>(k % 251), kBlock);
  }
  // What each block was filled with is still there: no block shares a byte with another.
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const std::vector<unsigned char> expected(kBlock, static_cast<unsigned char>(k % 251));
    ASSERT_EQ(std::memcmp(blocks[k], expected.data(), kBlock), 0) << "block " << k;
  }
  // Past the loose blocks, each chunk starts on a huge-page boundary and is filled in order.
  for (std::size_t k = kLoose; k < blocks.size(); ++k) {
    const std::size_t inChunk = (k - kLoose) % kPerChunk;
    if (inChunk == 0) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks[k]) % RlBlockArena::kChunkBytes, 0u)
          << "block " << k;
    } else {
      EXPECT_EQ(blocks[k], blocks[k - 1] + kBlock) << "block " << k;
    }
  }
}

TEST(RlBlockArena, BlocksThatDoNotDivideAChunkStayInsideIt) {
  constexpr std::size_t kBlock = 3 * 4096 + 16;  // 170 to a chunk, with room left over
  RlBlockArena arena(kBlock);
  const std::size_t loose = (RlBlockArena::kLooseBytes + kBlock - 1) / kBlock;
  std::vector<unsigned char*> blocks;
  for (std::size_t k = 0; k < loose + 400; ++k) {
    blocks.push_back(static_cast<unsigned char*>(arena.Allocate()));
    // Each block's first and last byte, so that AddressSanitizer sees a block that
    // runs past its chunk.
    blocks.back()[0] = 1;
    blocks.back()[kBlock - 1] = 1;
  }
  const std::size_t perChunk = RlBlockArena::kChunkBytes / kBlock;
  for (std::size_t k = loose; k < blocks.size(); ++k) {
    const auto offset = reinterpret_cast<std::uintptr_t>(blocks[k]) % RlBlockArena::kChunkBytes;
    EXPECT_EQ(offset, (k - loose) % perChunk * kBlock) << "block " << k;
  }
}
