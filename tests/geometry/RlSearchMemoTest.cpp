// The search memo's keys: two corners share a key exactly when their position, normal
// and texture coordinate have the same bits.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "RlSearchMemo.h"

namespace {

RlRawTriangle Sample() {
  RlRawTriangle tri{};
  float value = 0.25f;
  for (int v = 0; v < 3; ++v) {
    for (int k = 0; k < 3; ++k) {
      tri.vert[v].v[k] = value += 1.5f;
      tri.norm[v].v[k] = value += 1.5f;
    }
    tri.texCoord[v].uv[0] = value += 1.5f;
    tri.texCoord[v].uv[1] = value += 1.5f;
  }
  return tri;
}

// Flips one bit of the key float number key (0 to 7: position, normal, texture
// coordinate) of corner v.
void FlipBit(RlRawTriangle* tri, int v, int key, int bit) {
  float* keys[8] = {&tri->vert[v].v[0], &tri->vert[v].v[1], &tri->vert[v].v[2],      &tri->norm[v].v[0],
                    &tri->norm[v].v[1], &tri->norm[v].v[2], &tri->texCoord[v].uv[0], &tri->texCoord[v].uv[1]};
  std::uint32_t bits;
  std::memcpy(&bits, keys[key], sizeof bits);
  bits ^= std::uint32_t{1} << bit;
  std::memcpy(keys[key], &bits, sizeof bits);
}

}  // namespace

TEST(RlSearchMemo, KeysDifferInEveryBitOfEveryKey) {
  const RlRawTriangle tri = Sample();
  for (int v = 0; v < 3; ++v) {
    EXPECT_EQ(RlSearchMemo::KeyOf(tri, v), RlSearchMemo::KeyOf(Sample(), v));
    EXPECT_NE(RlSearchMemo::KeyOf(tri, v), RlSearchMemo::KeyOf(tri, (v + 1) % 3));
    for (int key = 0; key < 8; ++key) {
      for (int bit = 0; bit < 32; ++bit) {  // sign, exponent, a NaN's payload alike
        RlRawTriangle changed = tri;
        FlipBit(&changed, v, key, bit);
        ASSERT_NE(RlSearchMemo::KeyOf(changed, v), RlSearchMemo::KeyOf(tri, v))
            << "corner " << v << ", key " << key << ", bit " << bit;
      }
    }
  }
}
