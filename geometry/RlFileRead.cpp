// Finding and reading the triangles of an RLF file.
#include <cstdint>
#include <cstdio>
#include <new>

#include "MacSpecific.h"
#include "RlChunkSearch.h"
#include "RlFileIO.h"
#include "VekEndian.h"

namespace {

// Allocates count records, or returns null when their byte size cannot be represented
// or the memory cannot be had.
RlRawTriangle* AllocateTriangles(int count) {
  if (static_cast<uint64_t>(count) > SIZE_MAX / sizeof(RlRawTriangle)) {
    return nullptr;
  }
  return new (std::nothrow) RlRawTriangle[static_cast<std::size_t>(count)];
}

}  // namespace

bool RlReadTriangleChunk(FILE* fp, int* numTris, RlRawTriangle** tris) {
  if (std::fread(numTris, sizeof *numTris, 1, fp) != 1) {
    std::fputs("Unable to read number of triangles\n", stderr);
    return false;
  }
  if constexpr (kHostIsBigEndian) {
    VekByteSwap_int32(numTris, 1);
  }
  const int count = *numTris;
  if (count <= 0) {
    std::fputs("No triangles found in file\n", stderr);
    return false;
  }

  // The array belongs to the caller from here on, whatever happens next.
  *tris = AllocateTriangles(count);
  if (*tris == nullptr) {
    std::fprintf(stderr, "Unable to allocate space for %d triangles\n", count);
    return false;
  }
  const auto records = static_cast<std::size_t>(count);
  if (std::fread(*tris, sizeof(RlRawTriangle), records, fp) != records) {
    std::fputs("Unable to read triangles\n", stderr);
    return false;
  }
  if constexpr (kHostIsBigEndian) {
    VekByteSwap_RlRawTriangle(*tris, static_cast<uint32>(count));
  }
  return true;
}

bool RlFileHasTriangles(FILE* fp) { return FindTriangleChunk(fp) == ChunkSearch::kFound; }

bool RlReadTriangles(FILE* fp, int* numTris, RlRawTriangle** tris) {
  switch (FindTriangleChunk(fp)) {
    case ChunkSearch::kFound:
      return RlReadTriangleChunk(fp, numTris, tris);
    case ChunkSearch::kNoData:
      std::fputs("No RLF data found in file\n", stderr);
      return false;
    case ChunkSearch::kUnreadableHeader:
      std::fputs("Unable to read header\n", stderr);
      return false;
    case ChunkSearch::kSkipFailed:
      std::fputs("Chunk size doesn't match file size\n", stderr);
      return false;
  }
  return false;  // unreachable: every outcome is handled above
}
