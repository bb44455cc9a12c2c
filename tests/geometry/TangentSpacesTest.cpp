// Smoothed per-corner tangent frames: the worked examples, and the single-precision
// front end against the double-precision one.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "Meshes.h"
#include "RlTangentSpace.h"

namespace {

std::unique_ptr<RlRawTangentSpaceD[]> Frames(std::vector<RlRawTriangle> tris) {
  RlRawTangentSpaceD* tan = nullptr;
  EXPECT_TRUE(RlComputeTangentsD(static_cast<int>(tris.size()), tris.data(), &tan));
  return std::unique_ptr<RlRawTangentSpaceD[]>(tan);
}

void ExpectPoint(const RlRawPointD& p, double x, double y, double z, double tolerance = 1e-15) {
  EXPECT_NEAR(p.x, x, tolerance);
  EXPECT_NEAR(p.y, y, tolerance);
  EXPECT_NEAR(p.z, z, tolerance);
}

const RlRawTriangle kQuadA = UnitQuad()[0];
const RlRawTriangle kQuadB = UnitQuad()[1];

}  // namespace

// Each function refuses counts it cannot weld (or whose arrays would overflow) and null
// arrays, writing nothing.
TEST(RlComputeTangentsD, TheWeldingFunctionsRefuseBadInputWritingNothing) {
  RlRawTriangle tri = kQuadA;
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
  EXPECT_FALSE(RlComputeTangentsD(1, nullptr, &tanD));
  EXPECT_FALSE(RlComputeTangentsD(1, &tri, nullptr));
  EXPECT_FALSE(RlComputeTangents(1, nullptr, &tan));
  EXPECT_FALSE(RlComputeTangents(1, &tri, nullptr));
  EXPECT_FALSE(RlCreateVertexBuffers(1, nullptr, &numVerts, &verts, &indices));
  EXPECT_FALSE(RlCreateVertexBuffers(1, &tri, nullptr, &verts, &indices));
  EXPECT_FALSE(RlCreateVertexBuffers(1, &tri, &numVerts, nullptr, &indices));
  EXPECT_FALSE(RlCreateVertexBuffers(1, &tri, &numVerts, &verts, nullptr));
  EXPECT_EQ(numVerts, -7);
  EXPECT_EQ(tanD, reinterpret_cast<RlRawTangentSpaceD*>(64));
  EXPECT_EQ(tan, reinterpret_cast<RlRawTangentSpace*>(64));
  EXPECT_EQ(verts, reinterpret_cast<RlTangentPointD*>(64));
  EXPECT_EQ(indices, reinterpret_cast<RlIndex*>(64));
}

TEST(RlComputeTangentsD, QuadSeamAndMirror) {
  // Welded quad, seam (second triangle's u shifted) and mirror (its u negated): the
  // frames of the first two are the same everywhere.
  for (const RlRawTriangle& second :
       {kQuadB, FlatTriangle({{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{1, 0}, {2, 1}, {1, 1}})}) {
    auto tan = Frames({kQuadA, second});
    for (int t = 0; t < 2; ++t) {
      for (int j = 0; j < 3; ++j) {
        ExpectPoint(tan[t].tangent[j], 1, 0, 0);
        ExpectPoint(tan[t].binormal[j], 0, 1, 0);
      }
    }
  }
  auto mirrored = Frames({kQuadA, FlatTriangle({{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 0}, {-1, 1}, {0, 1}})});
  for (int j = 0; j < 3; ++j) {
    ExpectPoint(mirrored[0].tangent[j], 1, 0, 0);
    ExpectPoint(mirrored[1].tangent[j], -1, 0, 0);
    ExpectPoint(mirrored[1].binormal[j], 0, 1, 0);
  }
}

TEST(RlComputeTangentsD, SharedCornerTakesTheBisectorWithinTheAngle) {
  // Cosines and sines as literals: some emulated hosts' libm cannot run here.
  constexpr double kCos30 = 0.86602540378443865, kCos80 = 0.17364817766693035;
  constexpr double kSin80 = 0.98480775301220806;
  const RlRawTriangle base = FlatTriangle({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}});
  auto turned = [&](double c, double s) {
    const float fc = static_cast<float>(c), fs = static_cast<float>(s);
    return FlatTriangle({{0, 0, 0}, {fc, fs, 0}, {-fs, fc, 0}}, {{0, 0}, {1, 0}, {0, 1}});
  };

  auto tan = Frames({base, turned(0.5, kCos30)});  // 60 degrees: cosine 0.5, merged
  ExpectPoint(tan[0].tangent[0], kCos30, 0.5, 0, 1e-7);
  ExpectPoint(tan[1].tangent[0], kCos30, 0.5, 0, 1e-7);
  ExpectPoint(tan[0].binormal[0], -0.5, kCos30, 0, 1e-7);
  ExpectPoint(tan[1].binormal[0], -0.5, kCos30, 0, 1e-7);
  ExpectPoint(tan[0].tangent[1], 1, 0, 0);  // the other corners keep their own frames
  ExpectPoint(tan[1].tangent[1], 0.5, kCos30, 0, 1e-7);

  auto apart = Frames({base, turned(kCos80, kSin80)});  // cosine about 0.17: no merge
  ExpectPoint(apart[0].tangent[0], 1, 0, 0);
  ExpectPoint(apart[1].tangent[0], kCos80, kSin80, 0, 1e-7);
}

TEST(RlComputeTangentsD, ZeroUTrianglesKeepTheDefaultFrame) {
  auto tan = Frames({FlatTriangle({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0.2f}, {0, 0.7f}, {0, 0.1f}})});
  for (int j = 0; j < 3; ++j) {
    ExpectPoint(tan[0].tangent[j], 1, 0, 0);
    ExpectPoint(tan[0].binormal[j], 0, 0, 1);
  }
}

TEST(RlComputeTangents, IsTheDoubleResultRoundedToFloat) {
  std::vector<RlRawTriangle> tris = TroubleMesh(500, 21);
  auto tanD = Frames(tris);
  RlRawTangentSpace* raw = nullptr;
  ASSERT_TRUE(RlComputeTangents(500, tris.data(), &raw));
  std::unique_ptr<RlRawTangentSpace[]> tan(raw);
  for (int t = 0; t < 500; ++t) {
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < 3; ++k) {
        const float tangent = tan[t].tangent[j].v[k], binormal = tan[t].binormal[j].v[k];
        EXPECT_EQ(tangent, static_cast<float>(tanD[t].tangent[j].v[k]));
        EXPECT_EQ(binormal, static_cast<float>(tanD[t].binormal[j].v[k]));
      }
    }
  }
}
