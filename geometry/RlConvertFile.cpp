// Wrapping a bare triangle chunk body into a complete RLF file.
#include <cstdio>
#include <memory>

#include "RlFileIO.h"

bool RlConvertFile(FILE* fpIn, FILE* fpOut) {
  int numTris = 0;
  RlRawTriangle* read = nullptr;
  const bool readOk = RlReadTriangleChunk(fpIn, &numTris, &read);
  // The reader hands over its array even when reading the records failed.
  const std::unique_ptr<RlRawTriangle[]> tris(read);
  if (!readOk) {
    std::fputs("Unable to read input file\n", stderr);
    return false;
  }
  if (!RlWriteTriangles(fpOut, numTris, tris.get())) {
    std::fputs("Unable to write output file\n", stderr);
    return false;
  }
  return true;
}
