// The byte-order family: each member against a hand-written field map of its record.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <utility>
#include <vector>

#include "MacSpecific.h"
#include "RlFileIO.h"
#include "VekEndian.h"

namespace {

using Field = std::pair<std::size_t, std::size_t>;  // byte offset, size

// n consecutive fields of the same size from offset on.
std::vector<Field> Run(std::size_t offset, std::size_t size, int n) {
  std::vector<Field> fields;
  for (int i = 0; i < n; ++i) {
    fields.emplace_back(offset + i * size, size);
  }
  return fields;
}

std::vector<Field> Concat(std::vector<Field> a, const std::vector<Field>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Member {
  const char* name;
  uint32 (*swap)(void*, uint32);
  std::size_t stride;
  std::vector<Field> reversed;  // every other byte stays as it is
};

const std::vector<Member>& Members() {
  static const std::vector<Member> members = {
      {"bool8", VekByteSwap_bool8, 1, {}},
      {"char8", VekByteSwap_char8, 1, {}},
      {"int8", VekByteSwap_int8, 1, {}},
      {"uint8", VekByteSwap_uint8, 1, {}},
      {"int16", VekByteSwap_int16, 2, Run(0, 2, 1)},
      {"uint16", VekByteSwap_uint16, 2, Run(0, 2, 1)},
      {"int32", VekByteSwap_int32, 4, Run(0, 4, 1)},
      {"uint32", VekByteSwap_uint32, 4, Run(0, 4, 1)},
      {"float32", VekByteSwap_float32, 4, Run(0, 4, 1)},
      {"float64", VekByteSwap_float64, 8, Run(0, 8, 1)},
      {"RlHeader", VekByteSwap_RlHeader, 8, Run(4, 4, 1)},
      {"RlRawPoint", VekByteSwap_RlRawPoint, 12, Run(0, 4, 3)},
      {"RlRawPointD", VekByteSwap_RlRawPointD, 24, Run(0, 8, 3)},
      {"RlRawTexCoord", VekByteSwap_RlRawTexCoord, 8, Run(0, 4, 2)},
      {"RlRawTriangle", VekByteSwap_RlRawTriangle, 96, Run(0, 4, 24)},
      {"RlRawTangentSpace", VekByteSwap_RlRawTangentSpace, 72, Run(0, 4, 18)},
      {"RlRawTangentSpaceD", VekByteSwap_RlRawTangentSpaceD, 144, Run(0, 8, 18)},
      {"RlIndex", VekByteSwap_RlIndex, 12, Run(0, 4, 3)},
      {"RlTangentPointD", VekByteSwap_RlTangentPointD, 116, Concat(Run(0, 8, 14), Run(112, 4, 1))},
      {"TGAHeaderInfo", VekByteSwap_TGAHeaderInfo, 18, {{3, 2}, {5, 2}, {8, 2}, {10, 2}, {12, 2}, {14, 2}}},
      {"VekBitmap", VekByteSwap_VekBitmap, 9 + sizeof(void*), {{0, 2}, {2, 2}, {5, 4}}},
  };
  return members;
}

constexpr std::size_t kGuard = 16;

std::vector<uint8_t> Pattern(std::size_t size) {
  std::vector<uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  }
  return bytes;
}

}  // namespace

TEST(ByteSwap, EachMemberReversesExactlyItsFieldsAtItsStride) {
  constexpr uint32 kElements = 3;
  for (const Member& m : Members()) {
    SCOPED_TRACE(m.name);
    // Guard bytes on both sides, elements starting at an odd address.
    const std::size_t size = 1 + kGuard + kElements * m.stride + kGuard;
    const std::vector<uint8_t> original = Pattern(size);
    std::vector<uint8_t> expected = original;
    for (uint32 k = 0; k < kElements; ++k) {
      for (const auto& [offset, width] : m.reversed) {
        auto first = expected.begin() + static_cast<long>(1 + kGuard + k * m.stride + offset);
        std::reverse(first, first + static_cast<long>(width));
      }
    }
    std::vector<uint8_t> bytes = original;
    EXPECT_EQ(m.swap(bytes.data() + 1 + kGuard, kElements), 1u);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(m.swap(bytes.data() + 1 + kGuard, kElements), 1u);
    EXPECT_EQ(bytes, original) << "swapping twice must restore the data";
    EXPECT_EQ(m.swap(bytes.data() + 1 + kGuard, 0), 1u);
    EXPECT_EQ(bytes, original) << "num 0 must touch nothing";
  }
}

TEST(ByteSwap, FloatSwapsKeepEveryBitPattern) {
  // Patterns that are NaN, infinite or denormal before or after the reversal.
  const uint32_t patterns32[] = {0x7F800001u, 0x7FC00001u, 0xFFBFFFFFu, 0x0100807Fu,
                                 0x01000000u, 0x0000807Fu, 0x0000C0FFu, 0x80000000u};
  for (uint32_t bits : patterns32) {
    const float32 swapped = VekEndianFloat32_Swap(std::bit_cast<float32>(bits));
    EXPECT_EQ(std::bit_cast<uint32_t>(swapped), VekEndian32_Swap(bits)) << std::hex << bits;
  }
  const uint64_t patterns64[] = {0x7FF0000000000001ull, 0x7FF8000000000123ull, 0x010000000000F07Full,
                                 0x0000000000000001ull};
  for (uint64_t bits : patterns64) {
    const float64 swapped = VekEndianFloat64_Swap(std::bit_cast<float64>(bits));
    EXPECT_EQ(std::bit_cast<uint64_t>(swapped), VekEndian64_Swap(bits)) << std::hex << bits;
  }
  std::vector<uint32_t> array(std::begin(patterns32), std::end(patterns32));
  const std::vector<uint32_t> before = array;
  VekByteSwap_float32(array.data(), static_cast<uint32>(array.size()));
  VekByteSwap_float32(array.data(), static_cast<uint32>(array.size()));
  EXPECT_EQ(array, before);
}
