// The tangent basis of one triangle: directions of increasing u and v in the plane of the
// normal, the fallbacks of degenerate mappings, and refusals. (The last bits of the
// arithmetic are pinned by the golden results.)
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"

namespace {

constexpr float kRight[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
constexpr float kUnitUv[3][2] = {{0, 0}, {1, 0}, {0, 1}};
constexpr double kHalfSqrt2 = 0.70710678118654752;
constexpr double kAny = std::numeric_limits<double>::quiet_NaN();  // not checked

}  // namespace

TEST(DcTangentSpace, DirectionsOfIncreasingUAndV) {
  struct Case {
    const char* name;
    float p[3][3];
    float t[3][2];
    double normal[3];
    double tangent[3], binormal[3];
  };
  const Case cases[] = {
      {"unit", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
      {"u mirrored", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 0}, {0, 0}, {1, 1}}, {0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
      {"stretched", {{0, 0, 0}, {2, 0, 0}, {0, 4, 0}}, {{0, 0}, {1, 0}, {0, 1}}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
      {"projected onto the normal's plane",
       {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
       {{0, 0}, {1, 0}, {0, 1}},
       {0, 0.6, 0.8},
       {1, 0, 0},
       {0, 0.8, -0.6}},
      {"along the normal: (1, 0, 0)",
       {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
       {{0, 0}, {1, 0}, {0, 1}},
       {1, 0, 0},
       {1, 0, 0},
       {0, 1, 0}},
      {"one texture coordinate: corner 2 to corner 3",
       {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
       {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}},
       {0, 0, 1},
       {-kHalfSqrt2, kHalfSqrt2, 0},
       {-kHalfSqrt2, kHalfSqrt2, 0}},
      {"no v span: towards the greater u, negated",
       {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
       {{0, 0.5f}, {1, 0.5f}, {0.25f, 0.5f}},
       {0, 0, 1},
       {kHalfSqrt2, -kHalfSqrt2, 0},
       {kAny, kAny, kAny}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float p[3][3], t[3][2];
    std::copy(&c.p[0][0], &c.p[0][0] + 9, &p[0][0]);
    std::copy(&c.t[0][0], &c.t[0][0] + 6, &t[0][0]);
    double normal[3] = {c.normal[0], c.normal[1], c.normal[2]}, tangent[3], binormal[3];
    ASSERT_TRUE(DcTangentSpace(p[0], p[1], p[2], t[0], t[1], t[2], normal, tangent, binormal));
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(tangent[k], c.tangent[k], 1e-15) << k;
      if (!std::isnan(c.binormal[k])) {
        EXPECT_NEAR(binormal[k], c.binormal[k], 1e-15) << k;
      }
    }
  }
  float p[3] = {0, 0, 0}, t[2] = {0, 0};
  double n[3] = {0, 0, 1}, tangent[3] = {7, 7, 7};
  EXPECT_FALSE(DcTangentSpace(p, p, nullptr, t, t, t, n, tangent, tangent));
  EXPECT_EQ(tangent[0], 7.0);
}

TEST(ComputeTangentVectorsD, ZeroUMeansNoTextureCoordinates) {
  RlRawTriangle tri{};
  tri.vert[1].x = 1;
  tri.vert[2].y = 1;
  tri.norm[2] = {{0.0f, 0.6f, 0.8f}};
  tri.texCoord[0].v = 0.3f;  // v plays no part in the test
  tri.texCoord[2].v = 0.9f;
  double tan[3], norm[3], bi[3];
  ComputeTangentVectorsD(&tri, 2, tan, norm, bi);
  EXPECT_EQ(tan[0], 1.0);
  EXPECT_EQ(bi[2], 1.0);
  EXPECT_EQ(norm[1], static_cast<double>(0.6f));

  // A single non-zero u makes it mapped, and the corner's own normal projects.
  tri.texCoord[1].u = 1;
  tri.texCoord[2] = {{0, 1}};
  tri.texCoord[0] = {{0, 0}};
  ComputeTangentVectorsD(&tri, 2, tan, norm, bi);
  EXPECT_NEAR(tan[0], 1.0, 1e-15);
  EXPECT_NEAR(bi[1], 0.8, 1e-7);
}
