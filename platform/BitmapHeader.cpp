// Readers for the little-endian headers of BMP files.
//
// Fields are read one by one, so the 14 packed bytes of the file header land correctly
// in a record whose in-memory layout has gaps. Nothing is reported (the caller checks
// the stream); a field that the stream ends before or inside is left 0.
#include <cstdint>
#include <cstdio>

#include "MacSpecific.h"
#include "VekEndian.h"

namespace {

// Reads one little-endian 16-bit field and returns it in host order.
uint16_t ReadLittle16(FILE* f) {
  UInt16 value = 0;
  if (std::fread(&value, sizeof value, 1, f) != 1) {
    return 0;  // the stream ended inside or before the field
  }
  if constexpr (kHostIsBigEndian) {
    value = VekEndian16_Swap(value);
  }
  return value;
}

// Reads one little-endian 32-bit field and returns it in host order.
uint32_t ReadLittle32(FILE* f) {
  UInt32 value = 0;
  if (std::fread(&value, sizeof value, 1, f) != 1) {
    return 0;  // the stream ended inside or before the field
  }
  if constexpr (kHostIsBigEndian) {
    value = VekEndian32_Swap(value);
  }
  return value;
}

}  // namespace

void ReadBitmapFileHeader(FILE* f, tagBITMAPFILEHEADER* bfh) {
  bfh->bfType = ReadLittle16(f);
  bfh->bfSize = ReadLittle32(f);
  bfh->bfReserved1 = ReadLittle16(f);
  bfh->bfReserved2 = ReadLittle16(f);
  bfh->bfOffBits = ReadLittle32(f);
}

void ReadBitmapCoreHeader(FILE* f, tagBITMAPCOREHEADER* bch) {
  bch->bcSize = ReadLittle32(f);
  // Width and height are signed; they travel as their 32-bit patterns.
  bch->bcWidth = static_cast<LONG>(ReadLittle32(f));
  bch->bcHeight = static_cast<LONG>(ReadLittle32(f));
  bch->bcPlanes = ReadLittle16(f);
  bch->bcBitCount = ReadLittle16(f);
}
