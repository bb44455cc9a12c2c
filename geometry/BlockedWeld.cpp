// The blocked welding road: the same vertices, merges and entry numbers as the flat road
// bit for bit, in O(log n) probes per corner with memory that follows the vertices.
// Each triangle's basis is computed once; a corner is searched for without being copied
// anywhere, and becomes a compact entry only when it is a new vertex.
#include <cstring>

#include "RlSortIndex.h"
#include "RlVertexTable.h"

void RlWeldBlocked(int numTris, const RlRawTriangle* tris, RlVertexTable& table,
                   unsigned char* indexImage) {
  RlBlockedSortIndex sortIndex;
  for (int i = 0; i < numTris; ++i) {
    double tangent[3][3];
    double binormal[3][3];
    RlCornerFramesD(&tris[i], tangent, binormal);
    RlIndex triple;
    for (int j = 0; j < 3; ++j) {
      const int corner = 3 * i + j;
      const float position[3] = {tris[i].vert[j].x, tris[i].vert[j].y, tris[i].vert[j].z};
      RlPreparedCornerD prepared(tris, corner, tangent[j], binormal[j]);
      int order;
      int found;
      const int count = table.Size();
      const int rank = sortIndex.Traverse(position, count, &order, &found, [&](int e) {
        return prepared.CompareWith(table[e]);
      });
      if (count > 0 && order == 0) {
        // The same vertex: its sums take this corner's frame.
        RlWeldEntry& entry = table[found];
        for (int k = 0; k < 3; ++k) {
          entry.tangent[k] += tangent[j][k];
        }
        for (int k = 0; k < 3; ++k) {
          entry.binormal[k] += binormal[j][k];
        }
        entry.count += 1;
        triple.idx[j] = found;
        continue;
      }
      // A new vertex, listed just before or just after the rank compared last.
      RlWeldEntry& entry = table.Append();
      entry.corner = corner;
      entry.count = 1;
      for (int k = 0; k < 3; ++k) {
        entry.tangent[k] = tangent[j][k];
        entry.binormal[k] = binormal[j][k];
      }
      sortIndex.Insert(order < 0 ? rank : rank + 1, count, count, position);
      triple.idx[j] = count;
    }
    std::memcpy(indexImage + sizeof(RlIndex) * static_cast<std::size_t>(i), &triple,
                sizeof triple);
  }
}

void RlAverageFrames(RlVertexTable& table) {
  for (int e = 0; e < table.Size(); ++e) {
    RlWeldEntry& entry = table[e];
    RlAverageDirection(entry.tangent, entry.count);
    RlAverageDirection(entry.binormal, entry.count);
  }
}
