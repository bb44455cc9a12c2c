// Tangent frames: of one triangle, and smoothed per corner over a whole triangle list.
//
// A tangent points along the surface towards increasing u, a binormal towards
// increasing v; each is made perpendicular to the corner's normal, not to each other,
// and no handedness is imposed. Degenerate input never fails: it yields the fallback
// directions given below. All arithmetic is double precision and reproducible bit for
// bit on every host.
#ifndef RL_TANGENT_SPACE_H
#define RL_TANGENT_SPACE_H

#include "RlExport.h"
#include "RlFileIO.h"

// The tangent basis of one triangle, from its positions v1..v3 (three floats each) and
// texture coordinates t1..t3 (u, v each), in corner order. normal (three doubles, read
// only, used as given: not normalised) is the direction both results are made
// perpendicular to. tangent and binormal (three doubles each) receive unit vectors;
// one that projects to (nearly) zero becomes (1, 0, 0) for the tangent and (0, 0, 1)
// for the binormal. Returns false, writing nothing, when any pointer is null.
RL_API bool DcTangentSpace(float* v1, float* v2, float* v3, float* t1, float* t2, float* t3, double* normal,
                           double* tangent, double* binormal);

// Smoothed tangent frames for every corner of numTris triangles (tris, read only).
// Corners that are the same vertex (position, normal and texture coordinate equal
// within 1e-07 per component, tangents and binormals within about 72.5 degrees) are
// welded, and each receives the normalised mean of its group's frames; a mean shorter
// than 1e-07 becomes (1, 0, 0). A triangle whose three u are exactly 0 counts as
// unmapped: its corners enter with tangent (1, 0, 0) and binormal (0, 0, 1).
// On success *tan receives a new[]-allocated array of numTris frames parallel to tris
// (element i, corner j); the caller releases it with delete[].
// Returns false with *tan untouched when numTris is 0 or less (or so large that three
// entries per triangle cannot be counted or allocated) or a pointer is null. When an
// allocation fails it returns false: *tan holds null if the result array itself could
// not be had, otherwise that array, with unset contents, which the caller owns.
RL_API bool RlComputeTangentsD(int numTris, RlRawTriangle* tris, RlRawTangentSpaceD** tan);

// Single-precision front end of RlComputeTangentsD: the same frames, each component
// rounded to the nearest float, with the same contract for *tan.
RL_API bool RlComputeTangents(int numTris, RlRawTriangle* tris, RlRawTangentSpace** tan);

// An indexed vertex buffer of numTris triangles (tris, read only): the welded vertices
// of RlComputeTangentsD, each with its first corner's position, normal and texture
// coordinate, its smoothed unit tangent and binormal and its corner count, numbered in
// the order their first corners are met; and one index triple per triangle.
// On success *numVerts receives the vertex count n (1 to 3 numTris), *verts a
// new[]-allocated array with room for 3 numTris vertices of which the first n are set,
// and *indices a new[]-allocated array of numTris triples, each index below n. The
// caller releases both with delete[].
// Returns false with nothing allocated or written when numTris is 0 or less (or too
// large to count) or a pointer is null. When an allocation fails it returns false;
// what was already stored through indices and verts (an index array, a null vertex
// array) stays there and belongs to the caller; *numVerts is not written.
RL_API bool RlCreateVertexBuffers(int numTris, RlRawTriangle* tris, int* numVerts, RlTangentPointD** verts,
                                  RlIndex** indices);

// Threads. RlComputeTangentsD, RlComputeTangents and RlCreateVertexBuffers work on the
// calling thread, except that for 50,000 triangles or more, on a machine with two or
// more processors, a call may start one helper thread, which computes per-triangle data
// ahead of the caller and ends before the call returns. The results are the same bits
// with or without it. A caller that must stay on one thread calls RlSetWeldThreads(1):
// every call that starts afterwards runs on the caller's thread alone. RlSetWeldThreads(2)
// allows the helper again (the default). threads counts the caller's thread: values
// below 1 count as 1, above 2 as 2. It may be called from any thread at any time; a
// call already running keeps the helper it has.
RL_API void RlSetWeldThreads(int threads);

#endif
