#include "TangentFrame.h"

#include <algorithm>
#include <cmath>

namespace {

// Frames flatter than this (their volume over the product of their lengths) have no
// dependable inverse.
constexpr double kFlat = 1e-9;

double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Length(const double* a) { return std::sqrt(Dot(a, a)); }

void Cross(const double* a, const double* b, double* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// Scales v to unit length; a vector without length becomes fallback.
void Normalise(double* v, const double* fallback) {
  const double length = Length(v);
  for (int k = 0; k < 3; ++k) v[k] = length > 0 ? v[k] / length : fallback[k];
}

// The orthonormal frame around f's normal with the tangent nearest f's, handedness side.
void Orthonormal(RlTangentFrame* f, double side) {
  static constexpr double kUp[3] = {0, 0, 1};
  static constexpr double kAlong[3] = {1, 0, 0};
  Normalise(f->normal, kUp);
  const double along = Dot(f->normal, f->tangent);
  for (int k = 0; k < 3; ++k) f->tangent[k] -= along * f->normal[k];
  double fallback[3];
  Cross(f->normal, std::fabs(f->normal[0]) < 0.9 ? kAlong : kUp, fallback);
  Normalise(fallback, kAlong);
  if (Length(f->tangent) <= kFlat) {
    for (int k = 0; k < 3; ++k) f->tangent[k] = fallback[k];
  }
  Normalise(f->tangent, fallback);
  Cross(f->normal, f->tangent, f->bitangent);
  for (double& b : f->bitangent) b *= side;
}

}  // namespace

RlTangentFrame RlTangentFrameAt(const RlGltfVertex* const c[3], const double w[3], RlBitangent bitangent) {
  const double side = c[0]->tangent[3] < 0 ? -1 : 1;
  RlTangentFrame f{};
  for (int i = 0; i < 3; ++i) {
    const double t[3] = {c[i]->tangent[0], c[i]->tangent[1], c[i]->tangent[2]};
    const double n[3] = {c[i]->normal[0], c[i]->normal[1], c[i]->normal[2]};
    double b[3];
    Cross(n, t, b);
    for (int k = 0; k < 3; ++k) {
      f.tangent[k] += w[i] * t[k];
      f.normal[k] += w[i] * n[k];
      f.bitangent[k] += w[i] * side * b[k];
    }
  }
  if (bitangent == RlBitangent::kPixel) {
    Cross(f.normal, f.tangent, f.bitangent);
    for (double& b : f.bitangent) b *= side;
  }
  double across[3];
  Cross(f.tangent, f.normal, across);
  const double volume = std::fabs(Dot(across, f.bitangent));
  if (!(volume > kFlat * Length(f.tangent) * Length(f.normal) * Length(f.bitangent))) Orthonormal(&f, side);
  return f;
}

void RlFromTangentSpace(const RlTangentFrame& f, const double m[3], double out[3]) {
  static constexpr double kUp[3] = {0, 0, 1};
  for (int k = 0; k < 3; ++k) out[k] = m[0] * f.tangent[k] + m[1] * f.bitangent[k] + m[2] * f.normal[k];
  if (!(Length(out) > 0)) std::copy(f.normal, f.normal + 3, out);
  Normalise(out, kUp);
}

void RlToTangentSpace(const RlTangentFrame& f, const double n[3], double out[3]) {
  // Cramer's rule: the inverse's rows are the cross products of the other two columns over
  // the determinant, whose sign alone matters once the result is normalised.
  double bn[3], nt[3], tb[3];
  Cross(f.bitangent, f.normal, bn);
  Cross(f.normal, f.tangent, nt);
  Cross(f.tangent, f.bitangent, tb);
  const double side = Dot(f.tangent, bn) < 0 ? -1 : 1;
  out[0] = side * Dot(n, bn);
  out[1] = side * Dot(n, nt);
  out[2] = side * Dot(n, tb);
  static constexpr double kUp[3] = {0, 0, 1};
  Normalise(out, kUp);
}
