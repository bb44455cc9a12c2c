// Internal byte-order primitives of the platform module (not exported).
#ifndef VEK_ENDIAN_H
#define VEK_ENDIAN_H

#include <bit>
#include <cstddef>
#include <cstdint>

#include "MacSpecific.h"

typedef uint16_t UInt16;
#if !defined(__APPLE__)
typedef uint32_t UInt32;
typedef uint64_t UInt64;
#endif

// Files are little-endian; the I/O code converts only where the host is not.
inline constexpr bool kHostIsBigEndian = std::endian::native == std::endian::big;
static_assert(std::endian::native == std::endian::big || std::endian::native == std::endian::little);

// Each returns its argument with the order of its bytes reversed.
UInt16 VekEndian16_Swap(UInt16 i16);
UInt32 VekEndian32_Swap(UInt32 i32);
UInt64 VekEndian64_Swap(UInt64 i64);

// Reverse the bytes of a float's storage; the value never passes through floating-point
// conversion, so every bit pattern comes back exactly.
float32 VekEndianFloat32_Swap(float32 f32);
float64 VekEndianFloat64_Swap(float64 f64);

// Applies fieldSwap to every element of an array of records of the given stride.
template <std::size_t Stride, typename FieldSwap>
inline uint32 SwapRecords(void* arg, uint32 num, FieldSwap fieldSwap) {
  auto* p = static_cast<unsigned char*>(arg);
  for (uint32 k = 0; k < num; ++k, p += Stride) {
    fieldSwap(p);
  }
  return 1;
}

#endif
