// The blocked welding road: the same vertices, merges and entry numbers as the flat road
// bit for bit, in O(log n) probes per corner. Each triangle's basis is computed once, and
// a corner is searched for without being copied anywhere.
#include "RlSortIndex.h"
#include "RlWeldTables.h"

template <typename Table>
void RlWeldBlocked(int numTris, const RlRawTriangle* tris, Table& table) {
  RlBlockedSortIndex sortIndex;
  for (int i = 0; i < numTris; ++i) {
    double tangent[3][3];
    double binormal[3][3];
    RlCornerFramesD(&tris[i], tangent, binormal);
    for (int j = 0; j < 3; ++j) {
      const int corner = 3 * i + j;
      const float position[2] = {tris[i].vert[j].x, tris[i].vert[j].y};
      RlPreparedCornerD prepared(tris, corner, tangent[j], binormal[j]);
      int order;
      int found;
      const int count = table.Size();
      const int rank = sortIndex.Traverse(position, count, &order, &found, [&](int e) {
        return table.CompareTied(prepared, e);
      });
      if (count > 0 && order == 0) {
        table.Merge(corner, found, tangent[j], binormal[j]);
        continue;
      }
      // A new vertex, listed just before or just after the rank compared last.
      const int made = table.Make(corner, tangent[j], binormal[j]);
      sortIndex.Insert(order < 0 ? rank : rank + 1, count, made, position);
    }
  }
}

template void RlWeldBlocked(int, const RlRawTriangle*, RlRecordTable&);
template void RlWeldBlocked(int, const RlRawTriangle*, RlSlotTable&);
