// The sorted vertex table: corners are built in the first free entry, searched for in
// compare order, and either merged into an equal entry or kept as a new one. Entries
// never move; only the sort index does. Two roads give the same bits: the flat one,
// corner by corner through RlInsertD, and the blocked one, which computes each
// triangle's basis once and keeps its sort index in blocks.
#include <climits>
#include <cstdint>
#include <cstring>

#include <new>

#include "RlGeometryInternal.h"
#include "RlSortIndex.h"

namespace {

// Fills *point from corner v of tri, with the given frame and a count of 1.
void FillPoint(const RlRawTriangle& tri, int v, const double* tangent, const double* binormal,
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

}  // namespace

void RlCopyPointD(RlRawTriangle* tri, int v, RlTangentPointD* point) {
  double tangent[3];
  double normal[3];  // equals the corner's normal; not kept
  double binormal[3];
  ComputeTangentVectorsD(tri, v, tangent, normal, binormal);
  FillPoint(*tri, v, tangent, binormal, point);
}

int RlInsertD(RlRawTriangle* tri, int v, int* num, int* sortIndex, RlTangentPointD* point) {
  RlCopyPointD(tri, v, &point[*num > 0 ? *num : 0]);
  RlFlatSortIndex index(sortIndex);
  return RlInsertCandidate(num, index, point);
}

RlWeldRoad RlChooseRoad(int numTris, RlWeldRoad road) {
  if (road != RlWeldRoad::kAuto) {
    return road;
  }
  return numTris < kBlockedRoadMinTriangles ? RlWeldRoad::kFlat : RlWeldRoad::kBlocked;
}

namespace {

// The blocked road: each triangle's basis once, its corners built in the candidate slot
// and inserted through the blocked index.
int WeldBlocked(int numTris, RlRawTriangle* tris, RlTangentPointD* point, RlIndex* index) {
  RlBlockedSortIndex sortIndex;
  int num = 0;
  for (int i = 0; i < numTris; ++i) {
    RlRawTriangle& tri = tris[i];
    double tangent[3][3];
    double binormal[3][3];
    RlCornerFramesD(&tri, tangent, binormal);
    for (int j = 0; j < 3; ++j) {
      FillPoint(tri, j, tangent[j], binormal[j], &point[num]);
      index[i].idx[j] = RlInsertCandidate(&num, sortIndex, point);
    }
  }
  return num;
}

}  // namespace

int RlWeldCorners(int numTris, RlRawTriangle* tris, int* sortIndex, RlTangentPointD* point,
                  RlIndex* index, RlWeldRoad road) {
  if (road == RlWeldRoad::kBlocked) {
    try {
      return WeldBlocked(numTris, tris, point, index);
    } catch (const std::bad_alloc&) {
      return -1;
    }
  }
  int num = 0;
  for (int i = 0; i < numTris; ++i) {
    for (int j = 0; j < 3; ++j) {
      index[i].idx[j] = RlInsertD(&tris[i], j, &num, sortIndex, point);
    }
  }
  return num;
}

namespace {

// Divides a summed direction by its count and brings it to unit length.
void Average(double (&sum)[3], int count) {
  const double n = count;
  for (double& component : sum) {
    component /= n;
  }
  NormalizeD(sum);
}

}  // namespace

void RlAverageFrames(RlTangentPointD* point, int num) {
  for (int k = 0; k < num; ++k) {
    RlTangentPointD& entry = point[k];
    double tangent[3] = {entry.tangent[0], entry.tangent[1], entry.tangent[2]};
    Average(tangent, entry.count);
    double binormal[3] = {entry.binormal[0], entry.binormal[1], entry.binormal[2]};
    Average(binormal, entry.count);
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
