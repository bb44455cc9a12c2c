// The blocked sort index on its own, at a size where its blocks come out of huge-page
// chunks: every entry is found at its rank after insertions all over the index.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <random>
#include <vector>

#include "RlSortIndex.h"

namespace {

// Searches index (count entries) for x, with entry number self standing for the value:
// it ties only with itself. Returns the rank compared last; *order and *found as
// Traverse gives them.
int Search(RlBlockedSortIndex& index, int count, float x, int self, int* order, int* found) {
  std::optional<RlSearchState> framesAt;
  return index.Traverse(RlBoundsOf(x, VEK_VERT_TINY), RlSearchStart(count), order, found, &framesAt, [&](int e) {
    return RlTieOrder{self > e ? -1 : self < e, false};
  });
}

}  // namespace

TEST(RlBlockedSortIndex, ShuffledInsertionsPastTheLooseBlocksKeepEveryRank) {
  // Entry e has x = e. Compare order lists the greater x first, so e's rank is
  // kEntries - 1 - e. Inserted in a shuffled order, the blocks split all over the index,
  // well past the blocks taken one by one.
  constexpr int kEntries = 600000;
  std::vector<int> order(kEntries);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  RlBlockedSortIndex index;
  for (int count = 0; count < kEntries; ++count) {
    const int e = order[static_cast<std::size_t>(count)];
    int result;
    int found;
    const int rank = Search(index, count, static_cast<float>(e), e, &result, &found);
    ASSERT_NE(result, 0) << "entry " << e << " found before it was inserted";
    index.Insert(result < 0 ? rank : rank + 1, count, e, static_cast<float>(e));
  }
  for (int e = 0; e < kEntries; ++e) {
    int result;
    int found;
    const int rank = Search(index, kEntries, static_cast<float>(e), e, &result, &found);
    ASSERT_EQ(result, 0) << "entry " << e;
    ASSERT_EQ(found, e);
    ASSERT_EQ(rank, kEntries - 1 - e);
  }
}
