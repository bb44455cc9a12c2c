// The host stand-in's answers that the exporter relies on: triangulation, the DAG walk,
// paths, the mesh test, world space and the failures the host reports.
#include <gtest/gtest.h>
#include <maya/MDagPath.h>
#include <maya/MFloatPointArray.h>
#include <maya/MFloatVectorArray.h>
#include <maya/MFnMesh.h>
#include <maya/MIntArray.h>
#include <maya/MItDag.h>
#include <maya/MItMeshPolygon.h>
#include <maya/MObjectArray.h>
#include <maya/MPointArray.h>

#include <stdexcept>

#include "Scenes.h"
#include "Triangulate.h"
#include "host/Scene.h"

namespace {

std::vector<double> Corners(const std::vector<double>& xy) {
  std::vector<double> corners;
  for (std::size_t i = 0; i + 1 < xy.size(); i += 2) {
    corners.insert(corners.end(), {xy[i], xy[i + 1], 0.0});
  }
  return corners;
}

double TotalArea(const std::vector<double>& corners, const std::vector<int>& tris) {
  double area = 0;
  for (std::size_t t = 0; t < tris.size(); t += 3) {
    const double* a = &corners[3 * static_cast<std::size_t>(tris[t])];
    const double* b = &corners[3 * static_cast<std::size_t>(tris[t + 1])];
    const double* c = &corners[3 * static_cast<std::size_t>(tris[t + 2])];
    area += ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) / 2;
  }
  return area;
}

class SceneModel : public testing::Test {
 protected:
  void SetUp() override { host::Scene::Active().Reset(); }
  host::Scene& scene() { return host::Scene::Active(); }
};

// The triangles of a polygon, into a vector that held something before.
std::vector<int> Triangulated(const std::vector<double>& corners) {
  std::vector<int> tris = {7, 7, 7};
  host::Triangulate(corners, &tris);
  return tris;
}

}  // namespace

TEST(Triangulate, SimplePolygonsGiveNMinusTwoTrianglesCoveringTheirArea) {
  struct Case {
    const char* name;
    std::vector<double> xy;
    double area;
  };
  const Case cases[] = {
      {"square", {0, 0, 1, 0, 1, 1, 0, 1}, 1},
      {"L with a corner on the diagonal", {0, 0, 2, 0, 2, 1, 1, 1, 1, 2, 0, 2}, 3},
      {"comb", {0, 0, 5, 0, 5, 3, 4, 1, 3, 3, 2, 1, 1, 3, 0, 1}, 10},
      {"clockwise square", {0, 0, 0, 1, 1, 1, 1, 0}, -1},
      {"collinear corners", {0, 0, 1, 0, 2, 0, 2, 2, 0, 2}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> corners = Corners(c.xy);
    const std::vector<int> tris = Triangulated(corners);
    ASSERT_EQ(tris.size(), 3 * (corners.size() / 3 - 2));
    EXPECT_NEAR(TotalArea(corners, tris), c.area, 1e-12);  // no overlap, winding kept
  }
}

// Nothing is lost: polygons without area, crossing themselves or revisiting their
// corners still give n - 2 triangles, as a fan.
TEST(Triangulate, DegeneratePolygonsGiveAFan) {
  const std::vector<int> fan4 = {0, 1, 2, 0, 2, 3};
  EXPECT_EQ(Triangulated(Corners({0, 0, 1, 0, 2, 0})), (std::vector<int>{0, 1, 2}));  // a line
  EXPECT_EQ(Triangulated({0, 0, 0, 0, 0, 0, 0, 0, 0}), (std::vector<int>{0, 1, 2}));  // one point
  EXPECT_EQ(Triangulated(Corners({0, 0, 1, 1, 1, 0, 0, 1})), fan4);                   // a bow tie
  // A square whose eight corners go round it twice.
  const std::vector<int> twice = Triangulated(Corners({0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1}));
  EXPECT_EQ(twice.size(), 3u * 6);
}

TEST_F(SceneModel, WalksDepthFirstFromTheWorldInCreationOrder) {
  const host::NodeId a = scene().AddTransform("a");
  const host::NodeId b = scene().AddTransform("b");
  const host::NodeId a1 = scene().AddMesh("a1", a, CubeMesh());
  const host::NodeId b1 = scene().AddTransform("b1", b);
  scene().AddParent(a1, b1);  // an instance
  std::vector<std::vector<int>> walk;
  for (MItDag it(MItDag::kDepthFirst, MFn::kInvalid); !it.isDone(); it.next()) {
    MDagPath path;
    ASSERT_TRUE(it.getPath(path));
    walk.push_back(path.nodes());
  }
  const std::vector<std::vector<int>> expected = {{}, {a}, {a, a1}, {b}, {b, b1}, {b, b1, a1}};
  EXPECT_EQ(walk, expected);

  MDagPath instance(std::vector<int>{b, b1, a1});
  EXPECT_EQ(instance.instanceNumber(), 1u);
  EXPECT_EQ(instance.length(), 3u);
  EXPECT_TRUE(instance.pop(2));
  EXPECT_EQ(instance, MDagPath(std::vector<int>{b}));
  EXPECT_EQ(instance.pop(2), MStatus::kInvalidParameter);
}

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

TEST_F(SceneModel, RejectsInconsistentMeshes) {
  host::MeshDesc bad = CubeMesh();
  bad.faceVerts[5] = 8;
  EXPECT_THROW(scene().AddMesh("bad", host::kWorld, bad), std::invalid_argument);
  bad = CubeMesh();
  bad.faceNormalIds.pop_back();
  EXPECT_THROW(scene().AddMesh("bad", host::kWorld, bad), std::invalid_argument);
  const host::NodeId shape = scene().AddMesh("ok", host::kWorld, CubeMesh());
  EXPECT_THROW(scene().AddTransform("under a mesh", shape), std::invalid_argument);
  EXPECT_THROW(scene().AssignFaces(scene().AddShadingSet("sg"), shape, {6}), std::invalid_argument);
}
