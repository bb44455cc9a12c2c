// The built-in sample scene: every kind of thing the exporter handles, in one place.
#include <cmath>

#include "SceneFiles.h"
#include "SmoothNormals.h"
#include "host/Scene.h"

namespace {

// A torus of rings x sides quads with smooth normals and a texture seam: the last
// column and row repeat the first with u (or v) of 1.
host::MeshDesc Torus(int rings, int sides, float major, float minor) {
  host::MeshDesc m;
  for (int i = 0; i <= rings; ++i) {
    for (int j = 0; j <= sides; ++j) {
      double ca, sa, cb, sb;
      host::CosSinDegrees(360.0 * i / rings, &ca, &sa);
      host::CosSinDegrees(360.0 * j / sides, &cb, &sb);
      const double r = major + minor * cb;
      m.points.insert(m.points.end(),
                      {static_cast<float>(r * ca), static_cast<float>(minor * sb), static_cast<float>(r * sa)});
      m.normals.insert(m.normals.end(),
                       {static_cast<float>(cb * ca), static_cast<float>(sb), static_cast<float>(cb * sa)});
      m.u.push_back(static_cast<float>(i) / static_cast<float>(rings));
      m.v.push_back(static_cast<float>(j) / static_cast<float>(sides));
    }
  }
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < sides; ++j) {
      const int a = i * (sides + 1) + j;
      m.faceCounts.push_back(4);
      for (int id : {a, a + 1, a + sides + 2, a + sides + 1}) {
        m.faceVerts.push_back(id);
        m.faceNormalIds.push_back(id);
        m.faceUVIds.push_back(id);
      }
    }
  }
  return m;
}

// A cube from -1 to 1 with hard edges: each face its own normal and its own uvs.
host::MeshDesc Cube() {
  host::MeshDesc m;
  m.points = {-1, -1, -1, 1, -1, -1, 1, 1, -1, -1, 1, -1, -1, -1, 1, 1, -1, 1, 1, 1, 1, -1, 1, 1};
  const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {3, 7, 6, 2}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
  const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int f = 0; f < 6; ++f) {
    m.faceCounts.push_back(4);
    m.normals.insert(m.normals.end(), normals[f], normals[f] + 3);
    for (int c = 0; c < 4; ++c) {
      m.faceVerts.push_back(faces[f][c]);
      m.faceNormalIds.push_back(f);
      m.u.push_back(corners[c][0]);
      m.v.push_back(corners[c][1]);
      m.faceUVIds.push_back(4 * f + c);
    }
  }
  return m;
}

// A flat polygon in the x-z plane facing +y, mapped by its x and z.
host::MeshDesc Flat(const std::vector<float>& xz, bool uvs) {
  host::MeshDesc m;
  const int n = static_cast<int>(xz.size() / 2);
  m.faceCounts.push_back(n);
  m.normals = {0, 1, 0};
  for (int i = 0; i < n; ++i) {
    m.points.insert(m.points.end(),
                    {xz[2 * static_cast<std::size_t>(i)], 0.0f, xz[2 * static_cast<std::size_t>(i) + 1]});
    // Counter-clockwise seen from +y: walk the outline backwards.
    m.faceVerts.insert(m.faceVerts.begin(), i);
    m.faceNormalIds.push_back(0);
    if (uvs) {
      m.u.push_back(xz[2 * static_cast<std::size_t>(i)]);
      m.v.push_back(xz[2 * static_cast<std::size_t>(i) + 1]);
      m.faceUVIds.insert(m.faceUVIds.begin(), i);
    }
  }
  return m;
}

}  // namespace

