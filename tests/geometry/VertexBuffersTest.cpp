// Indexed vertex buffers: the worked examples, and properties over seeded meshes that
// tie them to the per-corner frames.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "Meshes.h"
#include "RlTangentSpace.h"
#include "Vertex.h"

namespace {

struct Buffers {
  bool ok = false;
  int numVerts = -1;
  std::unique_ptr<RlTangentPointD[]> verts;
  std::unique_ptr<RlIndex[]> indices;
};

Buffers Create(std::vector<RlRawTriangle> tris) {
  Buffers b;
  RlTangentPointD* verts = nullptr;
  RlIndex* indices = nullptr;
  b.ok = RlCreateVertexBuffers(static_cast<int>(tris.size()), tris.data(), &b.numVerts, &verts, &indices);
  b.verts.reset(verts);
  b.indices.reset(indices);
  return b;
}

const RlRawTriangle kQuadA = UnitQuad()[0];
const RlRawTriangle kQuadB = UnitQuad()[1];

bool IsUnitOrFallback(const double (&v)[3]) {
  if (v[0] == 1.0 && v[1] == 0.0 && v[2] == 0.0) {
    return true;
  }
  return std::fabs(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) - 1.0) < 1e-12;
}

}  // namespace

TEST(RlCreateVertexBuffers, QuadWeldsIntoFourVertices) {
  Buffers b = Create({kQuadA, kQuadB});
  ASSERT_TRUE(b.ok);
  ASSERT_EQ(b.numVerts, 4);
  const int expected[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (int t = 0; t < 2; ++t) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(b.indices[t].idx[j], expected[t][j]);
    }
  }
  const float positions[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const int counts[4] = {2, 1, 2, 1};
  for (int k = 0; k < 4; ++k) {
    const Vertex v = Unpacked(b.verts[k]);
    EXPECT_EQ(v.vertex[0], positions[k][0]);
    EXPECT_EQ(v.vertex[1], positions[k][1]);
    EXPECT_EQ(v.count, counts[k]);
    EXPECT_NEAR(v.tangent[0], 1.0, 1e-15);
    EXPECT_NEAR(v.binormal[1], 1.0, 1e-15);
  }
}

TEST(RlCreateVertexBuffers, HardEdgesSeamsAndSharpTurnsStaySeparate) {
  RlRawTriangle hard = kQuadB;
  hard.norm[0] = {{0, 2e-7f, 1}};  // the shared corner's normal differs by more than 1e-07
  RlRawTriangle seam = kQuadB;
  seam.texCoord[0].u = 1.5e-7f;
  for (const RlRawTriangle& second : {hard, seam}) {
    Buffers b = Create({kQuadA, second});
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.numVerts, 5);  // only the diagonal's far corner (1, 1) welds
  }
}

// Over seeded meshes with seams, mirrors, degenerate mappings, repeated corners and
// near-tolerance offsets (odd triangle counts: many records at unaligned addresses).
TEST(RlCreateVertexBuffers, AgreesWithThePerCornerFramesOnTroubledMeshes) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    const int numTris = 37 * static_cast<int>(seed) + 1;
    std::vector<RlRawTriangle> tris = TroubleMesh(numTris, seed);
    Buffers b = Create(tris);
    ASSERT_TRUE(b.ok);
    ASSERT_GE(b.numVerts, 1);
    ASSERT_LE(b.numVerts, 3 * numTris);

    RlRawTangentSpaceD* raw = nullptr;
    ASSERT_TRUE(RlComputeTangentsD(numTris, tris.data(), &raw));
    std::unique_ptr<RlRawTangentSpaceD[]> tan(raw);

    std::vector<int> named(static_cast<std::size_t>(b.numVerts), 0);
    int firstUnseen = 0;  // vertices are numbered in the order their first corners come
    for (int t = 0; t < numTris; ++t) {
      for (int j = 0; j < 3; ++j) {
        const int index = b.indices[t].idx[j];
        ASSERT_GE(index, 0);
        ASSERT_LE(index, firstUnseen);
        firstUnseen += index == firstUnseen;
        ++named[static_cast<std::size_t>(index)];
        const Vertex v = Unpacked(b.verts[index]);
        for (int k = 0; k < 3; ++k) {
          // Every corner lies within tolerance of its vertex, and carries its frame.
          EXPECT_LE(std::fabs(v.vertex[k] - tris[t].vert[j].v[k]), 1e-07);
          EXPECT_LE(std::fabs(v.normal[k] - tris[t].norm[j].v[k]), 1e-07);
          const double tangent = tan[t].tangent[j].v[k], binormal = tan[t].binormal[j].v[k];
          EXPECT_EQ(tangent, v.tangent[k]);
          EXPECT_EQ(binormal, v.binormal[k]);
        }
      }
    }
    EXPECT_EQ(firstUnseen, b.numVerts);
    for (int k = 0; k < b.numVerts; ++k) {
      const Vertex v = Unpacked(b.verts[k]);
      EXPECT_EQ(v.count, named[static_cast<std::size_t>(k)]) << "vertex " << k;
      EXPECT_TRUE(IsUnitOrFallback(v.tangent)) << "vertex " << k;
      EXPECT_TRUE(IsUnitOrFallback(v.binormal)) << "vertex " << k;
    }
  }
}
