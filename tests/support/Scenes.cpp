#include "Scenes.h"

host::MeshDesc CubeMesh() {
  host::MeshDesc m;
  m.points = {-1, -1, -1, 1, -1, -1, 1, 1, -1, -1, 1, -1, -1, -1, 1, 1, -1, 1, 1, 1, 1, -1, 1, 1};
  // Faces wound counter-clockwise seen from outside: -z, +z, -y, +y, -x, +x.
  const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {3, 7, 6, 2}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
  for (int f = 0; f < 6; ++f) {
    m.faceCounts.push_back(4);
    m.normals.insert(m.normals.end(), normals[f], normals[f] + 3);
    for (int c = 0; c < 4; ++c) {
      m.faceVerts.push_back(faces[f][c]);
      m.faceNormalIds.push_back(f);
      m.u.push_back(static_cast<float>(c) / 4 + static_cast<float>(f));
      m.v.push_back(static_cast<float>(c) / 4);
      m.faceUVIds.push_back(4 * f + c);
    }
  }
  return m;
}

host::MeshDesc PolygonMesh(const std::vector<float>& xy) {
  host::MeshDesc m;
  const int n = static_cast<int>(xy.size() / 2);
  m.faceCounts.push_back(n);
  m.normals = {0, 0, 1};
  for (int i = 0; i < n; ++i) {
    m.points.insert(m.points.end(), {xy[2 * i], xy[2 * i + 1], 0.0f});
    m.faceVerts.push_back(i);
    m.faceNormalIds.push_back(0);
    m.u.push_back(xy[2 * i]);
    m.v.push_back(xy[2 * i + 1]);
    m.faceUVIds.push_back(i);
  }
  return m;
}

host::MeshDesc GridMesh(int rows, int columns) {
  host::MeshDesc m;
  m.normals = {0, 0, 1};
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= columns; ++c) {
      m.points.insert(m.points.end(), {static_cast<float>(c), static_cast<float>(r), 0.0f});
      m.u.push_back(static_cast<float>(c));
      m.v.push_back(static_cast<float>(r));
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const int a = r * (columns + 1) + c;
      m.faceCounts.push_back(4);
      for (int id : {a, a + 1, a + columns + 2, a + columns + 1}) {
        m.faceVerts.push_back(id);
        m.faceNormalIds.push_back(0);
        m.faceUVIds.push_back(id);
      }
    }
  }
  return m;
}
