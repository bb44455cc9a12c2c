// Byte-order conversion of the RLF records: each field reversed where it lies in the
// packed record (see the VekByteSwap_ family in MacSpecific.h).
#include <cstddef>

#include "MacSpecific.h"
#include "RlFileIO.h"
#include "VekEndian.h"

uint32 VekByteSwap_RlHeader(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlHeader)>(arg, num,
                                       [](unsigned char* r) { VekByteSwap_uint32(r + offsetof(RlHeader, size), 1); });
}

uint32 VekByteSwap_RlRawPoint(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlRawPoint)>(arg, num, [](unsigned char* r) {
    VekByteSwap_float32(r, 3);  // x, y, z
  });
}

uint32 VekByteSwap_RlRawPointD(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlRawPointD)>(arg, num, [](unsigned char* r) {
    VekByteSwap_float64(r, 3);  // x, y, z
  });
}

uint32 VekByteSwap_RlRawTexCoord(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlRawTexCoord)>(arg, num, [](unsigned char* r) {
    VekByteSwap_float32(r, 2);  // u, v
  });
}

uint32 VekByteSwap_RlRawTriangle(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlRawTriangle)>(arg, num, [](unsigned char* r) {
    VekByteSwap_RlRawPoint(r + offsetof(RlRawTriangle, vert), 3);
    VekByteSwap_RlRawPoint(r + offsetof(RlRawTriangle, norm), 3);
    VekByteSwap_RlRawTexCoord(r + offsetof(RlRawTriangle, texCoord), 3);
  });
}

uint32 VekByteSwap_RlRawTangentSpace(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlRawTangentSpace)>(arg, num, [](unsigned char* r) {
    VekByteSwap_RlRawPoint(r + offsetof(RlRawTangentSpace, tangent), 3);
    VekByteSwap_RlRawPoint(r + offsetof(RlRawTangentSpace, binormal), 3);
  });
}

uint32 VekByteSwap_RlRawTangentSpaceD(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlRawTangentSpaceD)>(arg, num, [](unsigned char* r) {
    VekByteSwap_RlRawPointD(r + offsetof(RlRawTangentSpaceD, tangent), 3);
    VekByteSwap_RlRawPointD(r + offsetof(RlRawTangentSpaceD, binormal), 3);
  });
}

uint32 VekByteSwap_RlIndex(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlIndex)>(arg, num,
                                      [](unsigned char* r) { VekByteSwap_int32(r + offsetof(RlIndex, idx), 3); });
}

uint32 VekByteSwap_RlTangentPointD(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlTangentPointD)>(arg, num, [](unsigned char* r) {
    VekByteSwap_float64(r + offsetof(RlTangentPointD, vertex), 3);
    VekByteSwap_float64(r + offsetof(RlTangentPointD, normal), 3);
    VekByteSwap_float64(r + offsetof(RlTangentPointD, uv), 2);
    VekByteSwap_float64(r + offsetof(RlTangentPointD, tangent), 3);
    VekByteSwap_float64(r + offsetof(RlTangentPointD, binormal), 3);
    VekByteSwap_int32(r + offsetof(RlTangentPointD, count), 1);
  });
}
