// Meshes for the host stand-in's scene, for the exporter and host tests.
#ifndef TESTS_SUPPORT_SCENES_H
#define TESTS_SUPPORT_SCENES_H

#include <vector>

#include "host/Scene.h"

// The cube from -1 to 1: six quads, each with its own face normal and its own four
// texture coordinates (face f, corner c: u = c / 4 + f, v = c / 4).
host::MeshDesc CubeMesh();

// One polygon in the z = 0 plane through the given x, y corners, normal (0, 0, 1), each
// corner mapped to its own x, y as u, v.
host::MeshDesc PolygonMesh(const std::vector<float>& xy);

// A grid of rows x columns unit quads in the z = 0 plane, normal (0, 0, 1), uv = x, y.
host::MeshDesc GridMesh(int rows, int columns);

#endif
