// Stand-in for the host SDK's single-precision vector.
#ifndef MAYA_MFLOATVECTOR_H
#define MAYA_MFLOATVECTOR_H

#include <maya/MTypes.h>

class OPENMAYA_EXPORT MFloatVector {
 public:
  MFloatVector() = default;
  MFloatVector(float xx, float yy, float zz) : x(xx), y(yy), z(zz) {}
  float& operator[](unsigned i) { return i == 0 ? x : i == 1 ? y : z; }
  float operator[](unsigned i) const { return i == 0 ? x : i == 1 ? y : z; }

  float x = 0.0f, y = 0.0f, z = 0.0f;
};

#endif
