// Welding's refusals and its test of an unmapped triangle. What a weld makes of troubled
// meshes is held by the weld harness's oracles over its seeds, and its last bits by the
// golden results.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "Meshes.h"
#include "RlTangentSpace.h"

// Each function refuses counts it cannot weld (or whose arrays would overflow) and null
// arrays, writing nothing; so does the basis of one triangle, given a null pointer.
TEST(Welding, RefusesBadInputWritingNothing) {
  RlRawTriangle tri = UnitQuad()[0];
  int numVerts = -7;
  RlRawTangentSpaceD* tanD = reinterpret_cast<RlRawTangentSpaceD*>(64);
  RlRawTangentSpace* tan = reinterpret_cast<RlRawTangentSpace*>(64);
  RlTangentPointD* verts = reinterpret_cast<RlTangentPointD*>(64);
  RlIndex* indices = reinterpret_cast<RlIndex*>(64);
  for (int numTris : {0, -1, INT_MIN, INT_MAX / 3 + 1, INT_MAX}) {
    SCOPED_TRACE(numTris);
    EXPECT_FALSE(RlComputeTangentsD(numTris, &tri, &tanD));
    EXPECT_FALSE(RlComputeTangents(numTris, &tri, &tan));
    EXPECT_FALSE(RlCreateVertexBuffers(numTris, &tri, &numVerts, &verts, &indices));
  }
  EXPECT_FALSE(RlComputeTangentsD(1, nullptr, &tanD) || RlComputeTangentsD(1, &tri, nullptr));
  EXPECT_FALSE(RlComputeTangents(1, nullptr, &tan) || RlComputeTangents(1, &tri, nullptr));
  EXPECT_FALSE(RlCreateVertexBuffers(1, nullptr, &numVerts, &verts, &indices) ||
               RlCreateVertexBuffers(1, &tri, nullptr, &verts, &indices) ||
               RlCreateVertexBuffers(1, &tri, &numVerts, nullptr, &indices) ||
               RlCreateVertexBuffers(1, &tri, &numVerts, &verts, nullptr));
  EXPECT_EQ(numVerts, -7);
  EXPECT_EQ(tanD, reinterpret_cast<RlRawTangentSpaceD*>(64));
  EXPECT_EQ(tan, reinterpret_cast<RlRawTangentSpace*>(64));
  EXPECT_EQ(verts, reinterpret_cast<RlTangentPointD*>(64));
  EXPECT_EQ(indices, reinterpret_cast<RlIndex*>(64));
  float p[3] = {0, 0, 0}, t[2] = {0, 0};
  double n[3] = {0, 0, 1}, basis[3] = {7, 7, 7};
  EXPECT_FALSE(DcTangentSpace(p, p, nullptr, t, t, t, n, basis, basis));
  EXPECT_EQ(basis[0], 7.0);
}

// A triangle is unmapped only when all three of its u are zero (v plays no part): mapped
// by u = y and v = x + y / 2, its tangent (where u grows along constant v) is (-1, 2) over
// the square root of 5, 1e-5 across as much as 1 across; with every u zero, the fallback
// (1, 0, 0).
TEST(Welding, OnlyAllZeroUMeansUnmappedAtAnyScale) {
  for (const auto& [size, mapped] : {std::pair{1.0f, true}, {1e-5f, true}, {1.0f, false}}) {
    const float u = mapped ? size : 0;
    RlRawTriangle tri = FlatTriangle({{0, 0, 0}, {size, 0, 0}, {0, size, 0}}, {{0, 0}, {0, size}, {u, size / 2}});
    RlRawTangentSpaceD* raw = nullptr;
    ASSERT_TRUE(RlComputeTangentsD(1, &tri, &raw));
    const std::unique_ptr<RlRawTangentSpaceD[]> tan(raw);
    const double x = tan[0].tangent[0].v[0], y = tan[0].tangent[0].v[1];
    EXPECT_NEAR(x, mapped ? -1 / std::sqrt(5.0) : 1, 1e-9) << size;
    EXPECT_NEAR(y, mapped ? 2 / std::sqrt(5.0) : 0, 1e-9) << size;
  }
}
