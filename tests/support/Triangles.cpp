#include "Triangles.h"

#include <cstring>
#include <stdexcept>

#include "Streams.h"

std::vector<RlRawTriangle> PatternTriangles(int n, uint32_t seed) {
  static constexpr uint32_t kSpecial[] = {
      0x7FC00123u,  // quiet NaN with a payload
      0x7F800001u,  // signalling NaN
      0xFF800000u,  // -infinity
      0x80000000u,  // -0
      0x00000001u,  // smallest denormal
      0x7F800000u,  // +infinity
  };
  std::vector<RlRawTriangle> tris(static_cast<std::size_t>(n));
  uint32_t state = seed;
  int k = 0;
  for (RlRawTriangle& tri : tris) {
    uint32_t bits[24];
    for (uint32_t& b : bits) {
      state = state * 1664525u + 1013904223u;  // LCG: reproducible on every host
      b = (k++ % 6 == 5) ? kSpecial[(state >> 16) % 6] : state;
    }
    std::memcpy(&tri, bits, sizeof tri);
  }
  return tris;
}

std::vector<uint8_t> RlfFileOf(std::vector<RlRawTriangle> tris) {
  UniqueFile fp(std::tmpfile());
  if (!fp || !RlWriteTriangles(fp.get(), static_cast<int>(tris.size()), tris.data())) {
    throw std::runtime_error("writing the RLF file failed");
  }
  return ContentsOf(fp.get());
}
