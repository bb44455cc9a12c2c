// Byte-order conversion: the scalar reversals and the VekByteSwap_ family, but for the
// geometry library's records (geometry/RecordByteSwap.cpp, beside the records).
//
// Every field is read and written through memcpy where it lies, since records are
// packed and their fields (doubles in particular) are often unaligned. Floats are
// reversed through their integer images and only ever copied, never converted or
// computed with, so that their bit patterns, NaN payloads included, survive.
#include <cstddef>
#include <cstring>

#include "MacSpecific.h"
#include "VekEndian.h"

UInt16 VekEndian16_Swap(UInt16 i16) { return static_cast<UInt16>((i16 >> 8) | (i16 << 8)); }

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

}  // namespace

// One-byte data has no byte order.
uint32 VekByteSwap_bool8(void*, uint32) { return 1; }
uint32 VekByteSwap_char8(void*, uint32) { return 1; }
uint32 VekByteSwap_int8(void*, uint32) { return 1; }
uint32 VekByteSwap_uint8(void*, uint32) { return 1; }

uint32 VekByteSwap_int16(void* arg, uint32 num) { return SwapScalars<UInt16, VekEndian16_Swap>(arg, num); }
uint32 VekByteSwap_uint16(void* arg, uint32 num) { return SwapScalars<UInt16, VekEndian16_Swap>(arg, num); }
uint32 VekByteSwap_int32(void* arg, uint32 num) { return SwapScalars<UInt32, VekEndian32_Swap>(arg, num); }
uint32 VekByteSwap_uint32(void* arg, uint32 num) { return SwapScalars<UInt32, VekEndian32_Swap>(arg, num); }
uint32 VekByteSwap_float32(void* arg, uint32 num) { return SwapScalars<float32, VekEndianFloat32_Swap>(arg, num); }
uint32 VekByteSwap_float64(void* arg, uint32 num) { return SwapScalars<float64, VekEndianFloat64_Swap>(arg, num); }

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
