// Stand-in for the host SDK's set function set.
#ifndef MAYA_MFNSET_H
#define MAYA_MFNSET_H

#include <maya/MFnBase.h>

class OPENMAYA_EXPORT MFnSet : public MFnBase {
 public:
  enum Restriction { kNone, kVerticesOnly, kEdgesOnly, kFacetsOnly, kEditPointsOnly, kRenderableOnly };

  MFnSet() {}
  MFnSet(MObject& object, MStatus* ReturnStatus = nullptr);
  MFnSet(const MObject& object, MStatus* ReturnStatus = nullptr);
  ~MFnSet() override;
  Restriction restriction(MStatus* ReturnStatus = nullptr) const;

 private:
  int set_ = -1;
};

#endif
