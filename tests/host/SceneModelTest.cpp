// The host stand-in: the answers of the real host that the exports alone would not hold
// it to. (Its triangulation is held by the polygons session and the corpus.)
#include <gtest/gtest.h>
#include <maya/MDagPath.h>
#include <maya/MFloatPointArray.h>
#include <maya/MFloatVectorArray.h>
#include <maya/MFnMesh.h>
#include <maya/MItMeshPolygon.h>
#include <maya/MObjectArray.h>

#include <vector>

#include "Scenes.h"
#include "host/Scene.h"

// Where the host refuses what a plug-in might try: the stand-in refuses it too, so that
// the plug-in cannot come to rely on it here.
class SceneModel : public testing::Test {
 protected:
  void SetUp() override { host::Scene::Active().Reset(); }
  host::Scene& scene() { return host::Scene::Active(); }
};

TEST_F(SceneModel, TransformsAnswerTheMeshTestButHaveNoSets) {
  const host::NodeId t = scene().AddTransform("t");
  const host::NodeId shape = scene().AddMesh("shape", t, CubeMesh());
  scene().AssignObject(scene().AddShadingSet("sg"), shape);
  MDagPath transformPath(std::vector<int>{t});
  EXPECT_TRUE(transformPath.hasFn(MFn::kMesh));
  EXPECT_TRUE(transformPath.hasFn(MFn::kTransform));
  EXPECT_FALSE(MDagPath(std::vector<int>{t, shape}).hasFn(MFn::kTransform));
  EXPECT_FALSE(MDagPath().hasFn(MFn::kMesh));  // the world

  MObjectArray sets, comps;
  MStatus status;
  MFnMesh onTransform(transformPath.node(), &status);
  EXPECT_FALSE(status);
  onTransform.getConnectedSetsAndMembers(0, sets, comps, true);
  EXPECT_EQ(sets.length(), 0u);
  MFnMesh onShape(MDagPath(std::vector<int>{t, shape}).node(), &status);
  EXPECT_TRUE(status);
  onShape.getConnectedSetsAndMembers(0, sets, comps, true);
  ASSERT_EQ(sets.length(), 1u);
  EXPECT_TRUE(comps[0].isNull());  // the whole object
  onShape.getConnectedSetsAndMembers(1, sets, comps, true);
  EXPECT_EQ(sets.length(), 0u);  // another instance
}

TEST_F(SceneModel, WorldSpaceNeedsAPath) {
  const host::NodeId t = scene().AddTransform("t", host::kWorld, host::Matrix::Trs({1, 2, 3}, {90, 0, 0}, {1, 1, 3}));
  const host::NodeId shape = scene().AddMesh("shape", t, PolygonMesh({0, 0, 1, 0, 0, 1}));
  MFnMesh byObject(MDagPath(std::vector<int>{t, shape}).node());
  MFloatPointArray points;
  EXPECT_EQ(byObject.getPoints(points, MSpace::kWorld), MStatus::kInvalidParameter);
  EXPECT_TRUE(byObject.getPoints(points, MSpace::kObject));

  MFnMesh byPath(MDagPath(std::vector<int>{t, shape}));
  ASSERT_TRUE(byPath.getPoints(points, MSpace::kWorld));
  // (x, y, z) scales to (x, y, 3z), turns about x to (x, -3z, y), moves by (1, 2, 3).
  EXPECT_NEAR(points[1].x, 2, 1e-6);
  EXPECT_NEAR(points[2].y, 2, 1e-6);
  EXPECT_NEAR(points[2].z, 4, 1e-6);
  MFloatVectorArray normals;
  ASSERT_TRUE(byPath.getNormals(normals, MSpace::kWorld));
  EXPECT_NEAR(normals[0].y, -1, 1e-6);  // (0, 0, 1) turned about x, still unit length

  MItMeshPolygon polygon(MDagPath(std::vector<int>{t, shape}));
  int uv = 77;
  EXPECT_TRUE(polygon.getUVIndex(2, uv));
  EXPECT_EQ(uv, 2);
  EXPECT_EQ(polygon.getUVIndex(3, uv), MStatus::kInvalidParameter);
}
