// The records' two views and their strides in arrays.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "RlFileIO.h"

TEST(RlRecords, ArrayAndNamedViewsShareStorage) {
  RlRawPoint p{};
  p.v[1] = 7.5f;
  EXPECT_EQ(p.y, 7.5f);
  p.z = -2.0f;
  EXPECT_EQ(p.v[2], -2.0f);

  RlRawTexCoord t{};
  t.uv[0] = 0.25f;
  EXPECT_EQ(t.u, 0.25f);

  RlRawPointD d{};
  d.v[0] = 3.0;
  EXPECT_EQ(d.x, 3.0);
}

TEST(RlRecords, TangentPointsHaveA116ByteStride) {
  // Element k starts at byte 116 k: its count and its first double lie exactly there,
  // unaligned for every odd k.
  RlTangentPointD points[5];
  for (int k = 0; k < 5; ++k) {
    const double x = k + 0.5;
    std::memcpy(reinterpret_cast<unsigned char*>(points) + 116 * k, &x, sizeof x);
    const int32_t count = 10 + k;
    std::memcpy(reinterpret_cast<unsigned char*>(points) + 116 * k + 112, &count, sizeof count);
  }
  for (int k = 0; k < 5; ++k) {
    const RlTangentPointD copy = points[k];  // copied out, never through a member pointer
    EXPECT_EQ(copy.vertex[0], k + 0.5);
    EXPECT_EQ(copy.count, 10 + k);
  }
  EXPECT_EQ(sizeof points, 5u * 116u);
  RlRawTriangle tris[3];
  EXPECT_EQ(sizeof tris, 3u * 96u);
}
