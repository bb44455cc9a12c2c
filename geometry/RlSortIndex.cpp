// The blocked sort index: locating ranks, insertion and block splits.
#include "RlSortIndex.h"

#include <algorithm>
#include <cstring>

RlBlockedSortIndex::RlBlockedSortIndex() {
  blocks_.push_back(std::make_unique<Block>());
  offset_.assign(1, 0);
  groupStart_.assign(2, 0);
  Forget();
}

RlBlockedSortIndex::~RlBlockedSortIndex() = default;

void RlBlockedSortIndex::Forget() {
  for (Found& found : found_) {
    found.block = -1;
  }
}

void RlBlockedSortIndex::Insert(int rank, int count, int entry, float x) {
  // Appending goes to the last block; any other rank to the block that holds it now.
  const auto holder = [&] { return rank == count ? AllBlocks().last : Locate(rank, AllBlocks()); };
  int b = holder();
  if (blocks_[static_cast<std::size_t>(b)]->size == kSortBlockCapacity) {
    Split(b);
    b = holder();
  }
  Block& block = *blocks_[static_cast<std::size_t>(b)];
  const int at = rank - BlockStart(b);
  const auto tail = static_cast<std::size_t>(block.size - at);
  std::memmove(&block.x[at + 1], &block.x[at], tail * sizeof block.x[0]);
  block.x[at] = x;
  std::memmove(&block.entry[at + 1], &block.entry[at], tail * sizeof block.entry[0]);
  block.entry[at] = entry;
  ++block.size;

  // Every later block in the group, and every later group, starts one rank later.
  const int groupEnd = std::min(static_cast<int>(blocks_.size()), (b / kGroupBlocks + 1) * kGroupBlocks);
  for (int k = b + 1; k < groupEnd; ++k) {
    ++offset_[static_cast<std::size_t>(k)];
  }
  for (std::size_t g = static_cast<std::size_t>(b / kGroupBlocks) + 1; g < groupStart_.size(); ++g) {
    ++groupStart_[g];
  }
  for (Found& found : found_) {
    found.start += found.block > b ? 1 : 0;
  }
}

void RlBlockedSortIndex::Split(int block) {
  Block& full = *blocks_[static_cast<std::size_t>(block)];
  auto upper = std::make_unique<Block>();
  const int keep = full.size / 2;
  upper->size = full.size - keep;
  const auto moved = static_cast<std::size_t>(upper->size);
  std::memcpy(upper->x, full.x + keep, moved * sizeof full.x[0]);
  std::memcpy(upper->entry, full.entry + keep, moved * sizeof full.entry[0]);
  full.size = keep;
  blocks_.insert(blocks_.begin() + block + 1, std::move(upper));
  RebuildStarts();
  Forget();  // later blocks have new numbers
}

void RlBlockedSortIndex::RebuildStarts() {
  const std::size_t blocks = blocks_.size();
  const std::size_t groups = (blocks + kGroupBlocks - 1) / kGroupBlocks;
  offset_.resize(blocks);
  groupStart_.assign(groups + 1, 0);
  int rank = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    if (b % kGroupBlocks == 0) {
      groupStart_[b / kGroupBlocks] = rank;
    }
    offset_[b] = rank - groupStart_[b / kGroupBlocks];
    rank += blocks_[b]->size;
  }
  groupStart_[groups] = rank;
}
