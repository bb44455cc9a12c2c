// Stand-in for the host SDK's DAG walker. It starts at the world, which it returns as
// its first item, and returns every path to every node (an instanced node once per
// parent), parents before their children, children in creation order.
#ifndef MAYA_MITDAG_H
#define MAYA_MITDAG_H

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>

#include <cstddef>
#include <deque>
#include <vector>

class OPENMAYA_EXPORT MItDag {
 public:
  enum TraversalType { kInvalidType = 0, kDepthFirst, kBreadthFirst };

  MItDag(TraversalType type = kDepthFirst, MFn::Type filter = MFn::kInvalid, MStatus* ReturnStatus = nullptr);
  virtual ~MItDag();

  MObject item(MStatus* ReturnStatus = nullptr);
  MStatus next();
  bool isDone(MStatus* ReturnStatus = nullptr) const;
  MStatus getPath(MDagPath& path) const;

 private:
  MItDag(const MItDag&);
  MItDag& operator=(const MItDag&);

  // Moves to the next node of the walk, matching or not; false when the walk is over.
  bool Advance();
  bool Matches() const;
  const std::vector<int>& Current() const;
  int CurrentNode() const;  // the last node of Current(), or the world

  TraversalType type_ = kDepthFirst;
  MFn::Type filter_ = MFn::kInvalid;
  bool done_ = false;
  // Depth-first: the path to the current node, and per level the next child to visit.
  // Breadth-first: the paths still to visit, the current one first. Either way the walk
  // holds no more than it must, so a deep chain costs memory in proportion to its depth.
  std::vector<int> path_;
  std::vector<std::size_t> nextChild_;
  std::deque<std::vector<int>> queue_;
};

#endif
