#include "host/Matrix.h"

#include <cmath>

namespace host {

void CosSinDegrees(double degrees, double* cosine, double* sine) {
  constexpr double kPi = 3.14159265358979323846;
  double reduced = std::fmod(degrees, 360.0);
  if (reduced > 180.0) {
    reduced -= 360.0;
  } else if (reduced < -180.0) {
    reduced += 360.0;
  }
  // Quarter turns are exact.
  if (reduced == 0.0 || reduced == 90.0 || reduced == 180.0 || reduced == -90.0 || reduced == -180.0) {
    *cosine = reduced == 0.0 ? 1.0 : (reduced == 90.0 || reduced == -90.0) ? 0.0 : -1.0;
    *sine = reduced == 90.0 ? 1.0 : reduced == -90.0 ? -1.0 : 0.0;
    return;
  }
  const double x = reduced * (kPi / 180.0);
  double c = 0.0, s = 0.0, term = 1.0;  // term = x^i / i!
  for (int i = 0; i <= 40; ++i) {
    const double signedTerm = (i / 2) % 2 == 0 ? term : -term;
    (i % 2 == 0 ? c : s) += signedTerm;
    term = term * x / static_cast<double>(i + 1);
  }
  *cosine = c;
  *sine = s;
}

Matrix Matrix::Identity() {
  Matrix r{};
  for (int i = 0; i < 4; ++i) {
    r.m[i][i] = 1.0;
  }
  return r;
}

Matrix Matrix::Trs(const double (&translate)[3], const double (&rotateDegrees)[3], const double (&scale)[3]) {
  Matrix s = Identity();
  for (int i = 0; i < 3; ++i) {
    s.m[i][i] = scale[i];
  }
  // A rotation about axis a, for row vectors.
  auto rotation = [&](int a) {
    double c, n;
    CosSinDegrees(rotateDegrees[a], &c, &n);
    const int i = (a + 1) % 3, j = (a + 2) % 3;
    Matrix r = Identity();
    r.m[i][i] = c, r.m[i][j] = n;
    r.m[j][i] = -n, r.m[j][j] = c;
    return r;
  };
  Matrix t = Identity();
  for (int i = 0; i < 3; ++i) {
    t.m[3][i] = translate[i];
  }
  return s * rotation(0) * rotation(1) * rotation(2) * t;
}

Matrix Matrix::operator*(const Matrix& other) const {
  Matrix r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      for (int k = 0; k < 4; ++k) {
        r.m[i][j] += m[i][k] * other.m[k][j];
      }
    }
  }
  return r;
}

void Matrix::TransformPoint(const float in[3], float out[3]) const {
  for (int j = 0; j < 3; ++j) {
    out[j] = static_cast<float>(in[0] * m[0][j] + in[1] * m[1][j] + in[2] * m[2][j] + m[3][j]);
  }
}

Matrix Matrix::NormalMatrix() const {
  const double(&a)[4][4] = m;
  // Cofactors of the upper 3x3: the inverse transpose is the cofactor matrix over the
  // determinant.
  double c[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      c[i][j] = a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1];
    }
  }
  const double det = a[0][0] * c[0][0] + a[0][1] * c[0][1] + a[0][2] * c[0][2];
  Matrix r = Identity();
  if (det == 0.0) {
    return r;
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      r.m[i][j] = c[i][j] / det;
    }
  }
  return r;
}

void Matrix::TransformNormal(const float in[3], float out[3]) const {
  double n[3];
  for (int j = 0; j < 3; ++j) {
    n[j] = in[0] * m[0][j] + in[1] * m[1][j] + in[2] * m[2][j];
  }
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (int j = 0; j < 3; ++j) {
    out[j] = static_cast<float>(length > 0.0 ? n[j] / length : 0.0);
  }
}

}  // namespace host
