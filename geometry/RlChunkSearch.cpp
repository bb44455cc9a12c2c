// Finding the triangle chunk of an RLF file.
#include "RlChunkSearch.h"

#include <sys/types.h>

#include <cstring>

#include "MacSpecific.h"
#include "VekEndian.h"

namespace {

bool HasTag(const RlHeader& header, const char (&tag)[5]) {
  return std::memcmp(header.hdr, tag, sizeof header.hdr) == 0;
}

}  // namespace

bool ReadChunkHeader(FILE* fp, RlHeader* header) {
  if (std::fread(header, sizeof *header, 1, fp) != 1) {
    return false;
  }
  if constexpr (kHostIsBigEndian) {
    VekByteSwap_RlHeader(header, 1);
  }
  return true;
}

bool SkipChunk(FILE* fp, UNSIGNED_INT_32 size) {
  // 64-bit offsets: a size of 2 GiB or more must still move forward, never wrap into a
  // backward seek that would make the search loop.
  const off_t start = ftello(fp);
  if (start < 0 || fseeko(fp, static_cast<off_t>(size), SEEK_CUR) != 0) {
    return false;
  }
  return ftello(fp) == start + static_cast<off_t>(size);
}

ChunkSearch FindTriangleChunk(FILE* fp) {
  RlHeader header;
  while (!std::feof(fp)) {
    if (!ReadChunkHeader(fp, &header)) {
      return ChunkSearch::kUnreadableHeader;
    }
    if (!HasTag(header, "RLF ")) {
      if (!SkipChunk(fp, header.size)) {
        return ChunkSearch::kSkipFailed;
      }
      continue;
    }
    // Inside "RLF ": its size is not checked and does not bound the search.
    while (!std::feof(fp)) {
      if (!ReadChunkHeader(fp, &header)) {
        return ChunkSearch::kUnreadableHeader;
      }
      if (HasTag(header, "TRIS")) {
        return ChunkSearch::kFound;
      }
      if (!SkipChunk(fp, header.size)) {
        return ChunkSearch::kSkipFailed;
      }
    }
  }
  return ChunkSearch::kNoData;
}
