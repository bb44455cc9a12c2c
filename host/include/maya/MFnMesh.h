// Stand-in for the host SDK's polygon mesh function set.
#ifndef MAYA_MFNMESH_H
#define MAYA_MFNMESH_H

#include <maya/MFloatArray.h>
#include <maya/MFloatPointArray.h>
#include <maya/MFloatVectorArray.h>
#include <maya/MFnDagNode.h>
#include <maya/MObjectArray.h>
#include <maya/MString.h>

class OPENMAYA_EXPORT MFnMesh : public MFnDagNode {
 public:
  MFnMesh() = default;
  MFnMesh(MObject& object, MStatus* ret = nullptr);
  MFnMesh(const MObject& object, MStatus* ret = nullptr);
  MFnMesh(const MDagPath& object, MStatus* ret = nullptr);
  ~MFnMesh() override;

  // World space needs a set attached to a path (kInvalidParameter otherwise).
  MStatus getPoints(MFloatPointArray& vertexArray, MSpace::Space space = MSpace::kObject) const;
  MStatus getNormals(MFloatVectorArray& normals, MSpace::Space space = MSpace::kObject) const;
  MStatus getUVs(MFloatArray& uArray, MFloatArray& vArray, const MString* uvSet = nullptr) const;
  // The sets that the instance belongs to, and for each its component of the mesh (a null
  // object when the whole object is in the set).
  MStatus getConnectedSetsAndMembers(unsigned instanceNumber, MObjectArray& sets, MObjectArray& comps,
                                     bool renderableSetsOnly) const;
  MStatus getFaceVertexColorIndex(int faceIndex, int localVertexIndex, int& colorIndex);

 private:
  // The mesh shape the set answers for: the node, or a transform's first mesh child.
  int Mesh() const;
};

#endif
