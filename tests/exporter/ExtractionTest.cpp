// What an export writes: world-space positions and normals under a stretched, turned
// hierarchy, and the faces of renderable sets only, set by set.
#include <cmath>

#include "ExportFixture.h"
#include "Scenes.h"

namespace {

void ExpectCorner(const RlRawTriangle& tri, int i, const float (&p)[3], const float (&n)[3], float u, float v) {
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(tri.vert[i].v[k], p[k], 1e-6) << "position " << k;
    EXPECT_NEAR(tri.norm[i].v[k], n[k], 1e-6) << "normal " << k;
  }
  EXPECT_EQ(tri.texCoord[i].u, u);
  EXPECT_EQ(tri.texCoord[i].v, v);
}

}  // namespace

TEST_F(ExportTest, PositionsAndNormalsAreInWorldSpace) {
  // A group turned 90 degrees about z and moved, holding a child stretched 2x along x.
  const host::NodeId group =
      scene().AddTransform("group", host::kWorld, host::Matrix::Trs({10, 0, 0}, {0, 0, 90}, {1, 1, 1}));
  const host::NodeId child = scene().AddTransform("child", group, host::Matrix::Trs({0, 0, 0}, {0, 0, 0}, {2, 1, 1}));
  host::MeshDesc slanted = PolygonMesh({0, 0, 1, 0, 0, 1});
  slanted.normals = {0.6f, 0, 0.8f};  // not perpendicular to the stretch
  scene().AssignObject(scene().AddShadingSet("sg"), scene().AddMesh("tri", child, slanted));
  const ExportResult r = Export();
  ASSERT_EQ(r.count, 1);
  // Object (x, y, z) goes to (10 - y, 2x, z); normals by the inverse transpose: the
  // stretch halves x, the turn moves it to y.
  ExpectCorner(r.tris[0], 0, {10, 0, 0}, {0, 0.3f / std::sqrt(0.09f + 0.64f), 0.8f / std::sqrt(0.09f + 0.64f)}, 0, 0);
  ExpectCorner(r.tris[0], 1, {10, 2, 0}, {0, 0.3f / std::sqrt(0.09f + 0.64f), 0.8f / std::sqrt(0.09f + 0.64f)}, 1, 0);
  ExpectCorner(r.tris[0], 2, {9, 0, 0}, {0, 0.3f / std::sqrt(0.09f + 0.64f), 0.8f / std::sqrt(0.09f + 0.64f)}, 0, 1);
}

TEST_F(ExportTest, OnlyRenderableSetsAndTheirFacesInSetOrder) {
  const host::MeshDesc grid = GridMesh(1, 3);  // faces 0, 1, 2 along x
  const host::NodeId a = scene().AddMesh("a", host::kWorld, grid);
  const host::NodeId b = scene().AddMesh("b", host::kWorld, grid);
  scene().AssignObject(scene().AddShadingSet("not rendered", false), b);
  const int first = scene().AddShadingSet("first");
  const int second = scene().AddShadingSet("second");
  scene().AssignFaces(second, a, {0});
  scene().AssignFaces(first, a, {2, 1});
  const ExportResult r = Export();
  ASSERT_EQ(r.count, 6);                            // nothing of b
  const float expectedLeft[] = {2, 2, 1, 1, 0, 0};  // set "first" faces 2, 1, then face 0
  for (int t = 0; t < 6; ++t) {
    EXPECT_EQ(std::min({r.tris[t].vert[0].x, r.tris[t].vert[1].x, r.tris[t].vert[2].x}), expectedLeft[t]);
  }
}
