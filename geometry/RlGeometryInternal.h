// Internal building blocks of the tangent and welding code (not exported).
#ifndef RL_GEOMETRY_INTERNAL_H
#define RL_GEOMETRY_INTERNAL_H

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "RlFileIO.h"

// Welding tolerances: per position, normal and texture-coordinate component, and the
// least cosine between two unit tangents (or binormals) of one vertex (about 72.5
// degrees).
inline constexpr double VEK_VERT_TINY = 1e-07;
inline constexpr double VEK_NORM_TINY = 1e-07;
inline constexpr double VEK_TEX_TINY = 1e-07;
inline constexpr double VEK_TAN_ANGLE = 0.3;

// Lengths and texture-coordinate spans below this count as zero: NormalizeD replaces such
// a vector, and the triangle basis falls back where a span or a projected direction is
// this short. The same number as the welding tolerances, with another meaning: a size
// too small to carry a direction, not a difference that keeps two corners apart.
inline constexpr double kRlDegenerateLength = 1e-07;

// ---- Triangle basis ----------------------------------------------------------------

// Scales v (three doubles) to unit length; a vector shorter than kRlDegenerateLength
// becomes (1, 0, 0).
void NormalizeD(double* v);

// The dot product, summed x, then y, then z.
double DotProduct3D(double* vectorA, double* vectorB);

// The directions of a triangle's line of constant v (tangent, towards increasing u) and
// of constant u (binormal, towards increasing v), before projection: they depend on the
// triangle alone. Arguments as for DcTangentSpace.
struct RlTriangleDirections {
  double tangent[3];
  double binormal[3];
};
void RlTriangleDirectionsD(const float* v1, const float* v2, const float* v3, const float* t1, const float* t2,
                           const float* t3, RlTriangleDirections* out);

// Makes dir perpendicular to normal and unit length, into out; fallback when it projects
// to less than kRlDegenerateLength.
void RlProjectDirectionD(const double* dir, double* normal, const double* fallback, double* out);

// The frames of all three corners of tri, as ComputeTangentVectorsD gives them one by
// one, with the triangle's directions computed once.
void RlCornerFramesD(const RlRawTriangle* tri, double (*tangent)[3], double (*binormal)[3]);

// The frame of corner idx of pgon: tan and binorm from the whole triangle (corners in
// stored order) projected onto the corner's normal, which is written to norm. A
// triangle whose three u are exactly 0.0 keeps (1, 0, 0) and (0, 0, 1).
void ComputeTangentVectorsD(RlRawTriangle* pgon, int idx, double* tan, double* norm, double* binorm);

// ---- Vertex comparison and sorted search -------------------------------------------

// One key component: 0 when a and b agree within tolerance (a difference exactly equal
// to it included, and any NaN), otherwise -1 when a is the greater, 1 when b is.
inline int RlCompareComponent(double a, double b, double tolerance) {
  if (std::fabs(a - b) > tolerance) {
    return a > b ? -1 : 1;
  }
  return 0;
}

// The float next to f towards +infinity (f finite, or -infinity), and towards
// -infinity (f finite, or +infinity).
inline float RlNextUp(float f) {
  if (f == 0.0f) {
    return std::numeric_limits<float>::denorm_min();
  }
  const auto bits = std::bit_cast<uint32_t>(f);
  return std::bit_cast<float>(f > 0.0f ? bits + 1 : bits - 1);
}
inline float RlNextDown(float f) { return -RlNextUp(-f); }

// RlCompareComponent(value, x, tolerance) for many floats x, through two bounds: it is
// -1 exactly for the x below `below`, 1 for those above `above`, and 0 for the rest (NaN
// included). A NaN value gives bounds that no float passes.
struct RlComponentBounds {
  float below;
  float above;
};
inline RlComponentBounds RlBoundsOf(float value, double tolerance) {
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  if (std::isnan(value)) {
    return {-kInfinity, kInfinity};
  }
  // Both outcomes are monotonic in x (the difference is rounded monotonically), so each
  // bound is where its outcome changes: found by stepping from a float beside it.
  const auto before = [&](float x) { return RlCompareComponent(value, x, tolerance) < 0; };
  const auto after = [&](float x) { return RlCompareComponent(value, x, tolerance) > 0; };
  // below: the least float for which `before` no longer holds.
  float below = static_cast<float>(value - tolerance);
  while (before(below)) {
    below = RlNextUp(below);
  }
  while (below != -kInfinity && !before(RlNextDown(below))) {
    below = RlNextDown(below);
  }
  // above: the greatest float for which `after` does not hold yet.
  float above = static_cast<float>(value + tolerance);
  while (after(above)) {
    above = RlNextDown(above);
  }
  while (above != kInfinity && !after(RlNextUp(above))) {
    above = RlNextUp(above);
  }
  return {below, above};
}

