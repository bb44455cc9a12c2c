// Stand-in for the host SDK's selection walker; items whose node does not match the
// filter are skipped.
#ifndef MAYA_MITSELECTIONLIST_H
#define MAYA_MITSELECTIONLIST_H

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MSelectionList.h>

class OPENMAYA_EXPORT MItSelectionList {
 public:
  MItSelectionList(const MSelectionList& list, MFn::Type filter = MFn::kInvalid, MStatus* ReturnStatus = nullptr);
  virtual ~MItSelectionList();

  bool isDone(MStatus* ReturnStatus = nullptr);
  MStatus next();
  MStatus getDagPath(MDagPath& dagPath, MObject& component);
  MStatus getDagPath(MDagPath& dagPath);

 private:
  void SkipUnmatched();

  MSelectionList list_;
  MFn::Type filter_;
  unsigned current_ = 0;
};

#endif
