// The bitmap header readers on arbitrary bytes. Oracle: each field is the little-endian
// value of its bytes in the input, or 0 where the input ends before the field does.
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "ByteStreams.h"
#include "MacSpecific.h"

namespace {

// The little-endian value of `width` bytes at offset, or 0 when they are not all there.
uint32_t Field(const uint8_t* data, size_t size, size_t offset, size_t width) {
  if (offset + width > size) return 0;
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(data[offset + i]) << (8 * i);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (FILE* (*open)(const uint8_t*, size_t) : {MemoryStream, FileStream}) {
    FILE* fp = open(data, size);
    if (fp == nullptr) continue;
    tagBITMAPFILEHEADER file;
    tagBITMAPCOREHEADER core;
    ReadBitmapFileHeader(fp, &file);
    ReadBitmapCoreHeader(fp, &core);
    const bool exact = file.bfType == Field(data, size, 0, 2) && file.bfSize == Field(data, size, 2, 4) &&
                       file.bfReserved1 == Field(data, size, 6, 2) && file.bfReserved2 == Field(data, size, 8, 2) &&
                       file.bfOffBits == Field(data, size, 10, 4) && core.bcSize == Field(data, size, 14, 4) &&
                       static_cast<uint32_t>(core.bcWidth) == Field(data, size, 18, 4) &&
                       static_cast<uint32_t>(core.bcHeight) == Field(data, size, 22, 4) &&
                       core.bcPlanes == Field(data, size, 26, 2) && core.bcBitCount == Field(data, size, 28, 2);
    // Once one field was cut short, the stream is at its end and the rest read 0 too.
    if (!exact || std::ftell(fp) > 30) std::abort();
    std::fclose(fp);
  }
  return 0;
}
