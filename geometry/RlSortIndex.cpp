// The blocked sort index: locating ranks, insertion and block splits.
#include "RlSortIndex.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

RlBlockedSortIndex::RlBlockedSortIndex(const RlWeldLayers& layers) : cached_(layers.blockCache) {
  // Blocks are filled before they are read, so they start uninitialised (their pages are
  // touched only as entries arrive).
  blocks_.push_back(std::make_unique_for_overwrite<Block>());
  sizes_.assign(1, 0);
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
  if (sizes_[static_cast<std::size_t>(b)] == kSortBlockCapacity) {
    Split(b);
    b = holder();
  }
  Block& block = *blocks_[static_cast<std::size_t>(b)];
  const int at = rank - BlockStart(b);
  int& size = sizes_[static_cast<std::size_t>(b)];
  const auto tail = static_cast<std::size_t>(size - at);
  std::memmove(&block.slot[at + 1], &block.slot[at], tail * sizeof block.slot[0]);
  block.slot[at] = {x, entry};
  ++size;

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
  std::unique_ptr<Block> upper = std::make_unique_for_overwrite<Block>();
  Block& half = *upper;
  const auto at = static_cast<std::size_t>(block);
  sizes_.insert(sizes_.begin() + block + 1, 0);
  try {
    blocks_.insert(blocks_.begin() + block + 1, std::move(upper));
  } catch (...) {
    sizes_.erase(sizes_.begin() + block + 1);  // the index stays as it was
    throw;
  }
  const Block& full = *blocks_[at];
  const int keep = sizes_[at] / 2;
  const auto moved = static_cast<std::size_t>(sizes_[at] - keep);
  std::memcpy(half.slot, full.slot + keep, moved * sizeof full.slot[0]);
  sizes_[at] = keep;
  sizes_[at + 1] = static_cast<int>(moved);
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
    rank += sizes_[b];
  }
  groupStart_[groups] = rank;
}
