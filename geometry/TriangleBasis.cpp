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

// Spans and lengths below this count as zero.
constexpr double kTiny = 1e-07;

constexpr int kU = 0;
constexpr int kV = 1;

// One corner of DcTangentSpace's working set: position and texture coordinate.
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

// The unit direction of the line along which texture coordinate `key` is constant,
// through rec[1] (the middle one after sorting by `key`), oriented towards increasing
// `other`, made perpendicular to normal; fallback when it projects to nearly nothing.
void IsoLineDirection(const tanSpaceVert (&rec)[3], int key, int other, double* normal,
                      const double* fallback, double* out) {
  // Where the line meets the edge from rec[0] to rec[2].
  double factor = 1.0;
  if (!(std::fabs(rec[2].t[key] - rec[0].t[key]) < kTiny)) {
    factor = (rec[1].t[key] - rec[0].t[key]) / (rec[2].t[key] - rec[0].t[key]);
  }
  double dir[3];
  for (int k = 0; k < 3; ++k) {
    const double q = (rec[2].v[k] - rec[0].v[k]) * factor + rec[0].v[k];
    dir[k] = q - rec[1].v[k];
  }
  const double qOther = rec[0].t[other] + (rec[2].t[other] - rec[0].t[other]) * factor;
  if (qOther < rec[1].t[other]) {
    for (double& component : dir) {
      component = -component;
    }
  }

  // Remove the part along the normal.
  const double d = DotProduct3D(normal, dir);
  for (int k = 0; k < 3; ++k) {
    dir[k] -= normal[k] * d;
  }

  const double length = std::sqrt(DotProduct3D(dir, dir));
  if (length < kTiny) {
    for (int k = 0; k < 3; ++k) {
      out[k] = fallback[k];
    }
    return;
  }
  const double scale = 1.0 / length;
  for (int k = 0; k < 3; ++k) {
    out[k] = dir[k] * scale;
  }
}

}  // namespace

bool DcTangentSpace(float* v1, float* v2, float* v3, float* t1, float* t2, float* t3,
                    double* normal, double* tangent, double* binormal) {
  static const double defTan[3] = {1.0, 0.0, 0.0};
  static const double defBi[3] = {0.0, 0.0, 1.0};
  if (!v1 || !v2 || !v3 || !t1 || !t2 || !t3 || !normal || !tangent || !binormal) {
    return false;
  }

  tanSpaceVert rec[3] = {
      {{v1[0], v1[1], v1[2]}, {t1[0], t1[1]}},
      {{v2[0], v2[1], v2[2]}, {t2[0], t2[1]}},
      {{v3[0], v3[1], v3[2]}, {t3[0], t3[1]}},
  };
  // Tangent: along constant v, towards increasing u.
  SortDescending(rec, kV);
  IsoLineDirection(rec, kV, kU, normal, defTan, tangent);
  // Binormal: along constant u, towards increasing v, from the order the tangent left.
  SortDescending(rec, kU);
  IsoLineDirection(rec, kU, kV, normal, defBi, binormal);
  return true;
}

void ComputeTangentVectorsD(RlRawTriangle* pgon, int idx, double* tan, double* norm,
                            double* binorm) {
  tan[0] = 1.0, tan[1] = 0.0, tan[2] = 0.0;
  binorm[0] = 0.0, binorm[1] = 0.0, binorm[2] = 1.0;
  for (int k = 0; k < 3; ++k) {
    norm[k] = pgon->norm[idx].v[k];
  }
  // Three u of exactly zero: a triangle without texture coordinates keeps the defaults.
  if (pgon->texCoord[0].u == 0.0f && pgon->texCoord[1].u == 0.0f &&
      pgon->texCoord[2].u == 0.0f) {
    return;
  }
  // The records are packed: hand DcTangentSpace aligned copies of its inputs.
  float position[3][3];
  float uv[3][2];
  for (int c = 0; c < 3; ++c) {
    for (int k = 0; k < 3; ++k) {
      position[c][k] = pgon->vert[c].v[k];
    }
    uv[c][0] = pgon->texCoord[c].u;
    uv[c][1] = pgon->texCoord[c].v;
  }
  DcTangentSpace(position[0], position[1], position[2], uv[0], uv[1], uv[2], norm, tan,
                 binorm);
}

void NormalizeD(double* v) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length < kTiny) {
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
