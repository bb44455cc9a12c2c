// Smoothed tangent frames per triangle corner, in double and in single precision.
#include <memory>
#include <new>

#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"
#include "RlWeldTables.h"

namespace {

// The blocked road: the table lives in the result array itself.
bool TangentsOnBlockedRoad(int numTris, const RlRawTriangle* tris, RlRawTangentSpaceD* tan,
                           const RlWeldLayers& layers) {
  try {
    RlSlotTable table(numTris, tris, tan);
    RlWeldBlocked(numTris, tris, table, layers);
    table.Fill();
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

bool RlComputeTangentsD(int numTris, RlRawTriangle* tris, RlRawTangentSpaceD** tan) {
  return RlComputeTangentsDOnRoad(numTris, tris, tan, RlWeldOptions());
}

bool RlComputeTangents(int numTris, RlRawTriangle* tris, RlRawTangentSpace** tan) {
  return RlComputeTangentsOnRoad(numTris, tris, tan, RlWeldOptions());
}

bool RlComputeTangentsDOnRoad(int numTris, RlRawTriangle* tris, RlRawTangentSpaceD** tan,
                              const RlWeldOptions& options) {
  if (!RlWeldableCount(numTris) || tris == nullptr || tan == nullptr) {
    return false;
  }
  const auto triangles = static_cast<std::size_t>(numTris);
  const std::size_t corners = 3 * triangles;

  // The result belongs to the caller from here on; temporaries live for this call.
  *tan = new (std::nothrow) RlRawTangentSpaceD[triangles];
  if (*tan == nullptr) {
    return false;
  }
  if (RlChooseRoad(numTris, options.road) == RlWeldRoad::kBlocked) {
    return TangentsOnBlockedRoad(numTris, tris, *tan, options.layers);
  }
  std::unique_ptr<RlIndex[]> index(new (std::nothrow) RlIndex[triangles]);
  std::unique_ptr<int[]> sortIndex(new (std::nothrow) int[corners]);
  std::unique_ptr<RlTangentPointD[]> point(new (std::nothrow) RlTangentPointD[corners]);
  if (!index || !sortIndex || !point) {
    return false;
  }

  // Corner frames, welded into the sorted vertex table.
  const int num = RlWeldCorners(numTris, tris, sortIndex.get(), point.get(), index.get());
  // Each vertex's summed frame becomes its normalised mean.
  RlAverageFrames(point.get(), num);
  // Every corner receives the frame of its vertex.
  for (std::size_t i = 0; i < triangles; ++i) {
    for (int j = 0; j < 3; ++j) {
      const RlTangentPointD& vertex = point[static_cast<std::size_t>(index[i].idx[j])];
      for (int k = 0; k < 3; ++k) {
        (*tan)[i].tangent[j].v[k] = vertex.tangent[k];
        (*tan)[i].binormal[j].v[k] = vertex.binormal[k];
      }
    }
  }
  return true;
}

bool RlComputeTangentsOnRoad(int numTris, RlRawTriangle* tris, RlRawTangentSpace** tan, const RlWeldOptions& options) {
  if (!RlWeldableCount(numTris) || tris == nullptr || tan == nullptr) {
    return false;
  }
  const auto triangles = static_cast<std::size_t>(numTris);
  *tan = new (std::nothrow) RlRawTangentSpace[triangles];
  if (*tan == nullptr) {
    return false;
  }

  RlRawTangentSpaceD* computed = nullptr;
  const bool ok = RlComputeTangentsDOnRoad(numTris, tris, &computed, options);
  const std::unique_ptr<RlRawTangentSpaceD[]> tanD(computed);  // released on every path
  if (!ok) {
    return false;
  }
  // Each component rounded to the nearest float.
  for (std::size_t i = 0; i < triangles; ++i) {
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < 3; ++k) {
        (*tan)[i].tangent[j].v[k] = static_cast<float>(tanD[i].tangent[j].v[k]);
        (*tan)[i].binormal[j].v[k] = static_cast<float>(tanD[i].binormal[j].v[k]);
      }
    }
  }
  return true;
}
