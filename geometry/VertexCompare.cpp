// Deciding when two corners are the same vertex, and finding a corner in the sorted
// vertex table.
//
// Equality allows tolerances, so the order is not strict: a chain a ~ b ~ c may have
// a !~ c, and a search can end beside an entry while an equal one lies elsewhere. The
// caller then treats the corner as a new vertex. A NaN never counts as a difference.
#include <cmath>

#include "RlGeometryInternal.h"
#include "RlSortIndex.h"
#include "RlWeldTables.h"

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

namespace {

// The fast angle test's limits. Sums whose squared length is at most kShortSumSquared,
// (2 kRlDegenerateLength)², are left to the exact test: NormalizeD replaces a sum shorter
// than kRlDegenerateLength, and this keeps a factor of 2 clear of that. Squares from
// kLongSumSquared on are left to it too, so that no square below can overflow.
constexpr double kShortSumSquared = 4e-14;
constexpr double kLongSumSquared = 1e300;
// Both ways of testing round a few units in the 16th digit; outside this relative margin
// around the threshold they cannot disagree.
constexpr double kRoundingMargin = 1e-9;

// Whether the unit direction unit and the direction of sum lie more than the welding
// angle apart, as DotProduct3D(unit, sum made unit) < VEK_TAN_ANGLE decides: 1 yes,
// 0 no, -1 too close to tell without normalising sum (or a sum NormalizeD would replace).
int ApartWithoutNormalising(const double* unit, double x, double y, double z) {
  const double lengthSquared = x * x + y * y + z * z;
  if (!(lengthSquared > kShortSumSquared && lengthSquared < kLongSumSquared)) {
    return -1;
  }
  // dot(unit, sum) < VEK_TAN_ANGLE |sum|, compared in squares.
  const double dot = unit[0] * x + unit[1] * y + unit[2] * z;
  if (dot < 0) {
    return 1;
  }
  const double bound = VEK_TAN_ANGLE * VEK_TAN_ANGLE * lengthSquared;
  if (dot * dot < bound * (1 - kRoundingMargin)) {
    return 1;
  }
  if (dot * dot > bound * (1 + kRoundingMargin)) {
    return 0;
  }
  return -1;
}

// CompareDirections for a unit direction and a stored sum, normalising the sum only when
// the angle is too close to the threshold to tell otherwise.
int CompareWithSum(const double* unit, double unitStoredX, double x, double y, double z) {
  int apart = ApartWithoutNormalising(unit, x, y, z);
  if (apart < 0) {
    double own[3] = {unit[0], unit[1], unit[2]};
    double other[3];
    UnitCopy(x, y, z, other);
    apart = DotProduct3D(own, other) < VEK_TAN_ANGLE;
  }
  if (apart) {
    return unitStoredX > x ? -1 : 1;
  }
  return 0;
}

}  // namespace

int RlPreparedCornerD::CompareKeys(double y, double z, const double* normal, const double* uv) const {
  if (const int order = RlCompareComponent(tri_.vert[v_].y, y, VEK_VERT_TINY)) {
    return order;
  }
  if (const int order = RlCompareComponent(tri_.vert[v_].z, z, VEK_VERT_TINY)) {
    return order;
  }
  for (int k = 0; k < 3; ++k) {
    if (const int order = RlCompareComponent(tri_.norm[v_].v[k], normal[k], VEK_NORM_TINY)) {
      return order;
    }
  }
  for (int k = 0; k < 2; ++k) {
    if (const int order = RlCompareComponent(tri_.texCoord[v_].uv[k], uv[k], VEK_TEX_TINY)) {
      return order;
    }
  }
  return 0;
}

int RlPreparedCornerD::CompareFrames(const double* tangentSum, const double* binormalSum) const {
  if (const int order =
          CompareWithSum(data_.unitTangent[v_], data_.tangent[v_][0], tangentSum[0], tangentSum[1], tangentSum[2])) {
    return order;
  }
  return CompareWithSum(data_.unitBinormal[v_], data_.binormal[v_][0], binormalSum[0], binormalSum[1], binormalSum[2]);
}

int RlIndexBinaryTraverseD(RlTangentPointD* value, RlTangentPointD* data, int* indices, int count, int* result,
                           PFNRLCOMPARED compare) {
  return RlBinaryTraverse(count, result, [&](int rank) { return compare(value, &data[indices[rank]]); });
}
