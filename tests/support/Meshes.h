// Procedural meshes for the welding tests and benchmarks. Built from basic arithmetic in
// a fixed order (no libm), so every host makes the same bits.
#ifndef TESTS_SUPPORT_MESHES_H
#define TESTS_SUPPORT_MESHES_H

#include <cstdint>
#include <vector>

#include "RlFileIO.h"

// cos and sin of x (within a turn of 0) from basic arithmetic alone: libm's results
// may differ between hosts, and some emulated hosts cannot run its trigonometry.
void CosSin(double x, float* cosine, float* sine);

// A triangle with all normals (0, 0, 1), positions p and texture coordinates t per corner.
RlRawTriangle FlatTriangle(const float (&p)[3][3], const float (&t)[3][2]);

// The unit quad as two triangles sharing the diagonal (0,0,0)-(1,1,0), texture
// coordinates equal to x and y: (0,0,0), (1,0,0), (1,1,0) and (0,0,0), (1,1,0), (0,1,0).
std::vector<RlRawTriangle> UnitQuad();

// A smooth UV-mapped torus of 2 * rings * sides triangles: shared grid vertices with
// smooth normals, u along the ring and v around the tube, with a texture seam where
// u wraps from 1 back to 0 (and v likewise).
std::vector<RlRawTriangle> Torus(int rings, int sides);

// numTris triangles of mixed trouble, reproducible from seed: corners taken from a small
// shared pool (so many weld), texture seams, mirrored and degenerate mappings, repeated
// corners within a triangle, hard normals, all-zero u, and near-tolerance offsets.
std::vector<RlRawTriangle> TroubleMesh(int numTris, uint32_t seed);

// A coarse tube of 2 * rings * sides triangles bent through a half turn, its
// cross-sections jittered (reproducible from seed), with area-weighted smooth normals,
// so that many corners turn more than 90 degrees from their normals; u is mirrored about
// the tube's middle, so half its triangles wind clockwise in texture space, the mirror
// images on one island.
std::vector<RlRawTriangle> BentTube(int rings, int sides, uint32_t seed);

// tris pushed out by offset along their normals, each triangle shaded flat: a high mesh
// whose normals differ from the low one's everywhere but at its faces' centres.
std::vector<RlRawTriangle> FlatShell(const std::vector<RlRawTriangle>& tris, float offset);

#endif
