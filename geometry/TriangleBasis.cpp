// The tangent basis of one triangle, by interpolation along iso-parametric lines.
//
// The tangent is the direction, inside the triangle, of the line of constant v through
// the corner whose v lies between the other two; the binormal that of the line of
// constant u. There is no determinant and no cross product. Every operation below runs
// in the order written, in double precision, so results are the same bit for bit on
// every host (the build forbids fused multiply-adds and reassociation).
#include <cmath>

#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"

namespace {

constexpr int kU = 0;
constexpr int kV = 1;

// The fallback tangent and binormal of degenerate or unmapped triangles.
constexpr double defTan[3] = {1.0, 0.0, 0.0};
constexpr double defBi[3] = {0.0, 0.0, 1.0};

// Three u of exactly zero: a triangle without texture coordinates (v plays no part).
bool HasTextureCoordinates(const RlRawTriangle& tri) {
  return !(tri.texCoord[0].u == 0.0f && tri.texCoord[1].u == 0.0f && tri.texCoord[2].u == 0.0f);
}

// Aligned copies of a packed triangle's positions and texture coordinates.
struct TrianglePlane {
  explicit TrianglePlane(const RlRawTriangle& tri) {
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < 3; ++k) {
        position[c][k] = tri.vert[c].v[k];
      }
      uv[c][0] = tri.texCoord[c].u;
      uv[c][1] = tri.texCoord[c].v;
    }
  }
  float position[3][3];
  float uv[3][2];
};

// One corner of the working set: position and texture coordinate.
struct tanSpaceVert {
  double v[3];
  double t[2];
};

void SwapIfLess(tanSpaceVert& a, tanSpaceVert& b, int key) {
  if (a.t[key] < b.t[key]) {
    const tanSpaceVert held = a;
    a = b;
    b = held;
  }
}

// Orders the records by texture coordinate `key`, highest first, with three strict
// compare-and-swap steps: equal keys keep their places.
void SortDescending(tanSpaceVert (&rec)[3], int key) {
  SwapIfLess(rec[0], rec[1], key);
  SwapIfLess(rec[0], rec[2], key);
  SwapIfLess(rec[1], rec[2], key);
}

// The direction, inside the triangle, of the line along which texture coordinate `key`
// is constant, through rec[1] (the middle one after sorting by `key`), oriented towards
// increasing `other`. Not yet projected or normalised.
void IsoLineDirection(const tanSpaceVert (&rec)[3], int key, int other, double* dir) {
  // Where the line meets the edge from rec[0] to rec[2].
  double factor = 1.0;
  if (!(std::fabs(rec[2].t[key] - rec[0].t[key]) < kRlDegenerateLength)) {
    factor = (rec[1].t[key] - rec[0].t[key]) / (rec[2].t[key] - rec[0].t[key]);
  }
  for (int k = 0; k < 3; ++k) {
    const double q = (rec[2].v[k] - rec[0].v[k]) * factor + rec[0].v[k];
    dir[k] = q - rec[1].v[k];
  }
  const double qOther = rec[0].t[other] + (rec[2].t[other] - rec[0].t[other]) * factor;
  if (qOther < rec[1].t[other]) {
    for (int k = 0; k < 3; ++k) {
      dir[k] = -dir[k];
    }
  }
}

}  // namespace

void RlTriangleDirectionsD(const float* v1, const float* v2, const float* v3, const float* t1, const float* t2,
                           const float* t3, RlTriangleDirections* out) {
  tanSpaceVert rec[3] = {
      {{v1[0], v1[1], v1[2]}, {t1[0], t1[1]}},
      {{v2[0], v2[1], v2[2]}, {t2[0], t2[1]}},
      {{v3[0], v3[1], v3[2]}, {t3[0], t3[1]}},
  };
  // Tangent: along constant v, towards increasing u.
  SortDescending(rec, kV);
  IsoLineDirection(rec, kV, kU, out->tangent);
  // Binormal: along constant u, towards increasing v, from the order the tangent left.
  SortDescending(rec, kU);
  IsoLineDirection(rec, kU, kV, out->binormal);
}

void RlProjectDirectionD(const double* dir, double* normal, const double* fallback, double* out) {
  // Remove the part along the normal.
  double projected[3] = {dir[0], dir[1], dir[2]};
  const double d = DotProduct3D(normal, projected);
  for (int k = 0; k < 3; ++k) {
    projected[k] -= normal[k] * d;
  }
  const double length = std::sqrt(DotProduct3D(projected, projected));
  if (length < kRlDegenerateLength) {
    for (int k = 0; k < 3; ++k) {
      out[k] = fallback[k];
    }
    return;
  }
  const double scale = 1.0 / length;
  for (int k = 0; k < 3; ++k) {
    out[k] = projected[k] * scale;
  }
}

bool DcTangentSpace(float* v1, float* v2, float* v3, float* t1, float* t2, float* t3, double* normal, double* tangent,
                    double* binormal) {
  if (!v1 || !v2 || !v3 || !t1 || !t2 || !t3 || !normal || !tangent || !binormal) {
    return false;
  }
  RlTriangleDirections directions;
  RlTriangleDirectionsD(v1, v2, v3, t1, t2, t3, &directions);
  RlProjectDirectionD(directions.tangent, normal, defTan, tangent);
  RlProjectDirectionD(directions.binormal, normal, defBi, binormal);
  return true;
}

void ComputeTangentVectorsD(RlRawTriangle* pgon, int idx, double* tan, double* norm, double* binorm) {
  for (int k = 0; k < 3; ++k) {
    tan[k] = defTan[k];
    binorm[k] = defBi[k];
    norm[k] = pgon->norm[idx].v[k];
  }
  if (!HasTextureCoordinates(*pgon)) {
    return;
  }
  TrianglePlane plane(*pgon);
  DcTangentSpace(plane.position[0], plane.position[1], plane.position[2], plane.uv[0], plane.uv[1], plane.uv[2], norm,
                 tan, binorm);
}

void RlCornerFramesD(const RlRawTriangle* tri, double (*tangent)[3], double (*binormal)[3]) {
  RlTriangleDirections directions;
  const bool mapped = HasTextureCoordinates(*tri);
  if (mapped) {
    TrianglePlane plane(*tri);
    RlTriangleDirectionsD(plane.position[0], plane.position[1], plane.position[2], plane.uv[0], plane.uv[1],
                          plane.uv[2], &directions);
  }
  // Each corner projects the triangle's directions onto its own normal.
  for (int c = 0; c < 3; ++c) {
    if (!mapped) {
      for (int k = 0; k < 3; ++k) {
        tangent[c][k] = defTan[k];
        binormal[c][k] = defBi[k];
      }
      continue;
    }
    double normal[3] = {tri->norm[c].x, tri->norm[c].y, tri->norm[c].z};
    RlProjectDirectionD(directions.tangent, normal, defTan, tangent[c]);
    RlProjectDirectionD(directions.binormal, normal, defBi, binormal[c]);
  }
}

void NormalizeD(double* v) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length < kRlDegenerateLength) {
    v[0] = 1.0, v[1] = 0.0, v[2] = 0.0;
    return;
  }
  v[0] /= length;
  v[1] /= length;
  v[2] /= length;
}

double DotProduct3D(double* vectorA, double* vectorB) {
  return vectorA[0] * vectorB[0] + vectorA[1] * vectorB[1] + vectorA[2] * vectorB[2];
}
