// Geometry records and RLF file I/O.
//
// The records are plain packed aggregates: the size of each is also its stride in the
// arrays that cross the library's interface and in the byte images that are written to
// files. Doubles inside them may lie at unaligned addresses; copy fields in and out
// instead of taking pointers to them.
//
// An RLF file is a chunked, little-endian file that carries a triangle soup:
//
//   offset  size   content
//        0     4   tag "RLF "
//        4     4   size = 12 + 96 n   (everything after this header)
//        8     4   tag "TRIS"
//       12     4   size = 4 + 96 n    (the count and the records)
//       16     4   count n (signed)
//       20  96 n   n RlRawTriangle records, 24 little-endian floats each
//
// Readers accept more than the writer produces: chunks of other tags before "RLF " and
// sub-chunks of other tags before "TRIS" are skipped by their sizes.
#ifndef RL_FILE_IO_H
#define RL_FILE_IO_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "RlExport.h"

typedef uint32_t UNSIGNED_INT_32;

#pragma pack(push, 1)

// A point or direction in single precision: x, y, z, or v[0..2].
union RlRawPoint {
  struct {
    float x, y, z;
  };
  float v[3];
};

// A point or direction in double precision: x, y, z, or v[0..2].
union RlRawPointD {
  struct {
    double x, y, z;
  };
  double v[3];
};

// A texture coordinate: u, v, or uv[0..1].
union RlRawTexCoord {
  struct {
    float u, v;
  };
  float uv[2];
};

// One triangle of a triangle soup. Corner i is vert[i], norm[i], texCoord[i].
struct RlRawTriangle {
  RlRawPoint vert[3];
  RlRawPoint norm[3];
  RlRawTexCoord texCoord[3];
};

// Tangent frames of one triangle's three corners, parallel to a triangle list.
struct RlRawTangentSpace {
  RlRawPoint tangent[3];
  RlRawPoint binormal[3];
};

// Double-precision twin of RlRawTangentSpace.
struct RlRawTangentSpaceD {
  RlRawPointD tangent[3];
  RlRawPointD binormal[3];
};

// One welded vertex with its full frame. 116 bytes: no tail gap, so arrays of it have a
// 116-byte stride and most of its doubles are unaligned.
struct RlTangentPointD {
  double vertex[3];
  double normal[3];
  double uv[2];
  double tangent[3];
  double binormal[3];
  int32_t count;  // number of triangle corners merged into this vertex
};

// The three vertex indices of one triangle of an indexed vertex buffer.
struct RlIndex {
  int32_t idx[3];
};

// A chunk header: four tag bytes (not terminated) and the number of content bytes that
// follow the header.
struct RlHeader {
  char hdr[4];
  UNSIGNED_INT_32 size;
};

#pragma pack(pop)

// Sizes are strides of arrays in memory and in files; offsets fix the file image.
static_assert(sizeof(RlRawPoint) == 12);
static_assert(sizeof(RlRawPointD) == 24);
static_assert(sizeof(RlRawTexCoord) == 8);
static_assert(sizeof(RlRawTriangle) == 96);
static_assert(offsetof(RlRawTriangle, vert) == 0);
static_assert(offsetof(RlRawTriangle, norm) == 36);
static_assert(offsetof(RlRawTriangle, texCoord) == 72);
static_assert(sizeof(RlRawTangentSpace) == 72);
static_assert(offsetof(RlRawTangentSpace, binormal) == 36);
static_assert(sizeof(RlRawTangentSpaceD) == 144);
static_assert(offsetof(RlRawTangentSpaceD, binormal) == 72);
static_assert(sizeof(RlTangentPointD) == 116);
static_assert(offsetof(RlTangentPointD, normal) == 24);
static_assert(offsetof(RlTangentPointD, uv) == 48);
static_assert(offsetof(RlTangentPointD, tangent) == 64);
static_assert(offsetof(RlTangentPointD, binormal) == 88);
static_assert(offsetof(RlTangentPointD, count) == 112);
static_assert(sizeof(RlIndex) == 12);
static_assert(sizeof(RlHeader) == 8);
static_assert(offsetof(RlHeader, size) == 4);

// A vertex comparison: 0 when the two points are the same vertex, -1 when the first
// sorts before the second (the first key that differs is greater in the first point),
// 1 when it sorts after.
typedef int (*PFNRLCOMPARED)(RlTangentPointD* first, RlTangentPointD* second);

// Every function below works on a stream the caller opened in binary mode and closes
// itself; none opens, rewinds or closes a stream. Each failure prints exactly one line
// to stderr (RlConvertFile adds its own line after the inner function's) and returns
// false; nothing is thrown.

// Writes a complete RLF file of numTris triangles at the stream's position.
// tris: numTris records, read only (never modified, also on big-endian hosts); may be
//   null when numTris is 0.
// Refuses a negative numTris, or one for which 12 + 96 * numTris does not fit in 32
// unsigned bits, before anything is written. On a failed write, what was written so far
// stays in the stream.
RL_API bool RlWriteTriangles(FILE* fp, int numTris, RlRawTriangle* tris);

// Reads a triangle chunk body (a count, then the records) from the stream's position.
// *numTris receives the count as read, *tris a new[]-allocated array of *numTris
// records in host order; the caller releases it with delete[].
// On failure: a count of 0 or less fails with *numTris holding it and *tris untouched;
// a failed allocation stores null in *tris; once allocated the array is stored in *tris
// and belongs to the caller even if reading the records then fails.
RL_API bool RlReadTriangleChunk(FILE* fp, int* numTris, RlRawTriangle** tris);

// Tells whether the stream, from its position on, holds an "RLF " chunk with a "TRIS"
// sub-chunk. On true the stream stands at that chunk's count, ready for
// RlReadTriangleChunk; otherwise wherever the search stopped. Prints nothing.
RL_API bool RlFileHasTriangles(FILE* fp);

// Finds the "TRIS" chunk inside the "RLF " chunk and reads it with RlReadTriangleChunk
// (same out-parameters and ownership). The stream is left after the last record.
RL_API bool RlReadTriangles(FILE* fp, int* numTris, RlRawTriangle** tris);

// Reads a bare triangle chunk body from fpIn's position and writes it to fpOut as a
// complete RLF file. The triangles read are released before returning.
RL_API bool RlConvertFile(FILE* fpIn, FILE* fpOut);

#endif
