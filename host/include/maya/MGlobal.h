// Stand-in for the host SDK's global functions.
#ifndef MAYA_MGLOBAL_H
#define MAYA_MGLOBAL_H

#include <maya/MSelectionList.h>
#include <maya/MStatus.h>

class OPENMAYA_EXPORT MGlobal {
 public:
  static MStatus getActiveSelectionList(MSelectionList& dest);
};

#endif
