// The flat and the blocked sort index.
#include "RlSortIndex.h"

#include <algorithm>
#include <cstring>

void RlFlatSortIndex::Insert(int rank, int count, int entry, double /*x*/) {
  std::memmove(&indices_[rank + 1], &indices_[rank],
               static_cast<std::size_t>(count - rank) * sizeof *indices_);
  indices_[rank] = entry;
}

namespace {

// Entries per block: an insertion moves at most this many, a split halves a full block.
constexpr int kBlockCapacity = 4096;
// Blocks per group: an insertion updates at most this many block offsets, and one group
// start per later group.
constexpr int kGroupBlocks = 64;

}  // namespace

struct RlBlockedSortIndex::Block {
  int size = 0;
  float x[kBlockCapacity];  // each entry's position x
  int entry[kBlockCapacity];
};

RlBlockedSortIndex::RlBlockedSortIndex() {
  blocks_.push_back(std::make_unique<Block>());
  offset_.assign(1, 0);
  groupStart_.assign(2, 0);
}

RlBlockedSortIndex::~RlBlockedSortIndex() = default;

int RlBlockedSortIndex::BlockStart(int block) const {
  return groupStart_[static_cast<std::size_t>(block / kGroupBlocks)] +
         offset_[static_cast<std::size_t>(block)];
}

int RlBlockedSortIndex::Locate(int rank, Range range) const {
  // The last group, then the last block within it, that starts at or before rank.
  const auto groups = groupStart_.begin();
  const int firstGroup = range.first / kGroupBlocks;
  const int lastGroup = range.last / kGroupBlocks;
  const int group =
      static_cast<int>(std::upper_bound(groups + firstGroup + 1, groups + lastGroup + 1, rank) -
                       groups) - 1;
  const int local = rank - groupStart_[static_cast<std::size_t>(group)];
  const auto offsets = offset_.begin();
  const int first = std::max(range.first, group * kGroupBlocks);
  const int last = std::min(range.last, group * kGroupBlocks + kGroupBlocks - 1);
  return static_cast<int>(std::upper_bound(offsets + first + 1, offsets + last + 1, local) -
                          offsets) - 1;
}

int RlBlockedSortIndex::Traverse(RlTangentPointD* value, RlTangentPointD* data, int count,
                                 int* result) {
  const double valueX = value->vertex[0];
  RlPreparedPointD prepared(value);
  // The blocks that may hold the ranks still searched narrow with the search; once the
  // probes stay inside one block, ranks map to it directly.
  Range range = AllBlocks();
  const Block* block = nullptr;
  int b = 0, start = 0, end = 0;
  return RlBinaryTraverse(count, result, [&](int rank) {
    if (rank < start || rank >= end) {
      b = Locate(rank, range);
      block = blocks_[static_cast<std::size_t>(b)].get();
      start = BlockStart(b);
      end = start + block->size;
    }
    const int at = rank - start;
    // RlCompareD's first test, on the x kept here; the record only when x ties.
    int order = RlCompareComponent(valueX, block->x[at], VEK_VERT_TINY);
    if (order == 0) {
      order = prepared.CompareWith(&data[block->entry[at]]);
    }
    if (order < 0) {
      range.last = b;
    } else if (order > 0) {
      range.first = b;
    }
    return order;
  });
}

int RlBlockedSortIndex::EntryAt(int rank) const {
  const int b = Locate(rank, AllBlocks());
  return blocks_[static_cast<std::size_t>(b)]->entry[rank - BlockStart(b)];
}

void RlBlockedSortIndex::Insert(int rank, int count, int entry, double x) {
  // Appending goes to the last block; any other rank to the block that holds it now.
  const auto holder = [&] { return rank == count ? AllBlocks().last : Locate(rank, AllBlocks()); };
  int b = holder();
  if (blocks_[static_cast<std::size_t>(b)]->size == kBlockCapacity) {
    Split(b);
    b = holder();
  }
  Block& block = *blocks_[static_cast<std::size_t>(b)];
  const int at = rank - BlockStart(b);
  const auto tail = static_cast<std::size_t>(block.size - at);
  std::memmove(&block.x[at + 1], &block.x[at], tail * sizeof block.x[0]);
  std::memmove(&block.entry[at + 1], &block.entry[at], tail * sizeof block.entry[0]);
  block.x[at] = static_cast<float>(x);  // exact: x is a float widened to double
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
}

void RlBlockedSortIndex::Split(int block) {
  Block& full = *blocks_[static_cast<std::size_t>(block)];
  auto upper = std::make_unique<Block>();
  const int keep = full.size / 2;
  upper->size = full.size - keep;
  std::memcpy(upper->x, full.x + keep, static_cast<std::size_t>(upper->size) * sizeof full.x[0]);
  std::memcpy(upper->entry, full.entry + keep,
              static_cast<std::size_t>(upper->size) * sizeof full.entry[0]);
  full.size = keep;
  blocks_.insert(blocks_.begin() + block + 1, std::move(upper));
  RebuildStarts();
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
