#include "Spheres.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kWaves = 8;

void Direction(double theta, double phi, double d[3]) {
  d[0] = std::sin(theta) * std::cos(phi);
  d[1] = std::sin(theta) * std::sin(phi);
  d[2] = std::cos(theta);
}

}  // namespace

double BumpRadius(double theta, double phi) {
  return 1.0 + kBumpAmplitude * std::sin(kWaves * theta) * std::sin(kWaves * phi);
}

void BumpNormal(double theta, double phi, double normal[3]) {
  // r e_r - r_theta e_theta - (r_phi / sin theta) e_phi, the cross product of the
  // surface's partial derivatives over r sin theta.
  const double r = BumpRadius(theta, phi);
  const double rTheta = kBumpAmplitude * kWaves * std::cos(kWaves * theta) * std::sin(kWaves * phi);
  const double rPhiOverSin = std::sin(theta) > 1e-12 ? kBumpAmplitude * kWaves * std::sin(kWaves * theta) *
                                                           std::cos(kWaves * phi) / std::sin(theta)
                                                     : 0.0;
  const double er[3] = {std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)};
  const double et[3] = {std::cos(theta) * std::cos(phi), std::cos(theta) * std::sin(phi), -std::sin(theta)};
  const double ep[3] = {-std::sin(phi), std::cos(phi), 0};
  double length = 0;
  for (int k = 0; k < 3; ++k) {
    normal[k] = r * er[k] - rTheta * et[k] - rPhiOverSin * ep[k];
    length += normal[k] * normal[k];
  }
  for (int k = 0; k < 3; ++k) normal[k] /= std::sqrt(length);
}

void BumpHit(const double origin[3], const double direction[3], double* theta, double* phi) {
  // Fixed-point iteration on the distance t along the ray: the surface's radius at the
  // point's angles, met where |origin + t direction| equals it.
  double t = 0;
  for (int i = 0; i < 50; ++i) {
    double p[3];
    for (int k = 0; k < 3; ++k) p[k] = origin[k] + t * direction[k];
    const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    *theta = std::acos(std::clamp(p[2] / length, -1.0, 1.0));
    *phi = std::atan2(p[1], p[0]);
    const double along = p[0] * direction[0] + p[1] * direction[1] + p[2] * direction[2];
    t += (BumpRadius(*theta, *phi) - length) * length / along;
  }
}

std::vector<RlRawTriangle> Sphere(int rings, int segments, bool bumped) {
  using std::numbers::pi;
  struct Corner {
    RlRawPoint p, n;
    RlRawTexCoord uv;
  };
  const auto corner = [&](int ring, int segment) {
    const double theta = pi * ring / rings, phi = 2 * pi * segment / segments;
    double d[3], n[3];
    Direction(theta, phi, d);
    const double r = bumped ? BumpRadius(theta, phi) : 1.0;
    if (bumped) {
      BumpNormal(theta, phi, n);
    } else {
      for (int k = 0; k < 3; ++k) n[k] = d[k];
    }
    Corner c;
    c.p = {static_cast<float>(r * d[0]), static_cast<float>(r * d[1]), static_cast<float>(r * d[2])};
    c.n = {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])};
    c.uv = {static_cast<float>(static_cast<double>(segment) / segments),
            static_cast<float>(1.0 - static_cast<double>(ring) / rings)};
    return c;
  };
  std::vector<RlRawTriangle> tris;
  tris.reserve(2 * static_cast<std::size_t>(segments) * static_cast<std::size_t>(rings - 1));
  const auto add = [&](const Corner& a, const Corner& b, const Corner& c) {
    RlRawTriangle t;
    const Corner* corners[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
      t.vert[i] = corners[i]->p;
      t.norm[i] = corners[i]->n;
      t.texCoord[i] = corners[i]->uv;
    }
    tris.push_back(t);
  };
  for (int ring = 0; ring < rings; ++ring) {
    for (int segment = 0; segment < segments; ++segment) {
      // Counter-clockwise seen from outside: down the ring, then along phi.
      const Corner a = corner(ring, segment), b = corner(ring + 1, segment);
      const Corner c = corner(ring + 1, segment + 1), d = corner(ring, segment + 1);
      if (ring > 0) add(a, b, d);
      if (ring < rings - 1) add(d, b, c);
    }
  }
  return tris;
}
