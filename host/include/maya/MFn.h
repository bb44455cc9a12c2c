// Stand-in for the host SDK's function-set type enumeration (6.0 values spelt out).
#ifndef MAYA_MFN_H
#define MAYA_MFN_H

#include <maya/MTypes.h>

class OPENMAYA_EXPORT MFn {
 public:
  enum Type {
    kInvalid = 0,
    kBase = 1,
    kDagNode = 106,
    kTransform = 109,
    kWorld = 241,
    kShape = 242,
    kMesh = 290,
    kShadingEngine = 314,
    kSet = 454,
    kComponent = 518,
    kMeshPolygonComponent = 535
  };
};

#endif
