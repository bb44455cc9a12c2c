// Writing a triangle list as an RLF file.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "MacSpecific.h"
#include "RlFileIO.h"
#include "VekEndian.h"

namespace {

// Largest count whose "RLF " chunk size, 12 + 96 n, fits in the 32-bit size field.
constexpr uint64_t kMaxTriangles = (UINT32_MAX - 12u) / sizeof(RlRawTriangle);

// Writes a chunk header in file order as one item.
bool WriteChunkHeader(FILE* fp, const char (&tag)[5], uint64_t size) {
  RlHeader header;
  std::memcpy(header.hdr, tag, sizeof header.hdr);
  header.size = static_cast<UNSIGNED_INT_32>(size);
  if constexpr (kHostIsBigEndian) {
    VekByteSwap_RlHeader(&header, 1);
  }
  return std::fwrite(&header, sizeof header, 1, fp) == 1;
}

bool WriteCount(FILE* fp, int32_t count) {
  if constexpr (kHostIsBigEndian) {
    VekByteSwap_int32(&count, 1);
  }
  return std::fwrite(&count, sizeof count, 1, fp) == 1;
}

// Writes the records in file order. A little-endian host writes the caller's array as
// it is; a big-endian one converts a private copy, so the caller's array never changes.
bool WriteRecords(FILE* fp, int numTris, const RlRawTriangle* tris) {
  const auto count = static_cast<std::size_t>(numTris);
  if constexpr (!kHostIsBigEndian) {
    return count == 0 || std::fwrite(tris, sizeof *tris, count, fp) == count;
  } else {
    // One spare record, so that the allocation is never empty.
    std::unique_ptr<RlRawTriangle[]> copy(new (std::nothrow) RlRawTriangle[count + 1]);
    if (!copy) {
      return false;
    }
    if (count != 0) {
      std::memcpy(copy.get(), tris, count * sizeof *tris);
      VekByteSwap_RlRawTriangle(copy.get(), static_cast<uint32>(count));
    }
    return std::fwrite(copy.get(), sizeof *tris, count, fp) == count;
  }
}

}  // namespace

bool RlWriteTriangles(FILE* fp, int numTris, RlRawTriangle* tris) {
  if (numTris < 0 || static_cast<uint64_t>(numTris) > kMaxTriangles) {
    std::fprintf(stderr, "Invalid number of triangles %d\n", numTris);
    return false;
  }
  const uint64_t recordBytes = sizeof(RlRawTriangle) * static_cast<uint64_t>(numTris);

  if (!WriteChunkHeader(fp, "RLF ", 12 + recordBytes)) {
    std::fputs("Unable to write RLF header\n", stderr);
    return false;
  }
  if (!WriteChunkHeader(fp, "TRIS", 4 + recordBytes)) {
    std::fputs("Unable to write triangle header\n", stderr);
    return false;
  }
  if (!WriteCount(fp, numTris)) {
    std::fputs("Unable to write number of triangles\n", stderr);
    return false;
  }
  if (!WriteRecords(fp, numTris, tris)) {
    std::fputs("Unable to write triangles\n", stderr);
    return false;
  }
  return true;
}
