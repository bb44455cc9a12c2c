// The blocked welding road: the same vertices, merges and entry numbers as the flat road
// bit for bit, in O(log n) probes per corner. Each triangle's basis is computed once
// (ahead of the search, by the corner feed), and a corner is searched for without being
// copied anywhere.
#include "RlCornerFeed.h"
#include "RlSortIndex.h"
#include "RlWeldTables.h"

template <typename Table>
void RlWeldBlocked(int numTris, const RlRawTriangle* tris, Table& table) {
  RlBlockedSortIndex sortIndex;
  RlCornerFeed feed(numTris, tris, table.ResultBytes(), table.ResultBytesPerTriangle(),
                    table.EntryBytes(), table.BytesPerEntry());
  for (int i = 0; i < numTris; ++i) {
    const RlCornerData& data = feed.Triangle(i, table.Size());
    for (int j = 0; j < 3; ++j) {
      const int corner = 3 * i + j;
      const RlPreparedCornerD prepared(tris, corner, data);
      int order;
      int found;
      const int count = table.Size();
      const int rank = sortIndex.Traverse(data.boundsX[j], count, &order, &found,
                                          [&](int e) { return table.CompareTied(prepared, e); });
      if (order == 0) {  // never with an empty table: its search gives -1
        table.Merge(corner, found, data.tangent[j], data.binormal[j]);
        continue;
      }
      // A new vertex, listed just before or just after the rank compared last.
      const int made = table.Make(corner, data.tangent[j], data.binormal[j]);
      sortIndex.Insert(order < 0 ? rank : rank + 1, count, made, tris[i].vert[j].x);
    }
  }
}

template void RlWeldBlocked(int, const RlRawTriangle*, RlRecordTable&);
template void RlWeldBlocked(int, const RlRawTriangle*, RlSlotTable&);
