// An aligned copy of a welded vertex, whose fields tests may bind references to (the
// packed record's doubles lie at unaligned addresses, where a reference must not).
#ifndef TESTS_SUPPORT_VERTEX_H
#define TESTS_SUPPORT_VERTEX_H

#include <cstddef>
#include <cstring>

#include "RlFileIO.h"

struct Vertex {
  double vertex[3];
  double normal[3];
  double uv[2];
  double tangent[3];
  double binormal[3];
  int32_t count;
};
static_assert(offsetof(Vertex, count) == offsetof(RlTangentPointD, count));

// The same fields in the same order: only the tail padding differs.
inline Vertex Unpacked(const RlTangentPointD& point) {
  Vertex v;
  std::memcpy(&v, &point, sizeof point);
  return v;
}

#endif
