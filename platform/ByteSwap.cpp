// Byte-order conversion: the scalar reversals and the VekByteSwap_ family.
//
// Every field is read and written through memcpy where it lies, since records are
// packed and their fields (doubles in particular) are often unaligned. Floats are
// reversed through their integer images and only ever copied, never converted or
// computed with, so that their bit patterns, NaN payloads included, survive.
#include <cstddef>
#include <cstring>

#include "MacSpecific.h"
#include "RlFileIO.h"
#include "VekEndian.h"

UInt16 VekEndian16_Swap(UInt16 i16) {
  return static_cast<UInt16>((i16 >> 8) | (i16 << 8));
}

UInt32 VekEndian32_Swap(UInt32 i32) {
  return (i32 >> 24) | ((i32 >> 8) & 0x0000FF00u) | ((i32 << 8) & 0x00FF0000u) | (i32 << 24);
}

UInt64 VekEndian64_Swap(UInt64 i64) {
  // Exchange the two halves and reverse each.
  const UInt32 low = static_cast<UInt32>(i64);
  const UInt32 high = static_cast<UInt32>(i64 >> 32);
  return (static_cast<UInt64>(VekEndian32_Swap(low)) << 32) | VekEndian32_Swap(high);
}

float32 VekEndianFloat32_Swap(float32 f32) {
  return std::bit_cast<float32>(VekEndian32_Swap(std::bit_cast<UInt32>(f32)));
}

float64 VekEndianFloat64_Swap(float64 f64) {
  return std::bit_cast<float64>(VekEndian64_Swap(std::bit_cast<UInt64>(f64)));
}

namespace {

// Reverses num consecutive scalars of type T starting at arg, each through Swap.
template <typename T, T (*Swap)(T)>
uint32 SwapScalars(void* arg, uint32 num) {
  auto* p = static_cast<unsigned char*>(arg);
  for (uint32 k = 0; k < num; ++k, p += sizeof(T)) {
    T value;
    std::memcpy(&value, p, sizeof value);
    value = Swap(value);
    std::memcpy(p, &value, sizeof value);
  }
  return 1;
}

// Applies fieldSwap to every element of an array of records of the given stride.
template <std::size_t Stride, typename FieldSwap>
uint32 SwapRecords(void* arg, uint32 num, FieldSwap fieldSwap) {
  auto* p = static_cast<unsigned char*>(arg);
  for (uint32 k = 0; k < num; ++k, p += Stride) {
    fieldSwap(p);
  }
  return 1;
}

}  // namespace

// One-byte data has no byte order.
uint32 VekByteSwap_bool8(void*, uint32) { return 1; }
uint32 VekByteSwap_char8(void*, uint32) { return 1; }
uint32 VekByteSwap_int8(void*, uint32) { return 1; }
uint32 VekByteSwap_uint8(void*, uint32) { return 1; }

uint32 VekByteSwap_int16(void* arg, uint32 num) {
  return SwapScalars<UInt16, VekEndian16_Swap>(arg, num);
}
uint32 VekByteSwap_uint16(void* arg, uint32 num) {
  return SwapScalars<UInt16, VekEndian16_Swap>(arg, num);
}
uint32 VekByteSwap_int32(void* arg, uint32 num) {
  return SwapScalars<UInt32, VekEndian32_Swap>(arg, num);
}
uint32 VekByteSwap_uint32(void* arg, uint32 num) {
  return SwapScalars<UInt32, VekEndian32_Swap>(arg, num);
}
uint32 VekByteSwap_float32(void* arg, uint32 num) {
  return SwapScalars<float32, VekEndianFloat32_Swap>(arg, num);
}
uint32 VekByteSwap_float64(void* arg, uint32 num) {
  return SwapScalars<float64, VekEndianFloat64_Swap>(arg, num);
}

uint32 VekByteSwap_RlHeader(void* arg, uint32 num) {
  return SwapRecords<sizeof(RlHeader)>(arg, num, [](unsigned char* r) {
    VekByteSwap_uint32(r + offsetof(RlHeader, size), 1);
  });
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
  return SwapRecords<sizeof(RlIndex)>(arg, num, [](unsigned char* r) {
    VekByteSwap_int32(r + offsetof(RlIndex, idx), 3);
  });
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

uint32 VekByteSwap_TGAHeaderInfo(void* arg, uint32 num) {
  return SwapRecords<sizeof(TGAHeaderInfo)>(arg, num, [](unsigned char* r) {
    VekByteSwap_uint16(r + offsetof(TGAHeaderInfo, cmorg), 1);
    VekByteSwap_uint16(r + offsetof(TGAHeaderInfo, cmcnt), 1);
    VekByteSwap_uint16(r + offsetof(TGAHeaderInfo, imxorg), 1);
    VekByteSwap_uint16(r + offsetof(TGAHeaderInfo, imyorg), 1);
    VekByteSwap_uint16(r + offsetof(TGAHeaderInfo, imwidth), 1);
    VekByteSwap_uint16(r + offsetof(TGAHeaderInfo, imheight), 1);
  });
}

uint32 VekByteSwap_VekBitmap(void* arg, uint32 num) {
  return SwapRecords<sizeof(VekBitmap)>(arg, num, [](unsigned char* r) {
    VekByteSwap_uint16(r + offsetof(VekBitmap, width), 1);
    VekByteSwap_uint16(r + offsetof(VekBitmap, height), 1);
    SwapScalars<UInt32, VekEndian32_Swap>(r + offsetof(VekBitmap, format), 1);
  });
}
