// Internal: the sort index of the sorted vertex table, in two forms with the same probes.
//
// The table's entries stay where they were created; the sort index lists their numbers
// in compare order. The binary search below asks for entries by rank, and inserting a
// new entry inserts its number at a rank. The flat form is a plain int array: a rank is
// an array position, and an insertion moves the array's tail (O(n) per new vertex). The
// blocked form holds the numbers in blocks of bounded size, so an insertion moves part
// of one block and a rank costs a short search over block offsets. Both see the same
// ranks in the same order and compare the same entries, so they give the same results
// bit for bit.
#ifndef RL_SORT_INDEX_H
#define RL_SORT_INDEX_H

#include <memory>
#include <optional>
#include <vector>

#include "RlGeometryInternal.h"

// The step of every binary search of the sort index, flat or blocked, written once: the
// ranks still searched, [low, high), and the one probed next, mid, their middle. A probe
// compares the value with the entry at mid; Narrow keeps the side the value belongs on
// (the lower bound stays on an entry that compared greater, so the range never empties)
// and says whether the search goes on: it ends at mid once the middle no longer moves.
struct RlProbe {
  int low;
  int high;
  int mid;

  static constexpr RlProbe Over(int low, int high) { return {low, high, low + ((high - low) >> 1)}; }

  // after: the value belongs after the entry at mid (the comparison was positive).
  bool Narrow(bool after) {
    // A branch, not a select: the processor runs ahead on its guess of the side, where
    // computing it would wait for the comparison's loads.
    if (after) {
      low = mid;
    } else {
      high = mid;
    }
    const int next = low + ((high - low) >> 1);
    if (next == mid) {
      return false;
    }
    mid = next;
    return true;
  }

  // The same step over ranks shifted by offset (positions in a block, from ranks).
  RlProbe Shifted(int offset) const { return {low + offset, high + offset, mid + offset}; }
};

// The binary search of RlIndexBinaryTraverseD over ranks 0 to count - 1: probe(rank)
// compares the value with the entry at that rank. Returns the rank compared last, with
// that comparison in *result (-1, and no probe, when count is 0).
template <typename Probe>
int RlBinaryTraverse(int count, int* result, Probe&& probe) {
  *result = -1;
  if (count == 0) {
    return 0;
  }
  RlProbe step = RlProbe::Over(0, count);
  do {
    *result = probe(step.mid);
  } while (*result != 0 && step.Narrow(*result > 0));
  return step.mid;
}

// Where a search of the blocked sort index stands before a probe: its step, how many
// probes were made before it while the ranks searched spanned blocks (which numbers the
// blocks remembered), and the block holding the rank probed with the block's first rank
// (block -1: not known yet). Valid until the next insertion.
struct RlSearchState {
  RlProbe step;
  int probe;
  int block;
  int start;
};

// The start of a search over count entries.
inline RlSearchState RlSearchStart(int count) { return {RlProbe::Over(0, count), 0, -1, 0}; }

// What comparing a value with a tied entry gave, and whether it went as far as the
// entry's summed frames (every key tied).
struct RlTieOrder {
  int order;
  bool framesCompared;
};

// The blocked sort index. Beside each entry's name it keeps the entry's position x (a
// float, as every entry's position is), which decides most comparisons without touching
// the entry. Memory grows with the entries, about 8 to 16 bytes each. Allocation
// failures throw std::bad_alloc.
class RlBlockedSortIndex {
 public:
  // Of the layers, the index follows blockCache.
  explicit RlBlockedSortIndex(const RlWeldLayers& layers = {});
  ~RlBlockedSortIndex();

  // RlBinaryTraverse over the entries listed, from the state from (RlSearchStart(count)
  // for a whole search), for a value whose position x has the bounds boundsX =
  // RlBoundsOf(x, VEK_VERT_TINY): an entry whose x differs from the value's by more than
  // VEK_VERT_TINY is ordered by x alone, as RlCompareD orders it; tie(entry) compares
  // the value with any other entry, from position y on, and gives an RlTieOrder. Returns
  // the rank compared last, with that comparison in *result; *entry receives the entry
  // when they are equal (-1, and no probe, when there are no entries). *framesAt receives
  // the state before the first probe whose tie compared frames (none when none did).
  template <typename Tie>
  int Traverse(RlComponentBounds boundsX, RlSearchState from, int* result, int* entry,
               std::optional<RlSearchState>* framesAt, Tie&& tie);

  // Puts entry, whose position x is x, at rank; count is the number of entries before.
  void Insert(int rank, int count, int entry, float x);

 private:
  struct Block;
  struct Range {  // blocks that may hold the ranks still searched
    int first;
    int last;
  };

  Range AllBlocks() const { return {0, static_cast<int>(blocks_.size()) - 1}; }
  int BlockStart(int block) const {
    return groupStart_[static_cast<std::size_t>(block / kGroupBlocks)] + offset_[static_cast<std::size_t>(block)];
  }
  // The block holding rank, among those of range: the last one that starts at or before
  // rank (the range's first one does), found by halving the range without a branch.
  int Locate(int rank, Range range) const {
    int base = range.first;
    int length = range.last - range.first + 1;
    while (length > 1) {
      const int half = length >> 1;
      base = BlockStart(base + half) <= rank ? base + half : base;
      length -= half;
    }
    return base;
  }
  void Split(int block);
  void RebuildStarts();

