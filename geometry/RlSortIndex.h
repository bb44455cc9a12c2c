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
#include <vector>

#include "RlGeometryInternal.h"

// The binary search of RlIndexBinaryTraverseD over ranks 0 to count - 1: probe(rank)
// compares the value with the entry at that rank. Returns the rank compared last, with
// that comparison in *result (-1, and no probe, when count is 0).
template <typename Probe>
int RlBinaryTraverse(int count, int* result, Probe&& probe) {
  int high = count;
  int low = 0;
  int mid = low + ((high - low) >> 1);
  *result = -1;
  while (low != high) {
    *result = probe(mid);
    if (*result == 0) {
      break;
    }
    if (*result < 0) {
      high = mid;
    } else {
      low = mid;
    }
    // The lower bound stays on an entry that compared greater, so the search stops
    // when the middle no longer moves.
    const int nextMid = low + ((high - low) >> 1);
    if (nextMid == mid) {
      break;
    }
    mid = nextMid;
  }
  return mid;
}

// The flat sort index: count entry numbers in an int array with room for one more.
class RlFlatSortIndex {
 public:
  explicit RlFlatSortIndex(int* indices) : indices_(indices) {}

  int Traverse(RlTangentPointD* value, RlTangentPointD* data, int count, int* result) {
    return RlIndexBinaryTraverseD(value, data, indices_, count, result, RlCompareD);
  }
  int EntryAt(int rank) const { return indices_[rank]; }
  // Puts entry at rank, moving ranks rank to count - 1 up by one.
  void Insert(int rank, int count, int entry, double x);

 private:
  int* indices_;
};

// The blocked sort index. Beside each entry number it keeps the entry's position x (a
// float, as every entry's position is), which decides most comparisons without touching
// the 116-byte record. Memory grows with the entries, about 8 to 16 bytes each.
// Allocation failures throw std::bad_alloc.
class RlBlockedSortIndex {
 public:
  RlBlockedSortIndex();
  ~RlBlockedSortIndex();

  // RlIndexBinaryTraverseD with RlCompareD over this index.
  int Traverse(RlTangentPointD* value, RlTangentPointD* data, int count, int* result);
  int EntryAt(int rank) const;
  // Puts entry, whose position x is x, at rank; count is the number of entries before.
  void Insert(int rank, int count, int entry, double x);

 private:
  struct Block;
  struct Range {  // blocks that may hold the ranks still searched
    int first;
    int last;
  };

  Range AllBlocks() const { return {0, static_cast<int>(blocks_.size()) - 1}; }
  int BlockStart(int block) const;
  // The block holding rank, among those of range.
  int Locate(int rank, Range range) const;
  void Split(int block);
  void RebuildStarts();

  std::vector<std::unique_ptr<Block>> blocks_;  // in rank order
  // A block's first rank is groupStart_ of its group (kGroupBlocks consecutive blocks)
  // plus its own offset within the group, so an insertion updates a few of each.
  std::vector<int> offset_;
  std::vector<int> groupStart_;  // one more than there are groups: the last is the total
};

// Inserts the candidate built in point[*num] into a sorted vertex table over index:
// merges its frame into an equal entry or makes it a new entry. Returns the entry that
// now represents the candidate.
template <typename Index>
int RlInsertCandidate(int* num, Index& index, RlTangentPointD* point) {
  const int entries = *num > 0 ? *num : 0;
  RlTangentPointD* candidate = &point[entries];
  const double x = candidate->vertex[0];
  if (entries == 0) {
    index.Insert(0, 0, 0, x);
    *num = 1;
    return 0;
  }

  int compValue;
  const int pos = index.Traverse(candidate, point, entries, &compValue);
  if (compValue == 0) {
    // Merge: the entry sums the unit frames of its corners; the candidate is left behind.
    const int merged = index.EntryAt(pos);
    RlTangentPointD* entry = &point[merged];
    for (int k = 0; k < 3; ++k) {
      entry->tangent[k] += candidate->tangent[k];
    }
    for (int k = 0; k < 3; ++k) {
      entry->binormal[k] += candidate->binormal[k];
    }
    entry->count += 1;
    return merged;
  }

  // A new entry in place, listed just before or just after the rank compared last.
  index.Insert(compValue < 0 ? pos : pos + 1, entries, entries, x);
  *num = entries + 1;
  return entries;
}

#endif
