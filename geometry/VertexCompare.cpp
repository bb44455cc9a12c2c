// Deciding when two corners are the same vertex, and finding a corner in the sorted
// vertex table.
//
// Equality allows tolerances, so the order is not strict: a chain a ~ b ~ c may have
// a !~ c, and a search can end beside an entry while an equal one lies elsewhere. The
// caller then treats the corner as a new vertex. A NaN never counts as a difference.
#include <algorithm>
#include <cmath>

#include "RlGeometryInternal.h"
#include "RlSortIndex.h"

namespace {

// Position, normal and texture coordinate, component by component, each within its
// tolerance; fields are read where they lie (the records are packed).
int CompareKeys(const RlTangentPointD* first, const RlTangentPointD* second) {
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
  return 0;
}

// A unit copy of a stored direction, given by value (the record's doubles may be
// unaligned): (1, 0, 0) when it is nearly zero.
void UnitCopy(double x, double y, double z, double* unit) {
  unit[0] = x, unit[1] = y, unit[2] = z;
  NormalizeD(unit);
}

// 0 when two unit directions are within VEK_TAN_ANGLE of each other; otherwise the
// order of their stored x components (equal ones give 1).
int CompareDirections(double* unitA, double storedAx, double* unitB, double storedBx) {
  if (DotProduct3D(unitA, unitB) < VEK_TAN_ANGLE) {
    return storedAx > storedBx ? -1 : 1;
  }
  return 0;
}

// The tangent test of two points, then their binormal test.
int CompareStoredTangents(const RlTangentPointD* a, const RlTangentPointD* b) {
  double unitA[3], unitB[3];
  UnitCopy(a->tangent[0], a->tangent[1], a->tangent[2], unitA);
  UnitCopy(b->tangent[0], b->tangent[1], b->tangent[2], unitB);
  return CompareDirections(unitA, a->tangent[0], unitB, b->tangent[0]);
}
int CompareStoredBinormals(const RlTangentPointD* a, const RlTangentPointD* b) {
  double unitA[3], unitB[3];
  UnitCopy(a->binormal[0], a->binormal[1], a->binormal[2], unitA);
  UnitCopy(b->binormal[0], b->binormal[1], b->binormal[2], unitB);
  return CompareDirections(unitA, a->binormal[0], unitB, b->binormal[0]);
}

}  // namespace

int RlCompareD(RlTangentPointD* first, RlTangentPointD* second) {
  if (const int order = CompareKeys(first, second)) {
    return order;
  }
  // Only now are the directions normalised: most comparisons end above.
  if (const int order = CompareStoredTangents(first, second)) {
    return order;
  }
  return CompareStoredBinormals(first, second);
}

int RlPreparedPointD::CompareWith(RlTangentPointD* entry) {
  if (const int order = CompareKeys(point_, entry)) {
    return order;
  }
  // The point's unit directions are the same for every entry: made once, when needed.
  if (!prepared_) {
    UnitCopy(point_->tangent[0], point_->tangent[1], point_->tangent[2], unitTangent_);
    UnitCopy(point_->binormal[0], point_->binormal[1], point_->binormal[2], unitBinormal_);
    prepared_ = true;
  }
  double unit[3];
  UnitCopy(entry->tangent[0], entry->tangent[1], entry->tangent[2], unit);
  if (const int order = CompareDirections(unitTangent_, point_->tangent[0], unit, entry->tangent[0])) {
    return order;
  }
  UnitCopy(entry->binormal[0], entry->binormal[1], entry->binormal[2], unit);
  return CompareDirections(unitBinormal_, point_->binormal[0], unit, entry->binormal[0]);
}

int RlIndexBinaryTraverseD(RlTangentPointD* value, RlTangentPointD* data, int* indices,
                           int count, int* result, PFNRLCOMPARED compare) {
  return RlBinaryTraverse(count, result,
                          [&](int rank) { return compare(value, &data[indices[rank]]); });
}
