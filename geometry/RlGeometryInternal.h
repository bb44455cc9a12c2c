// Internal building blocks of the tangent and welding code (not exported).
#ifndef RL_GEOMETRY_INTERNAL_H
#define RL_GEOMETRY_INTERNAL_H

#include "RlFileIO.h"

// Welding tolerances: per position, normal and texture-coordinate component, and the
// least cosine between two unit tangents (or binormals) of one vertex (about 72.5
// degrees).
inline constexpr double VEK_VERT_TINY = 1e-07;
inline constexpr double VEK_NORM_TINY = 1e-07;
inline constexpr double VEK_TEX_TINY = 1e-07;
inline constexpr double VEK_TAN_ANGLE = 0.3;

// ---- Triangle basis ----------------------------------------------------------------

// Scales v (three doubles) to unit length; a vector shorter than 1e-07 becomes (1, 0, 0).
void NormalizeD(double* v);

// The dot product, summed x, then y, then z.
double DotProduct3D(double* vectorA, double* vectorB);

// The frame of corner idx of pgon: tan and binorm from the whole triangle (corners in
// stored order) projected onto the corner's normal, which is written to norm. A
// triangle whose three u are exactly 0.0 keeps (1, 0, 0) and (0, 0, 1).
void ComputeTangentVectorsD(RlRawTriangle* pgon, int idx, double* tan, double* norm,
                            double* binorm);

// ---- Vertex comparison and sorted search -------------------------------------------

// Compares position, normal and texture coordinate component by component with their
// tolerances (the greater value sorts first), then the directions of the tangents and
// of the binormals (ordered by their stored x components when they differ).
int RlCompareD(RlTangentPointD* first, RlTangentPointD* second);

// Binary search of value over data through the sort index indices (count entries, in
// compare order). Returns the position compared last; *result is compare(value, that
// entry): 0 equal, negative when value belongs just before it, positive just after.
int RlIndexBinaryTraverseD(RlTangentPointD* value, RlTangentPointD* data, int* indices,
                           int count, int* result, PFNRLCOMPARED compare);

// ---- The sorted vertex table -------------------------------------------------------

// Fills *point from corner v of tri, with the corner's own frame and a count of 1.
void RlCopyPointD(RlRawTriangle* tri, int v, RlTangentPointD* point);

// Inserts corner v of tri into the table (point, sortIndex, *num): builds it in
// point[*num], then merges its frame into an equal entry or makes it a new entry.
// Returns the entry that now represents the corner. Both arrays need room for
// *num + 1 elements.
int RlInsertD(RlRawTriangle* tri, int v, int* num, int* sortIndex, RlTangentPointD* point);

// Inserts every corner of numTris triangles in order, storing each corner's entry in
// index; returns the number of entries. point and sortIndex hold 3 numTris elements.
int RlWeldCorners(int numTris, RlRawTriangle* tris, int* sortIndex, RlTangentPointD* point,
                  RlIndex* index);

// Turns the summed frames of entries 0 to num - 1 into normalised means.
void RlAverageFrames(RlTangentPointD* point, int num);

// Whether numTris triangles can be welded: positive, with 3 numTris entries countable
// in an int and their largest array (of RlTangentPointD) addressable.
bool RlWeldableCount(int numTris);

#endif
