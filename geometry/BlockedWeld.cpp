// The blocked welding road: the same vertices, merges and entry numbers as the flat road
// bit for bit, in O(log n) probes per corner. Each triangle's basis is computed once
// (ahead of the search, by the corner feed), a corner is searched for without being
// copied anywhere, and a corner whose keys were searched for since the last new vertex
// resumes that search where it first compared frames.
#include "RlCornerFeed.h"
#include "RlSearchMemo.h"
#include "RlSortIndex.h"
#include "RlWeldTables.h"

template <typename Table>
void RlWeldBlocked(int numTris, const RlRawTriangle* tris, Table& table, const RlWeldLayers& layers) {
  RlBlockedSortIndex sortIndex(layers);
  RlSearchMemo memo;
  RlCornerFeed feed(numTris, tris, table.ResultBytes(), table.ResultBytesPerTriangle(), table.EntryBytes(),
                    table.BytesPerEntry(), layers);
  for (int i = 0; i < numTris; ++i) {
    const RlCornerData& data = feed.Triangle(i, table.Size());
    for (int j = 0; j < 3; ++j) {
      const int corner = 3 * i + j;
      const RlPreparedCornerD prepared(tris, corner, data);
      const RlSearchMemo::Key key = layers.searchMemo ? RlSearchMemo::KeyOf(tris[i], j) : RlSearchMemo::Key{};
      const RlSearchState* resumed = layers.searchMemo ? memo.Find(key) : nullptr;
      const int count = table.Size();
      int order;
      int found;
      std::optional<RlSearchState> framesAt;
      const int rank = sortIndex.Traverse(data.boundsX[j], resumed != nullptr ? *resumed : RlSearchStart(count), &order,
                                          &found, &framesAt, [&](int e) { return table.CompareTied(prepared, e); });
      if (order == 0) {  // never with an empty table: its search gives -1
        table.Merge(corner, found, data.tangent[j], data.binormal[j]);
        if (resumed == nullptr && layers.searchMemo) {
          memo.Remember(key, *framesAt);  // a merge compared frames
        }
        continue;
      }
      // A new vertex, listed just before or just after the rank compared last.
      const int made = table.Make(corner, data.tangent[j], data.binormal[j]);
      sortIndex.Insert(order < 0 ? rank : rank + 1, count, made, tris[i].vert[j].x);
      memo.Forget();
    }
  }
}

template void RlWeldBlocked(int, const RlRawTriangle*, RlRecordTable&, const RlWeldLayers&);
template void RlWeldBlocked(int, const RlRawTriangle*, RlSlotTable&, const RlWeldLayers&);
