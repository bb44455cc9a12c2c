// Stand-in for the host SDK's double-precision point.
#ifndef MAYA_MPOINT_H
#define MAYA_MPOINT_H

#include <maya/MTypes.h>

class OPENMAYA_EXPORT MPoint {
 public:
  MPoint() = default;
  MPoint(double xx, double yy, double zz, double ww = 1.0) : x(xx), y(yy), z(zz), w(ww) {}
  double& operator[](unsigned i) { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
  double operator[](unsigned i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }

  double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
};

#endif
