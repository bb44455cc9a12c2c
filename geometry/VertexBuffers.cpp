// Indexed vertex buffers: welded vertices with smoothed frames, and index triples.
#include <memory>
#include <new>

#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"
#include "RlWeldTables.h"

namespace {

// The blocked road: the vertex records are the table.
bool BuffersOnBlockedRoad(int numTris, const RlRawTriangle* tris, int* numVerts, RlTangentPointD* verts,
                          RlIndex* indices, const RlWeldLayers& layers) {
  RlRecordTable table(tris, verts, indices);
  try {
    RlWeldBlocked(numTris, tris, table, layers);
  } catch (const std::bad_alloc&) {
    return false;
  }
  table.Average();
  *numVerts = table.Size();
  return true;
}

}  // namespace

bool RlCreateVertexBuffers(int numTris, RlRawTriangle* tris, int* numVerts, RlTangentPointD** verts,
                           RlIndex** indices) {
  return RlCreateVertexBuffersOnRoad(numTris, tris, numVerts, verts, indices, RlWeldOptions());
}

bool RlCreateVertexBuffersOnRoad(int numTris, RlRawTriangle* tris, int* numVerts, RlTangentPointD** verts,
                                 RlIndex** indices, const RlWeldOptions& options) {
  if (!RlWeldableCount(numTris) || tris == nullptr || numVerts == nullptr || verts == nullptr || indices == nullptr) {
    return false;
  }
  const auto triangles = static_cast<std::size_t>(numTris);
  const std::size_t corners = 3 * triangles;

  // The returned arrays are sized for the worst case (every corner its own vertex), and
  // so is the flat road's sort index; the blocked road's index grows with the vertices.
  // What is stored through indices and verts belongs to the caller from then on.
  const RlWeldRoad road = RlChooseRoad(numTris, options.road);
  *indices = new (std::nothrow) RlIndex[triangles];
  if (*indices == nullptr) {
    return false;
  }
  std::unique_ptr<int[]> sortIndex;
  if (road == RlWeldRoad::kFlat) {
    sortIndex.reset(new (std::nothrow) int[corners]);
    if (!sortIndex) {
      return false;
    }
  }
  *verts = new (std::nothrow) RlTangentPointD[corners];
  if (*verts == nullptr) {
    return false;
  }

  if (road == RlWeldRoad::kBlocked) {
    return BuffersOnBlockedRoad(numTris, tris, numVerts, *verts, *indices, options.layers);
  }
  // Corner frames, welded into the sorted vertex table.
  const int num = RlWeldCorners(numTris, tris, sortIndex.get(), *verts, *indices);
  *numVerts = num;
  // Each vertex's summed frame becomes its normalised mean.
  RlAverageFrames(*verts, num);
  return true;
}
