// Stand-in for the host SDK's DAG node function set. Attached to a path it can answer
// in world space; attached to an object, only in object space.
#ifndef MAYA_MFNDAGNODE_H
#define MAYA_MFNDAGNODE_H

#include <maya/MDagPath.h>
#include <maya/MFnBase.h>

class OPENMAYA_EXPORT MFnDagNode : public MFnBase {
 public:
  MFnDagNode() = default;
  MFnDagNode(MObject& object, MStatus* ret = nullptr);
  MFnDagNode(const MObject& object, MStatus* ret = nullptr);
  MFnDagNode(const MDagPath& object, MStatus* ret = nullptr);
  ~MFnDagNode() override;

  virtual MStatus setObject(const MDagPath& path);
  virtual MStatus setObject(MObject& object);
  virtual MStatus setObject(const MObject& object);
  bool isIntermediateObject(MStatus* ReturnStatus = nullptr) const;

 protected:
  // The node the set works on, and the path to it when attached to a path.
  int node_ = -1;
  bool hasPath_ = false;
  MDagPath path_;
};

#endif
