// Stand-in for the host SDK's DAG path: the nodes from a top-level node down to the
// path's node (the world is below them all and not counted).
#ifndef MAYA_MDAGPATH_H
#define MAYA_MDAGPATH_H

#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <vector>

class OPENMAYA_EXPORT MDagPath {
 public:
  MDagPath() = default;
  MDagPath(const MDagPath& src) = default;
  virtual ~MDagPath();
  MDagPath& operator=(const MDagPath& src) = default;

  // True for the path's node; for a transform also when a child shape has the type.
  bool hasFn(MFn::Type type, MStatus* ReturnStatus = nullptr) const;
  unsigned int length(MStatus* ReturnStatus = nullptr) const;
  // Removes num nodes from the end; kInvalidParameter when the path is shorter.
  MStatus pop(unsigned num = 1);
  bool operator==(const MDagPath& src) const { return nodes_ == src.nodes_; }
  MObject node(MStatus* ReturnStatus = nullptr) const;
  unsigned instanceNumber(MStatus* ReturnStatus = nullptr) const;

  // Stand-in internals, for the host library.
  explicit MDagPath(std::vector<int> nodes) : nodes_(std::move(nodes)) {}
  const std::vector<int>& nodes() const { return nodes_; }

 private:
  std::vector<int> nodes_;
};

#endif
