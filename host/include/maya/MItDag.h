// Stand-in for the host SDK's DAG walker. It starts at the world, which it returns as
// its first item, and returns every path to every node (an instanced node once per
// parent), parents before their children, children in creation order.
#ifndef MAYA_MITDAG_H
#define MAYA_MITDAG_H

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>

#include <vector>

class OPENMAYA_EXPORT MItDag {
 public:
  enum TraversalType { kInvalidType = 0, kDepthFirst, kBreadthFirst };

  MItDag(TraversalType type = kDepthFirst, MFn::Type filter = MFn::kInvalid,
         MStatus* ReturnStatus = nullptr);
  virtual ~MItDag();

  MObject item(MStatus* ReturnStatus = nullptr);
  MStatus next();
  bool isDone(MStatus* ReturnStatus = nullptr) const;
  MStatus getPath(MDagPath& path) const;

 private:
  MItDag(const MItDag&);
  MItDag& operator=(const MItDag&);

  std::vector<MDagPath> paths_;
  unsigned current_ = 0;
};

#endif
