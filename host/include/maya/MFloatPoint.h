// Stand-in for the host SDK's single-precision point: x, y, z, w (default 0, 0, 0, 1).
#ifndef MAYA_MFLOATPOINT_H
#define MAYA_MFLOATPOINT_H

#include <maya/MTypes.h>

class OPENMAYA_EXPORT MFloatPoint {
 public:
  MFloatPoint() = default;
  MFloatPoint(float xx, float yy, float zz, float ww = 1.0f) : x(xx), y(yy), z(zz), w(ww) {}
  float& operator[](unsigned i) { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
  float operator[](unsigned i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }

  float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
};

#endif