// Compares position, normal and texture coordinate component by component with their
// tolerances (the greater value sorts first), then the directions of the tangents and
// of the binormals (ordered by their stored x components when they differ).
int RlCompareD(RlTangentPointD* first, RlTangentPointD* second);

// Binary search of value over data through the sort index indices (count entries, in
// compare order). Returns the position compared last; *result is compare(value, that
// entry): 0 equal, negative when value belongs just before it, positive just after.
int RlIndexBinaryTraverseD(RlTangentPointD* value, RlTangentPointD* data, int* indices, int count, int* result,
                           PFNRLCOMPARED compare);

// ---- The sorted vertex table -------------------------------------------------------

// Fills *point from corner v of tri, with the given frame and a count of 1.
void RlFillPointD(const RlRawTriangle& tri, int v, const double* tangent, const double* binormal,
                  RlTangentPointD* point);

// Fills *point from corner v of tri, with the corner's own frame and a count of 1.
void RlCopyPointD(RlRawTriangle* tri, int v, RlTangentPointD* point);

// Merges a corner's frame into entry: adds it to the sums and counts the corner.
void RlAddFrame(RlTangentPointD* entry, const double* tangent, const double* binormal);

// Inserts corner v of tri into the table (point, sortIndex, *num): builds it in
// point[*num], then merges its frame into an equal entry or makes it a new entry.
// Returns the entry that now represents the corner. Both arrays need room for
// *num + 1 elements.
int RlInsertD(RlRawTriangle* tri, int v, int* num, int* sortIndex, RlTangentPointD* point);

// How the corners are welded: the flat sort index over full records (the reference,
// O(n) per new vertex) or the blocked one with its tables in the results (the same
// bits, scaling to millions of corners; see RlWeldTables.h and WELDING.md).
// kAuto takes the flat road below kBlockedRoadMinTriangles, where it is as fast.
enum class RlWeldRoad { kAuto, kFlat, kBlocked };
inline constexpr int kBlockedRoadMinTriangles = 10000;
RlWeldRoad RlChooseRoad(int numTris, RlWeldRoad road);

// The blocked road's optional layers. Each only saves time: the results are the same
// bits with any of them off, which tests check, and the benchmark turns them off one by
// one to show what each buys.
struct RlWeldLayers {
  bool helperThread = true;  // corner data computed ahead on a helper thread (large meshes)
  bool mapAhead = true;      // the helper maps the welder's fresh result pages ahead of it
  bool searchMemo = true;    // a repeated corner resumes its search where it compared frames
  bool blockCache = true;    // a probe first tries the block the last search's probe found
};

// How one call welds: the road, and the layers of the blocked road. Converts from a road.
struct RlWeldOptions {
  RlWeldOptions(RlWeldRoad r = RlWeldRoad::kAuto) : road(r) {}  // NOLINT: a road is options
  RlWeldRoad road;
  RlWeldLayers layers;
};

// The flat road: inserts every corner of numTris triangles in order through RlInsertD,
// storing each corner's entry in index; returns the number of entries. point and
// sortIndex hold 3 numTris elements each.
int RlWeldCorners(int numTris, RlRawTriangle* tris, int* sortIndex, RlTangentPointD* point, RlIndex* index);

// The exported entry points with the road and layers chosen (tests compare the roads,
// benchmarks the layers).
bool RlComputeTangentsDOnRoad(int numTris, RlRawTriangle* tris, RlRawTangentSpaceD** tan, const RlWeldOptions& options);
bool RlComputeTangentsOnRoad(int numTris, RlRawTriangle* tris, RlRawTangentSpace** tan, const RlWeldOptions& options);
bool RlCreateVertexBuffersOnRoad(int numTris, RlRawTriangle* tris, int* numVerts, RlTangentPointD** verts,
                                 RlIndex** indices, const RlWeldOptions& options);

// Turns a direction summed over count corners into its normalised mean.
void RlAverageDirection(double* sum, int count);

// Turns the summed frames of entries 0 to num - 1 into normalised means.
void RlAverageFrames(RlTangentPointD* point, int num);

// Whether numTris triangles can be welded: positive, with 3 numTris entries countable
// in an int and their largest array (of RlTangentPointD) addressable.
bool RlWeldableCount(int numTris);

#endif
