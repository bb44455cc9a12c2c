// Deciding when two corners are the same vertex, and finding a corner in the sorted
// vertex table.
//
// Equality allows tolerances, so the order is not strict: a chain a ~ b ~ c may have
// a !~ c, and a search can end beside an entry while an equal one lies elsewhere. The
// caller then treats the corner as a new vertex. A NaN never counts as a difference.
#include <cmath>

#include "RlGeometryInternal.h"
#include "RlSortIndex.h"

namespace {

// 0 when the unit directions of a and b are within VEK_TAN_ANGLE of each other;
// otherwise the order of their stored x components (equal ones give 1). Takes copies:
// the directions are normalised in place.
int CompareDirection(double (&a)[3], double (&b)[3]) {
  const double storedAx = a[0];
  const double storedBx = b[0];
  NormalizeD(a);
  NormalizeD(b);
  if (DotProduct3D(a, b) < VEK_TAN_ANGLE) {
    return storedAx > storedBx ? -1 : 1;
  }
  return 0;
}

}  // namespace

int RlCompareD(RlTangentPointD* first, RlTangentPointD* second) {
  // Fields are read where they lie (the records are packed), in key order; most
  // comparisons end at the first position component.
  for (int k = 0; k < 3; ++k) {
    if (const int order = RlCompareComponent(first->vertex[k], second->vertex[k], VEK_VERT_TINY)) {
      return order;
    }
  }
  for (int k = 0; k < 3; ++k) {
    if (const int order = RlCompareComponent(first->normal[k], second->normal[k], VEK_NORM_TINY)) {
      return order;
    }
  }
  for (int k = 0; k < 2; ++k) {
    if (const int order = RlCompareComponent(first->uv[k], second->uv[k], VEK_TEX_TINY)) {
      return order;
    }
  }
  double tangentA[3] = {first->tangent[0], first->tangent[1], first->tangent[2]};
  double tangentB[3] = {second->tangent[0], second->tangent[1], second->tangent[2]};
  if (const int order = CompareDirection(tangentA, tangentB)) {
    return order;
  }
  double binormalA[3] = {first->binormal[0], first->binormal[1], first->binormal[2]};
  double binormalB[3] = {second->binormal[0], second->binormal[1], second->binormal[2]};
  return CompareDirection(binormalA, binormalB);
}

int RlIndexBinaryTraverseD(RlTangentPointD* value, RlTangentPointD* data, int* indices,
                           int count, int* result, PFNRLCOMPARED compare) {
  return RlBinaryTraverse(count, result,
                          [&](int rank) { return compare(value, &data[indices[rank]]); });
}
