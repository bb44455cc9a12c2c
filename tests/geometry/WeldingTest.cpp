// Welding: per-corner tangent frames and indexed vertex buffers over seeded troubled
// meshes (seams, mirrors, degenerate mappings, repeated corners, near-tolerance offsets;
// odd counts put records at unaligned addresses), the single-precision frames, and the
// refusals. The last bits are pinned by the golden results.
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

// Every corner lies within tolerance of its vertex and carries its vertex's frame, which
// is the corner's frame (rounded to float by RlComputeTangents); vertices are numbered in
// the order their first corners come, count their corners, and hold unit directions (or
// the (1, 0, 0) fallback).
TEST(Welding, VertexBuffersAgreeWithThePerCornerFrames) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    const int numTris = 37 * static_cast<int>(seed) + 1;
    std::vector<RlRawTriangle> tris = TroubleMesh(numTris, seed);
    int numVerts = 0;
    RlTangentPointD* rawVerts = nullptr;
    RlIndex* rawIndices = nullptr;
    RlRawTangentSpaceD* rawD = nullptr;
    RlRawTangentSpace* raw = nullptr;
    ASSERT_TRUE(RlCreateVertexBuffers(numTris, tris.data(), &numVerts, &rawVerts, &rawIndices));
    ASSERT_TRUE(RlComputeTangentsD(numTris, tris.data(), &rawD) && RlComputeTangents(numTris, tris.data(), &raw));
    const std::unique_ptr<RlTangentPointD[]> verts(rawVerts);
    const std::unique_ptr<RlIndex[]> indices(rawIndices);
    const std::unique_ptr<RlRawTangentSpaceD[]> tanD(rawD);
    const std::unique_ptr<RlRawTangentSpace[]> tan(raw);
    ASSERT_GE(numVerts, 1);
    std::vector<int> named(static_cast<std::size_t>(numVerts), 0);
    int firstUnseen = 0;
    for (int t = 0; t < numTris; ++t) {
      for (int j = 0; j < 3; ++j) {
        const int index = indices[t].idx[j];
        ASSERT_TRUE(index >= 0 && index <= firstUnseen);
        firstUnseen += index == firstUnseen;
        ++named[static_cast<std::size_t>(index)];
        const RlTangentPointD v = verts[index];  // a packed record: its fields are read by value
        for (int k = 0; k < 3; ++k) {
          EXPECT_LE(std::fabs(v.vertex[k] - tris[t].vert[j].v[k]), 1e-07);
          EXPECT_LE(std::fabs(v.normal[k] - tris[t].norm[j].v[k]), 1e-07);
          const double tangent = tanD[t].tangent[j].v[k], binormal = tanD[t].binormal[j].v[k];
          const double vertexTangent = v.tangent[k], vertexBinormal = v.binormal[k];  // (gtest takes references)
          EXPECT_EQ(tangent, vertexTangent);
          EXPECT_EQ(binormal, vertexBinormal);
          EXPECT_EQ(tan[t].tangent[j].v[k], static_cast<float>(tangent));
          EXPECT_EQ(tan[t].binormal[j].v[k], static_cast<float>(binormal));
        }
      }
    }
    EXPECT_EQ(firstUnseen, numVerts);
    for (int k = 0; k < numVerts; ++k) {
      const RlTangentPointD v = verts[k];
      const int count = v.count;
      EXPECT_EQ(count, named[static_cast<std::size_t>(k)]) << "vertex " << k;
      for (const bool tangent : {true, false}) {
        double d[3];
        for (int c = 0; c < 3; ++c) d[c] = tangent ? v.tangent[c] : v.binormal[c];
        EXPECT_TRUE((d[0] == 1 && d[1] == 0 && d[2] == 0) ||
                    std::fabs(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) - 1) < 1e-12)
            << "vertex " << k;
      }
    }
  }
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
