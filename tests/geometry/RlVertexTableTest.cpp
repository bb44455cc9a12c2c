// The compact vertex table: entries keep their place and contents across chunk growth.
#include <gtest/gtest.h>

#include "RlVertexTable.h"

TEST(RlVertexTable, EntriesSurviveGrowth) {
  constexpr int kEntries = 200000;
  RlVertexTable table;
  for (int e = 0; e < kEntries; ++e) {
    RlWeldEntry& entry = table.Append();
    entry.corner = e;
    entry.count = e % 7;
    entry.tangent[0] = e;
    entry.binormal[2] = -e;
  }
  ASSERT_EQ(table.Size(), kEntries);
  for (int e = 0; e < kEntries; ++e) {
    const RlWeldEntry& entry = table[e];
    ASSERT_EQ(entry.corner, e);
    ASSERT_EQ(entry.count, e % 7);
    ASSERT_EQ(entry.tangent[0], e);
    ASSERT_EQ(entry.binormal[2], -e);
  }
}
