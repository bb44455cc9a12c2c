// The host stand-in: its triangulation of a polygon, n - 2 triangles whatever the polygon,
// and the answers of the real host that the exports alone would not hold it to.
#include <gtest/gtest.h>
#include <maya/MDagPath.h>
#include <maya/MFloatPointArray.h>
#include <maya/MFloatVectorArray.h>
#include <maya/MFnMesh.h>
#include <maya/MItMeshPolygon.h>
#include <maya/MObjectArray.h>

#include <vector>

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
