// What an export writes: the faces of renderable sets only, set by set. (World space under
// a stretched, turned hierarchy: the export session.)
#include <algorithm>

#include "ExportFixture.h"
#include "Scenes.h"

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
