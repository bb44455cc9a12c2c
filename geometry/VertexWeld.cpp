// The sorted vertex table of the flat road: corners are built in the first free entry,
// searched for in compare order through a flat sort index, and either merged into an
// equal entry or kept as a new one. Entries never move; only the sort index does.
#include <climits>
#include <cstdint>
#include <cstring>

#include "RlGeometryInternal.h"
#include "RlSortIndex.h"

void RlFillPointD(const RlRawTriangle& tri, int v, const double* tangent, const double* binormal,
                  RlTangentPointD* point) {
  for (int k = 0; k < 3; ++k) {
    point->vertex[k] = tri.vert[v].v[k];
    point->normal[k] = tri.norm[v].v[k];
    point->tangent[k] = tangent[k];
    point->binormal[k] = binormal[k];
  }
  point->uv[0] = tri.texCoord[v].u;
  point->uv[1] = tri.texCoord[v].v;
  point->count = 1;
}

void RlCopyPointD(RlRawTriangle* tri, int v, RlTangentPointD* point) {
  double tangent[3];
  double normal[3];  // equals the corner's normal; not kept
  double binormal[3];
  ComputeTangentVectorsD(tri, v, tangent, normal, binormal);
  RlFillPointD(*tri, v, tangent, binormal, point);
}

void RlAddFrame(RlTangentPointD* entry, const double* tangent, const double* binormal) {
  for (int k = 0; k < 3; ++k) {
    entry->tangent[k] += tangent[k];
  }
  for (int k = 0; k < 3; ++k) {
    entry->binormal[k] += binormal[k];
  }
  entry->count += 1;
}

int RlInsertD(RlRawTriangle* tri, int v, int* num, int* sortIndex, RlTangentPointD* point) {
  const int entries = *num > 0 ? *num : 0;
  RlTangentPointD* candidate = &point[entries];
  RlCopyPointD(tri, v, candidate);
  if (entries == 0) {
    sortIndex[0] = 0;
    *num = 1;
    return 0;
  }

  int compValue;
  const int pos = RlIndexBinaryTraverseD(candidate, point, sortIndex, entries, &compValue, RlCompareD);
  if (compValue == 0) {
    // Merge: the entry sums the unit frames of its corners; the candidate is left behind.
    const int merged = sortIndex[pos];
    const double tangent[3] = {candidate->tangent[0], candidate->tangent[1], candidate->tangent[2]};
    const double binormal[3] = {candidate->binormal[0], candidate->binormal[1], candidate->binormal[2]};
    RlAddFrame(&point[merged], tangent, binormal);
    return merged;
  }

  // A new entry in place, listed just before or just after the entry compared last: the
  // index's tail moves up by one.
  const int rank = compValue < 0 ? pos : pos + 1;
  std::memmove(&sortIndex[rank + 1], &sortIndex[rank], static_cast<std::size_t>(entries - rank) * sizeof *sortIndex);
  sortIndex[rank] = entries;
  *num = entries + 1;
  return entries;
}

RlWeldRoad RlChooseRoad(int numTris, RlWeldRoad road) {
  if (road != RlWeldRoad::kAuto) {
    return road;
  }
  return numTris < kBlockedRoadMinTriangles ? RlWeldRoad::kFlat : RlWeldRoad::kBlocked;
}

int RlWeldCorners(int numTris, RlRawTriangle* tris, int* sortIndex, RlTangentPointD* point, RlIndex* index) {
  int num = 0;
  for (int i = 0; i < numTris; ++i) {
    for (int j = 0; j < 3; ++j) {
      index[i].idx[j] = RlInsertD(&tris[i], j, &num, sortIndex, point);
    }
  }
  return num;
}

void RlAverageDirection(double* sum, int count) {
  const double n = count;
  for (int k = 0; k < 3; ++k) {
    sum[k] /= n;
  }
  NormalizeD(sum);
}

void RlAverageFrames(RlTangentPointD* point, int num) {
  for (int k = 0; k < num; ++k) {
    RlTangentPointD& entry = point[k];
    double tangent[3] = {entry.tangent[0], entry.tangent[1], entry.tangent[2]};
    RlAverageDirection(tangent, entry.count);
    double binormal[3] = {entry.binormal[0], entry.binormal[1], entry.binormal[2]};
    RlAverageDirection(binormal, entry.count);
    for (int c = 0; c < 3; ++c) {
      entry.tangent[c] = tangent[c];
      entry.binormal[c] = binormal[c];
    }
  }
}

bool RlWeldableCount(int numTris) {
  return numTris > 0 && numTris <= INT_MAX / 3 &&
         static_cast<uint64_t>(numTris) * 3 <= SIZE_MAX / sizeof(RlTangentPointD);
}
