// 4x4 transformation matrices of the scene model, for row vectors (p' = p * M), the
// translation in the last row.
#ifndef HOST_MATRIX_H
#define HOST_MATRIX_H

#include "host/HostApi.h"

namespace host {

// Cosine and sine of an angle in degrees, from basic arithmetic only (a Taylor series on
// the angle reduced to [-180, 180]), so that every host computes the same bits.
HOST_API void CosSinDegrees(double degrees, double* cosine, double* sine);

struct HOST_API Matrix {
  double m[4][4];

  static Matrix Identity();
  // Scale, then rotate about x, y and z (degrees, in that order), then translate.
  static Matrix Trs(const double (&translate)[3], const double (&rotateDegrees)[3], const double (&scale)[3]);

  Matrix operator*(const Matrix& other) const;
  void TransformPoint(const float in[3], float out[3]) const;
  // The matrix for normals: the inverse transpose of the upper 3x3 (identity when that
  // part is singular).
  Matrix NormalMatrix() const;
  // Applies a normal matrix and brings the result back to unit length (a zero normal
  // stays zero).
  void TransformNormal(const float in[3], float out[3]) const;
};

}  // namespace host

#endif
