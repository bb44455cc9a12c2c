#include "NonFinite.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>

#include "InputFile.h"
#include "MacSpecific.h"

bool IsFinite(const RlRawTriangle& tri) {
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) {
      if (!std::isfinite(tri.vert[i].v[k]) || !std::isfinite(tri.norm[i].v[k])) {
        return false;
      }
    }
    if (!std::isfinite(tri.texCoord[i].u) || !std::isfinite(tri.texCoord[i].v)) {
      return false;
    }
  }
  return true;
}

namespace {

void Tally(const RlRawTriangle& tri, std::size_t index, NonFiniteCount* result) {
  ++result->total;
  if (!IsFinite(tri)) {
    if (result->count++ == 0) {
      result->first = index;
    }
  }
}

}  // namespace

std::string Describe(const NonFiniteCount& nonFinite) {
  return "non-finite values in " + std::to_string(nonFinite.count) + " of " + std::to_string(nonFinite.total) +
         " triangles, the first in triangle " + std::to_string(nonFinite.first) + " (counting from 0)";
}

NonFiniteCount CountNonFinite(const std::vector<RlRawTriangle>& tris) {
  NonFiniteCount result;
  for (std::size_t i = 0; i < tris.size(); ++i) {
    Tally(tris[i], i, &result);
  }
  return result;
}

bool CountNonFiniteInFile(const std::string& path, NonFiniteCount* result) {
  *result = {};
  std::string error;  // an output that is a FIFO or a device is not read back
  const std::unique_ptr<FILE, int (*)(FILE*)> fp(OpenInput(path, &error), std::fclose);
  if (!fp || !RlFileHasTriangles(fp.get())) {
    return false;
  }
  int32_t count = 0;
  if (std::fread(&count, sizeof count, 1, fp.get()) != 1) {
    return false;
  }
  const bool swap = std::endian::native == std::endian::big;
  if (swap) {
    VekByteSwap_int32(&count, 1);
  }
  // Blocks of 64 KB: the file may be far larger than memory allows twice over.
  constexpr std::size_t kBlock = 682;
  std::vector<RlRawTriangle> block(kBlock);
  std::size_t index = 0;
  for (std::size_t left = count > 0 ? static_cast<std::size_t>(count) : 0; left > 0;) {
    const std::size_t n = std::min(left, kBlock);
    if (std::fread(block.data(), sizeof(RlRawTriangle), n, fp.get()) != n) {
      return false;
    }
    if (swap) {
      VekByteSwap_RlRawTriangle(block.data(), static_cast<uint32>(n));
    }
    for (std::size_t i = 0; i < n; ++i) {
      Tally(block[i], index++, result);
    }
    left -= n;
  }
  return true;
}
