// Welding and tangent frames on triangles built from the input: every float comes from
// a small table (a grid of small integers, halves, near-tolerance steps, zeros of both
// signs, NaN and infinities), so that coincident corners, ties and degenerate mappings
// are common. Oracles: the flat and the blocked road give the same bytes; vertices are
// numbered in the order their first corners come; counts add up to the corners; every
// corner lies within the tolerances of its vertex and carries its frame, which the
// single-precision frames round; frames are unit or exactly (1, 0, 0).
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

float Value(uint8_t byte) {
  static const float kSpecial[] = {0.0f,
                                   -0.0f,
                                   1e-7f,
                                   1.00000005f,
                                   0.5f,
                                   -1.5f,
                                   5e-8f,
                                   3e-7f,
                                   std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::infinity(),
                                   -std::numeric_limits<float>::infinity(),
                                   1e30f};
  return byte < 240 ? static_cast<float>(byte % 8) - 3.0f
                    : kSpecial[(byte - 240) % (sizeof kSpecial / sizeof kSpecial[0])];
}

struct Result {
  bool ok;
  int numVerts = 0;
  std::unique_ptr<RlTangentPointD[]> verts;
  std::unique_ptr<RlIndex[]> indices;
  std::unique_ptr<RlRawTangentSpaceD[]> frames;
  std::unique_ptr<RlRawTangentSpace[]> rounded;
};

Result Run(std::vector<RlRawTriangle>& tris, RlWeldRoad road) {
  Result r;
  const int n = static_cast<int>(tris.size());
  RlTangentPointD* verts = nullptr;
  RlIndex* indices = nullptr;
  r.ok = RlCreateVertexBuffersOnRoad(n, tris.data(), &r.numVerts, &verts, &indices, road);
  r.verts.reset(verts);
  r.indices.reset(indices);
  RlRawTangentSpaceD* frames = nullptr;
  Check(RlComputeTangentsDOnRoad(n, tris.data(), &frames, road) == r.ok);
  r.frames.reset(frames);
  RlRawTangentSpace* rounded = nullptr;
  Check(RlComputeTangentsOnRoad(n, tris.data(), &rounded, road) == r.ok);
  r.rounded.reset(rounded);
  return r;
}

// Whether f is d rounded to single precision, NaNs with their payloads included.
bool SameBits(float f, double d) {
  return std::bit_cast<uint32_t>(f) == std::bit_cast<uint32_t>(static_cast<float>(d));
}

bool Near(double a, double b, double tolerance) { return !(std::fabs(a - b) > tolerance); }

// Takes the components by value: the record's doubles may be unaligned.
bool UnitOrFallback(double x, double y, double z) {
  if (x == 1.0 && y == 0.0 && z == 0.0) return true;
  const double length = std::sqrt(x * x + y * y + z * z);
  return std::fabs(length - 1.0) <= 1e-9;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t numTris = std::min<size_t>(size / 24, 4000);
  if (numTris == 0) return 0;
  std::vector<RlRawTriangle> tris(numTris);
  for (size_t t = 0; t < numTris; ++t) {
    float f[24];
    for (int k = 0; k < 24; ++k) f[k] = Value(data[24 * t + static_cast<size_t>(k)]);
    std::memcpy(&tris[t], f, sizeof f);
  }
  const Result flat = Run(tris, RlWeldRoad::kFlat);
  const Result blocked = Run(tris, RlWeldRoad::kBlocked);
  Check(flat.ok && blocked.ok && flat.numVerts == blocked.numVerts);
  const auto corners = 3 * numTris;
  Check(std::memcmp(flat.verts.get(), blocked.verts.get(),
                    static_cast<size_t>(flat.numVerts) * sizeof(RlTangentPointD)) == 0);
  Check(std::memcmp(flat.indices.get(), blocked.indices.get(), numTris * sizeof(RlIndex)) == 0);
  Check(std::memcmp(flat.frames.get(), blocked.frames.get(), numTris * sizeof(RlRawTangentSpaceD)) == 0);
  Check(std::memcmp(flat.rounded.get(), blocked.rounded.get(), numTris * sizeof(RlRawTangentSpace)) == 0);

  Check(flat.numVerts >= 1 && static_cast<size_t>(flat.numVerts) <= corners);
  std::vector<int> named(static_cast<size_t>(flat.numVerts), 0);
  std::vector<bool> finite(static_cast<size_t>(flat.numVerts), true);  // all its corners
  int firstUnseen = 0;
  for (size_t t = 0; t < numTris; ++t) {
    for (int j = 0; j < 3; ++j) {
      const int index = flat.indices[t].idx[j];
      Check(index >= 0 && index <= firstUnseen);
      firstUnseen += index == firstUnseen;
      ++named[static_cast<size_t>(index)];
      // A corner's frame comes from its whole triangle.
      float values[24];
      std::memcpy(values, &tris[t], sizeof values);
      for (float value : values) {
        if (!std::isfinite(value)) finite[static_cast<size_t>(index)] = false;
      }
      const RlTangentPointD v = flat.verts[index];
      const RlRawTangentSpaceD& frame = flat.frames[t];
      Check(std::memcmp(&frame.tangent[j], &flat.verts[index].tangent, 24) == 0);
      Check(std::memcmp(&frame.binormal[j], &flat.verts[index].binormal, 24) == 0);
      for (int k = 0; k < 3; ++k) {
        Check(Near(v.vertex[k], tris[t].vert[j].v[k], VEK_VERT_TINY));
        Check(Near(v.normal[k], tris[t].norm[j].v[k], VEK_NORM_TINY));
        Check(SameBits(flat.rounded[t].tangent[j].v[k], frame.tangent[j].v[k]) &&
              SameBits(flat.rounded[t].binormal[j].v[k], frame.binormal[j].v[k]));
      }
    }
  }
  Check(firstUnseen == flat.numVerts);
  for (int k = 0; k < flat.numVerts; ++k) {
    const RlTangentPointD v = flat.verts[k];
    Check(v.count == named[static_cast<size_t>(k)]);
    if (finite[static_cast<size_t>(k)]) {  // NaN frames come only from NaN or infinite input
      Check(UnitOrFallback(v.tangent[0], v.tangent[1], v.tangent[2]) &&
            UnitOrFallback(v.binormal[0], v.binormal[1], v.binormal[2]));
    }
  }
  return 0;
}
