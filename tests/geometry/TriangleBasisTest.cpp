// The tangent basis of one triangle and its two vector helpers.
#include <gtest/gtest.h>

#include <cmath>

#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"

namespace {

struct Basis {
  bool ok;
  double tangent[3];
  double binormal[3];
};

// Corners in order 1, 2, 3: positions p, texture coordinates t.
Basis Compute(const float (&p)[3][3], const float (&t)[3][2], double nx = 0, double ny = 0, double nz = 1) {
  float v[3][3], uv[3][2];
  std::copy(&p[0][0], &p[0][0] + 9, &v[0][0]);
  std::copy(&t[0][0], &t[0][0] + 6, &uv[0][0]);
  double normal[3] = {nx, ny, nz};
  Basis b{};
  b.ok = DcTangentSpace(v[0], v[1], v[2], uv[0], uv[1], uv[2], normal, b.tangent, b.binormal);
  return b;
}

void ExpectVector(const double (&actual)[3], double x, double y, double z) {
  EXPECT_NEAR(actual[0], x, 1e-15);
  EXPECT_NEAR(actual[1], y, 1e-15);
  EXPECT_NEAR(actual[2], z, 1e-15);
}

constexpr float kRight[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
constexpr float kUnitUv[3][2] = {{0, 0}, {1, 0}, {0, 1}};
constexpr double kHalfSqrt2 = 0.70710678118654752;

}  // namespace

TEST(DcTangentSpace, FollowsIncreasingUAndV) {
  Basis b = Compute(kRight, kUnitUv);
  EXPECT_TRUE(b.ok);
  ExpectVector(b.tangent, 1, 0, 0);
  ExpectVector(b.binormal, 0, 1, 0);

  // u mirrored: the tangent reverses, the binormal does not.
  b = Compute(kRight, {{1, 0}, {0, 0}, {1, 1}});
  ExpectVector(b.tangent, -1, 0, 0);
  ExpectVector(b.binormal, 0, 1, 0);

  // Stretched positions: only directions count.
  b = Compute({{0, 0, 0}, {2, 0, 0}, {0, 4, 0}}, kUnitUv);
  ExpectVector(b.tangent, 1, 0, 0);
  ExpectVector(b.binormal, 0, 1, 0);
}

TEST(DcTangentSpace, ProjectsOntoThePlaneOfTheNormal) {
  Basis b = Compute(kRight, kUnitUv, 0, 0.6, 0.8);
  ExpectVector(b.tangent, 1, 0, 0);
  ExpectVector(b.binormal, 0, 0.8, -0.6);  // (0, 1, 0) less 0.6 of the normal

  // A tangent along the normal projects to zero and falls back to (1, 0, 0).
  b = Compute(kRight, kUnitUv, 1, 0, 0);
  EXPECT_EQ(b.tangent[0], 1.0);
  EXPECT_EQ(b.tangent[1], 0.0);
  EXPECT_EQ(b.tangent[2], 0.0);
  ExpectVector(b.binormal, 0, 1, 0);
}

TEST(DcTangentSpace, DegenerateSpansUseTheLastTwoRecords) {
  // All texture coordinates equal: both directions run from corner 2 to corner 3.
  Basis b = Compute(kRight, {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}});
  ExpectVector(b.tangent, -kHalfSqrt2, kHalfSqrt2, 0);
  ExpectVector(b.binormal, -kHalfSqrt2, kHalfSqrt2, 0);

  // v span zero: Q is corner 3 (u 0.25 < corner 2's u 1), so the direction is negated.
  b = Compute(kRight, {{0, 0.5f}, {1, 0.5f}, {0.25f, 0.5f}});
  ExpectVector(b.tangent, kHalfSqrt2, -kHalfSqrt2, 0);
}

TEST(DcTangentSpace, ScalesByTheReciprocalOfTheLength) {
  // The tangent is (1/7, 3, 0) before scaling; multiplying by 1 / length gives a last
  // bit that dividing by the length would not.
  const float x = 1.0f / 7.0f;
  const Basis b = Compute({{0, 0, 0}, {x, 3, 0}, {0, 1, 0}}, kUnitUv);
  EXPECT_EQ(b.tangent[0], 0.047565151536966596);
  EXPECT_NE(b.tangent[0], 0.04756515153696659);
}

TEST(DcTangentSpace, NullPointersWriteNothing) {
  float p[3] = {0, 0, 0};
  float t[2] = {0, 0};
  double n[3] = {0, 0, 1};
  double tan[3] = {7, 7, 7}, bi[3] = {7, 7, 7};
  for (int missing = 0; missing < 9; ++missing) {
    SCOPED_TRACE(missing);
    float* f[6] = {p, p, p, t, t, t};
    if (missing < 6) {
      f[missing] = nullptr;
    }
    EXPECT_FALSE(DcTangentSpace(f[0], f[1], f[2], f[3], f[4], f[5], missing == 6 ? nullptr : n,
                                missing == 7 ? nullptr : tan, missing == 8 ? nullptr : bi));
    EXPECT_EQ(tan[0], 7.0);
    EXPECT_EQ(bi[2], 7.0);
  }
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
  EXPECT_EQ(tan[1], 0.0);
  EXPECT_EQ(bi[2], 1.0);
  EXPECT_EQ(bi[1], 0.0);
  EXPECT_EQ(norm[1], static_cast<double>(0.6f));
  EXPECT_EQ(norm[2], static_cast<double>(0.8f));

  // A single non-zero u makes it mapped, and the corner's own normal projects.
  tri.texCoord[1].u = 1;
  tri.texCoord[2] = {{0, 1}};
  tri.texCoord[0] = {{0, 0}};
  ComputeTangentVectorsD(&tri, 2, tan, norm, bi);
  EXPECT_NEAR(tan[0], 1.0, 1e-15);
  EXPECT_NEAR(bi[1], 0.8, 1e-7);  // the float normal is not exactly (0, 0.6, 0.8)
}

TEST(NormalizeD, UnitLengthOrTheFallback) {
  double v[3] = {3, 0, 4};
  NormalizeD(v);
  EXPECT_EQ(v[0], 0.6);
  EXPECT_EQ(v[1], 0.0);
  EXPECT_EQ(v[2], 0.8);

  double zero[3] = {0, 0, 0};
  NormalizeD(zero);
  EXPECT_EQ(zero[0], 1.0);

  double tiny[3] = {0, 9e-8, 0};
  NormalizeD(tiny);
  EXPECT_EQ(tiny[0], 1.0);
  EXPECT_EQ(tiny[1], 0.0);

  // Divides by the length, where DcTangentSpace multiplies by its reciprocal.
  double d[3] = {1.0f / 7.0f, 3, 0};
  NormalizeD(d);
  EXPECT_EQ(d[0], 0.04756515153696659);
}

TEST(DotProduct3D, SumsLeftToRight) {
  double a[3] = {1e16, -1e16, 1};
  double b[3] = {1, 1, 1};
  EXPECT_EQ(DotProduct3D(a, b), 1.0);  // (1e16 - 1e16) + 1, not 1e16 + (-1e16 + 1)
  double c[3] = {1, 1e16, -1e16};
  EXPECT_EQ(DotProduct3D(c, b), 0.0);  // (1 + 1e16) - 1e16 loses the 1
}