  // The blocks where the last search's cross-block probes landed, by probe number, with
  // their first ranks (kept up to date by insertions; block -1: none). The next search
  // mostly probes the same blocks first, so a rank is checked against the block
  // remembered before it is looked for.
  struct Found {
    int block;
    int start;
  };
  static constexpr int kRemembered = 32;  // about the most probes a search makes
  Found found_[kRemembered];
  bool cached_;  // false without the block cache: each search starts with none remembered
  void Forget();
  // The block of rank, among those of range, for probe number probe.
  Found Find(int probe, int rank, Range range);
  // The end of a search whose ranks all lie in block b, which starts at rank start: the
  // rank compared last, with that comparison in *result.
  template <typename CompareAt>
  static int SearchBlock(const Block& block, int start, RlProbe step, int probe, int b, RlComponentBounds boundsX,
                         CompareAt& compareAt, int* result);

  std::vector<std::unique_ptr<Block>> blocks_;  // in rank order
  std::vector<int> sizes_;                      // entries in each block
  // A block's first rank is groupStart_ of its group (kGroupBlocks consecutive blocks)
  // plus its own offset within the group, so an insertion updates a few of each.
  static constexpr int kGroupBlocks = 64;
  std::vector<int> offset_;
  std::vector<int> groupStart_;  // one more than there are groups: the last is the total
};

// Entries per block: an insertion moves at most this many, a split halves a full block.
inline constexpr int kSortBlockCapacity = 2048;

// 16 KB: four pages. An entry's name lies beside its x, so a
// probe that ties finds the name in the line it has just read, and an insertion moves
// one run of slots.
struct RlBlockedSortIndex::Block {
  struct Slot {
    float x;  // the entry's position x
    int entry;
  };
  Slot slot[kSortBlockCapacity];
};

inline RlBlockedSortIndex::Found RlBlockedSortIndex::Find(int probe, int rank, Range range) {
  if (probe >= kRemembered) {
    const int block = Locate(rank, range);
    return {block, BlockStart(block)};
  }
  Found& found = found_[probe];
  if (found.block < 0 || rank < found.start || rank >= found.start + sizes_[static_cast<std::size_t>(found.block)]) {
    const int block = Locate(rank, range);
    found = {block, BlockStart(block)};
  }
  return found;
}

template <typename CompareAt>
int RlBlockedSortIndex::SearchBlock(const Block& block, int start, RlProbe step, int probe, int b,
                                    RlComponentBounds boundsX, CompareAt& compareAt, int* result) {
  RlProbe local = step.Shifted(-start);
  for (;;) {
    // x alone decides unless it lies within the bounds (or is NaN).
    const float x = block.slot[local.mid].x;
    bool after = x > boundsX.above;
    if (!(x < boundsX.below) && !after) [[unlikely]] {
      const int order = compareAt(block, local.mid, RlSearchState{local.Shifted(start), probe, b, start});
      if (order == 0) {
        *result = 0;
        return start + local.mid;
      }
      after = order > 0;
    }
    if (!local.Narrow(after)) {
      *result = after ? 1 : -1;
      return start + local.mid;
    }
  }
}

template <typename Tie>
int RlBlockedSortIndex::Traverse(RlComponentBounds boundsX, RlSearchState from, int* result, int* entry,
                                 std::optional<RlSearchState>* framesAt, Tie&& tie) {
  *entry = -1;
  *result = -1;
  framesAt->reset();
  if (!cached_) {
    Forget();
  }
  if (from.step.high == 0) {
    return 0;
  }
  // The comparison with the entry at position at of block, with the search in state:
  // RlCompareComponent on x (through its bounds), then tie on the entry itself.
  const auto compareAt = [&](const Block& block, int at, const RlSearchState& state) {
    const float x = block.slot[at].x;
    if (x < boundsX.below || x > boundsX.above) {
      return x < boundsX.below ? -1 : 1;
    }
    const RlTieOrder tied = tie(block.slot[at].entry);
    if (tied.framesCompared && !framesAt->has_value()) {
      *framesAt = state;
    }
    if (tied.order == 0) {
      *entry = block.slot[at].entry;
    }
    return tied.order;
  };

  // RlBinaryTraverse's search over ranks. While the ranks still searched span blocks,
  // each probe finds its block among those not ruled out; once they lie in one block,
  // the search goes on over positions in it.
  RlProbe step = from.step;
  Range range = AllBlocks();
  int probe = from.probe;
  const Found at = from.block >= 0 ? Found{from.block, from.start} : Find(probe, step.mid, range);
  int b = at.block;
  int start = at.start;
  for (;;) {
    const Block& block = *blocks_[static_cast<std::size_t>(b)];
    const int end = start + sizes_[static_cast<std::size_t>(b)];
    if (step.low >= start && step.high <= end) {
      return SearchBlock(block, start, step, probe, b, boundsX, compareAt, result);
    }
    const int order = compareAt(block, step.mid - start, {step, probe, b, start});
    *result = order;
    if (order == 0) {
      return step.mid;
    }
    (order < 0 ? range.last : range.first) = b;
    if (!step.Narrow(order > 0)) {
      return step.mid;
    }
    ++probe;
    if (step.mid < start || step.mid >= end) {
      const Found holder = Find(probe, step.mid, range);
      b = holder.block;
      start = holder.start;
    }
  }
}

#endif
