// Stand-in for the host SDK's selection list (of DAG paths).
#ifndef MAYA_MSELECTIONLIST_H
#define MAYA_MSELECTIONLIST_H

#include <maya/MDagPath.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>

#include <vector>

class OPENMAYA_EXPORT MSelectionList {
 public:
  MSelectionList() = default;
  MSelectionList(const MSelectionList& src) = default;
  virtual ~MSelectionList();

  MStatus add(const MDagPath& object, const MObject& component = MObject::kNullObj,
              const bool mergeWithExisting = false);
  unsigned length(MStatus* ReturnStatus = nullptr) const;
  MStatus getDagPath(unsigned index, MDagPath& dagPath, MObject& component = MObject::kNullObj) const;
  MStatus clear();

 private:
  std::vector<MDagPath> items_;
};

#endif
