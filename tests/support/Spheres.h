// The bake's analytic scene: a smooth UV sphere (the low mesh) and a bumped one (the
// high mesh), radius 1 + amplitude * sin(8 theta) * sin(8 phi) with theta the polar angle
// and phi the azimuth, both with exact normals at their corners.
#ifndef TESTS_SUPPORT_SPHERES_H
#define TESTS_SUPPORT_SPHERES_H

#include <vector>

#include "RlFileIO.h"

inline constexpr double kBumpAmplitude = 0.03;

// A sphere of rings x segments quads (one triangle per quad at the poles): 2 segments
// (rings - 1) triangles. Texture coordinates u = phi / 2 pi, v = 1 - theta / pi, with a
// seam where phi wraps. bumped: the bumped radius, else 1.
std::vector<RlRawTriangle> Sphere(int rings, int segments, bool bumped);

// The bumped surface's radius and unit outward normal at (theta, phi).
double BumpRadius(double theta, double phi);
void BumpNormal(double theta, double phi, double normal[3]);

// Where the ray from origin along unit direction meets the bumped surface (origin lies
// near the unit sphere, the direction roughly outwards): the polar angle and azimuth.
void BumpHit(const double origin[3], const double direction[3], double* theta, double* phi);

#endif