// The sample's torus in high detail: 8 x 8 times the quads, its tube's radius raised and
// lowered in a pattern of bumps (12 around the ring by 8 around the tube) and a groove
// along the ring, with smooth normals of its own.
host::MeshDesc DetailedTorus(float major, float minor) {
  constexpr int kRings = 384, kSides = 192;
  host::MeshDesc m = Torus(kRings, kSides, major, minor);
  m.normals.clear();
  m.faceNormalIds.clear();
  for (int i = 0; i <= kRings; ++i) {
    for (int j = 0; j <= kSides; ++j) {
      double ca, sa, cb, sb, bumpI, bumpJ, unused;
      host::CosSinDegrees(360.0 * i / kRings, &ca, &sa);
      host::CosSinDegrees(360.0 * j / kSides, &cb, &sb);
      host::CosSinDegrees(360.0 * 12 * i / kRings, &unused, &bumpI);
      host::CosSinDegrees(360.0 * 8 * j / kSides, &unused, &bumpJ);
      const double groove = j > kSides / 2 - 4 && j < kSides / 2 + 4 ? -0.04 : 0.0;
      const double tube = minor * (1 + 0.06 * bumpI * bumpJ) + groove;
      const double r = major + tube * cb;
      float* p = &m.points[3 * static_cast<std::size_t>(i * (kSides + 1) + j)];
      p[0] = static_cast<float>(r * ca), p[1] = static_cast<float>(tube * sb), p[2] = static_cast<float>(r * sa);
    }
  }
  SmoothNormals(m);
  return m;
}

std::string LoadSampleScene(host::Scene& scene) {
  scene.Reset();
  const int metal = scene.AddShadingSet("metal");
  const int paint = scene.AddShadingSet("paint");
  const int rubber = scene.AddShadingSet("rubber");

  // A group turned and stretched unevenly, holding the torus and the cube.
  const host::NodeId group =
      scene.AddTransform("group", host::kWorld, host::Matrix::Trs({0, 1, 0}, {20, 35, 0}, {1.5, 1, 0.75}));
  const host::NodeId ring = scene.AddTransform("ring", group);
  scene.AssignObject(metal, scene.AddMesh("ringShape", ring, Torus(48, 24, 2.0f, 0.6f)));
  const host::NodeId box = scene.AddTransform("box", group, host::Matrix::Trs({0, 0, 0}, {0, 45, 0}, {0.8, 0.8, 0.8}));
  const host::NodeId boxShape = scene.AddMesh("boxShape", box, Cube());
  scene.AssignFaces(paint, boxShape, {0, 1, 2});
  scene.AssignFaces(rubber, boxShape, {3, 4, 5});

  // A concave floor plate and a roof without texture coordinates.
  const host::NodeId plate =
      scene.AddTransform("plate", host::kWorld, host::Matrix::Trs({0, -1.5, 0}, {0, 0, 0}, {1, 1, 1}));
  scene.AssignObject(
      rubber, scene.AddMesh("plateShape", plate, Flat({-4, -4, 4, -4, 4, 4, 1, 4, 1, -1, -1, -1, -1, 4, -4, 4}, true)));
  const host::NodeId roof =
      scene.AddTransform("roof", host::kWorld, host::Matrix::Trs({0, 4, 0}, {0, 0, 0}, {3, 1, 3}));
  scene.AssignObject(paint, scene.AddMesh("roofShape", roof, Flat({-1, -1, 1, -1, 1, 1, -1, 1}, false)));
  return "built-in sample: a turned, unevenly scaled group with a UV-mapped torus (seam) and a "
         "hard-edged cube in two sets, a concave plate, a roof without UVs";
}

std::string LoadSampleDetail(host::Scene& scene) {
  scene.Reset();
  const int metal = scene.AddShadingSet("metal");
  const host::NodeId group =
      scene.AddTransform("group", host::kWorld, host::Matrix::Trs({0, 1, 0}, {20, 35, 0}, {1.5, 1, 0.75}));
  const host::NodeId ring = scene.AddTransform("ring", group);
  scene.AssignObject(metal, scene.AddMesh("ringShape", ring, DetailedTorus(2.0f, 0.6f)));
  return "built-in sample's detail: its torus in high detail, bumped and grooved (the high mesh to bake the "
         "sample's torus from)";
}
