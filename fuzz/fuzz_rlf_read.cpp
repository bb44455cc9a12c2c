// The RLF readers on arbitrary bytes, through a memory stream and through a file.
// Oracles: a successful read returns exactly the records that stand in the input just
// before where the stream ends up; writing what was read and reading it again gives the
// same records; RlConvertFile's output reads back as the chunk it was given.
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "ByteStreams.h"
#include "MacSpecific.h"
#include "RlFileIO.h"

namespace {

// One temporary file for the whole run, emptied for each use (creating a file per input
// would dominate the run).
FILE* ScratchFile() {
  static FILE* scratch = std::tmpfile();
  if (scratch != nullptr) {
    std::fflush(scratch);
    if (ftruncate(fileno(scratch), 0) != 0) return nullptr;
    std::rewind(scratch);
  }
  return scratch;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Read {
  bool ok = false;
  int numTris = 0;
  std::unique_ptr<RlRawTriangle[]> tris;
};

Read ReadWith(bool (*reader)(FILE*, int*, RlRawTriangle**), FILE* fp) {
  Read r;
  RlRawTriangle* tris = nullptr;
  r.ok = reader(fp, &r.numTris, &tris);
  r.tris.reset(tris);  // handed over even when the read failed
  return r;
}

// Records as they stand in a file: little-endian.
std::vector<uint8_t> FileOrder(const RlRawTriangle* tris, int count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(count) * sizeof(RlRawTriangle));
  std::memcpy(bytes.data(), tris, bytes.size());
  if constexpr (std::endian::native == std::endian::big) {
    VekByteSwap_RlRawTriangle(bytes.data(), static_cast<uint32>(count));
  }
  return bytes;
}

// The records of a successful read are the 96 n bytes before the stream's position.
void CheckAgainstInput(const Read& r, FILE* fp, const uint8_t* data, size_t size) {
  if (!r.ok) return;
  Check(r.numTris > 0);
  const long end = std::ftell(fp);
  const size_t bytes = static_cast<size_t>(r.numTris) * sizeof(RlRawTriangle);
  Check(end >= 0 && static_cast<size_t>(end) <= size && bytes + 4 <= static_cast<size_t>(end));
  Check(std::memcmp(FileOrder(r.tris.get(), r.numTris).data(), data + end - bytes, bytes) == 0);
}

void RoundTrip(const Read& r) {
  if (!r.ok) return;
  FILE* fp = ScratchFile();
  Check(fp != nullptr && RlWriteTriangles(fp, r.numTris, r.tris.get()));
  std::rewind(fp);
  const Read again = ReadWith(RlReadTriangles, fp);
  Check(again.ok && again.numTris == r.numTris);
  Check(std::memcmp(again.tris.get(), r.tris.get(), static_cast<size_t>(r.numTris) * sizeof(RlRawTriangle)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (FILE* (*open)(const uint8_t*, size_t) : {MemoryStream, FileStream}) {
    FILE* fp = open(data, size);
    if (fp == nullptr) continue;
    const Read whole = ReadWith(RlReadTriangles, fp);
    CheckAgainstInput(whole, fp, data, size);
    RoundTrip(whole);

    std::rewind(fp);
    if (RlFileHasTriangles(fp)) {
      const Read chunk = ReadWith(RlReadTriangleChunk, fp);
      CheckAgainstInput(chunk, fp, data, size);
      Check(chunk.ok == whole.ok && chunk.numTris == whole.numTris);
    }

    // The input as a bare chunk body.
    std::rewind(fp);
    FILE* out = ScratchFile();
    const bool converted = out != nullptr && RlConvertFile(fp, out);
    if (converted) {
      std::rewind(out);
      const Read back = ReadWith(RlReadTriangles, out);
      Check(back.ok && static_cast<size_t>(back.numTris) * sizeof(RlRawTriangle) + 4 <= size);
      Check(std::memcmp(FileOrder(back.tris.get(), back.numTris).data(), data + 4,
                        static_cast<size_t>(back.numTris) * sizeof(RlRawTriangle)) == 0);
    }
    std::fclose(fp);
  }
  return 0;
}
