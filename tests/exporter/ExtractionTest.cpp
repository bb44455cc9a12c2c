// What an export writes: triangles in polygon order with world-space positions and
// normals and their texture coordinates, per set and per selection.
#include <cmath>

#include "ExportFixture.h"
#include "Scenes.h"

using Translator = MPxFileTranslator;

namespace {

void ExpectCorner(const RlRawTriangle& tri, int i, const float (&p)[3], const float (&n)[3], float u, float v) {
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(tri.vert[i].v[k], p[k], 1e-6) << "position " << k;
    EXPECT_NEAR(tri.norm[i].v[k], n[k], 1e-6) << "normal " << k;
  }
  EXPECT_EQ(tri.texCoord[i].u, u);
  EXPECT_EQ(tri.texCoord[i].v, v);
}

// The mesh's point of a vertex id, as exported (object space equals world space here).
void ExpectAt(const RlRawTriangle& tri, int i, const host::MeshDesc& mesh, int vertex) {
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(tri.vert[i].v[k], mesh.points[3 * static_cast<std::size_t>(vertex) + static_cast<std::size_t>(k)]);
  }
}

}  // namespace

TEST_F(ExportTest, CubeInOneSetIsTwelveTrianglesInPolygonOrder) {
  const host::MeshDesc cube = CubeMesh();
  scene().AssignObject(scene().AddShadingSet("sg"), scene().AddMesh("cube", host::kWorld, cube));
  const ExportResult r = Export();
  ASSERT_TRUE(r.status) << r.out << r.err;
  EXPECT_EQ(r.out + r.err, "");
  ASSERT_EQ(r.count, 12);
  // Quad f makes triangles 2f and 2f + 1 from its own corners, with its normal and uvs.
  for (int f = 0; f < 6; ++f) {
    for (int t = 2 * f; t < 2 * f + 2; ++t) {
      for (int i = 0; i < 3; ++i) {
        int corner = -1;
        for (int c = 0; c < 4; ++c) {
          if (r.tris[t].vert[i].x == cube.points[3 * cube.faceVerts[4 * f + c]] &&
              r.tris[t].vert[i].y == cube.points[3 * cube.faceVerts[4 * f + c] + 1] &&
              r.tris[t].vert[i].z == cube.points[3 * cube.faceVerts[4 * f + c] + 2]) {
            corner = c;
          }
        }
        ASSERT_GE(corner, 0) << "triangle " << t << " corner " << i << " is not on quad " << f;
        EXPECT_EQ(r.tris[t].norm[i].v[f / 2 == 0 ? 2 : f / 2 == 1 ? 1 : 0], f % 2 == 0 ? -1.0f : 1.0f);
        EXPECT_EQ(r.tris[t].texCoord[i].u, cube.u[static_cast<std::size_t>(4 * f + corner)]);
      }
    }
  }
  // The first quad (0, 3, 2, 1) by ear clipping: (1, 0, 3) and (3, 2, 1), its winding kept.
  ExpectAt(r.tris[0], 0, cube, 1);
  ExpectAt(r.tris[0], 1, cube, 0);
  ExpectAt(r.tris[0], 2, cube, 3);
}

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

TEST_F(ExportTest, ConcaveAndLargePolygons) {
  const int set = scene().AddShadingSet("sg");
  // An L: six corners, one of them reflex.
  scene().AssignObject(set, scene().AddMesh("L", host::kWorld, PolygonMesh({0, 0, 2, 0, 2, 1, 1, 1, 1, 2, 0, 2})));
  scene().AssignObject(set, scene().AddMesh("n1024", host::kWorld, CircleMesh(1024)));
  scene().AssignObject(set, scene().AddMesh("n1025", host::kWorld, CircleMesh(1025)));
  const ExportResult r = Export();
  ASSERT_TRUE(r.status);
  EXPECT_EQ(r.err, "** Too many vertices on this face 1025\n");
  ASSERT_EQ(r.count, 4 + 1022);
  // The L's triangles cover its area (3) and none lies in the notch.
  double area = 0;
  for (int t = 0; t < 4; ++t) {
    const RlRawPoint* p = r.tris[t].vert;
    const double signedArea = ((p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x)) / 2;
    EXPECT_GT(signedArea, 0) << "winding of triangle " << t;
    area += signedArea;
    EXPECT_FALSE((p[0].x + p[1].x + p[2].x) / 3 > 1 && (p[0].y + p[1].y + p[2].y) / 3 > 1);
  }
  EXPECT_NEAR(area, 3.0, 1e-6);
}

TEST_F(ExportTest, APolygonThroughOneVertexTwiceTakesTheFirstVisit) {
  // Two triangles pinched at vertex 0: 0 1 2 0 3 4, the visits of 0 with their own
  // normals and uvs.
  host::MeshDesc m;
  m.points = {0, 0, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0, -1, -1, 0};
  m.faceCounts = {6};
  m.faceVerts = {0, 1, 2, 0, 3, 4};
  m.normals = {0, 0, 1, 0, 1, 0};
  m.faceNormalIds = {0, 0, 0, 1, 0, 0};
  m.u = {0.1f, 0.2f, 0.3f, 0.9f, 0.4f, 0.5f};
  m.v = {0, 0, 0, 0, 0, 0};
  m.faceUVIds = {0, 1, 2, 3, 4, 5};
  scene().AssignObject(scene().AddShadingSet("sg"), scene().AddMesh("pinched", host::kWorld, m));
  const ExportResult r = Export();
  ASSERT_EQ(r.count, 4);
  int atZero = 0;
  for (const RlRawTriangle& tri : r.tris) {
    for (int i = 0; i < 3; ++i) {
      if (tri.vert[i].x == 0 && tri.vert[i].y == 0) {
        ++atZero;
        EXPECT_EQ(tri.norm[i].z, 1.0f);
        EXPECT_EQ(tri.texCoord[i].u, 0.1f);
      }
    }
  }
  EXPECT_GE(atZero, 2);
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

TEST_F(ExportTest, SelectionExportsSelectedNodesAndWhatLiesBelow) {
  const int set = scene().AddShadingSet("sg");
  const host::NodeId group = scene().AddTransform("group");
  const host::NodeId left = scene().AddTransform("left", group, host::Matrix::Trs({-5, 0, 0}, {0, 0, 0}, {1, 1, 1}));
  const host::NodeId right = scene().AddTransform("right", group, host::Matrix::Trs({5, 0, 0}, {0, 0, 0}, {1, 1, 1}));
  const host::NodeId leftShape = scene().AddMesh("leftShape", left, GridMesh(1, 1));
  const host::NodeId rightShape = scene().AddMesh("rightShape", right, GridMesh(1, 1));
  scene().AssignObject(set, leftShape);
  scene().AssignObject(set, rightShape);
  scene().AddMesh("outside", host::kWorld, GridMesh(1, 1));

  const auto exportSelection = [&](host::NodeId node) {
    scene().ClearSelection();
    scene().Select(node);
    return Export(Translator::kExportActiveAccessMode);
  };
  EXPECT_EQ(exportSelection(group).count, 4);
  const ExportResult onlyRight = exportSelection(right);
  ASSERT_EQ(onlyRight.count, 2);
  EXPECT_GE(onlyRight.tris[0].vert[0].x, 5.0f);
  const ExportResult shape = exportSelection(leftShape);
  ASSERT_EQ(shape.count, 2);
  EXPECT_LE(shape.tris[0].vert[0].x, -4.0f);
}
