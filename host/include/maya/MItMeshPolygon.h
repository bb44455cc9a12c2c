// Stand-in for the host SDK's polygon walker: over all polygons of a mesh, or over those
// of a component. Triangles come from ear clipping in the plane of the polygon.
#ifndef MAYA_MITMESHPOLYGON_H
#define MAYA_MITMESHPOLYGON_H

#include <maya/MDagPath.h>
#include <maya/MIntArray.h>
#include <maya/MObject.h>
#include <maya/MPointArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include <vector>

namespace host {
struct Node;
}

class OPENMAYA_EXPORT MItMeshPolygon {
 public:
  MItMeshPolygon(const MObject& polyObject, MStatus* ReturnStatus = nullptr);
  MItMeshPolygon(const MDagPath& polyObject, MObject& component = MObject::kNullObj, MStatus* ReturnStatus = nullptr);
  virtual ~MItMeshPolygon();

  bool isDone(MStatus* ReturnStatus = nullptr);
  MStatus next();
  int polygonVertexCount(MStatus* ReturnStatus = nullptr);
  int index(MStatus* ReturnStatus = nullptr);
  int vertexIndex(int index, MStatus* ReturnStatus = nullptr);
  int normalIndex(int vertex, MStatus* ReturnStatus = nullptr);
  // kInvalidParameter, leaving index as it is, when the face-vertex has no UV.
  MStatus getUVIndex(int vertex, int& index, const MString* uvSet = nullptr);
  MStatus numTriangles(int& count) const;
  bool hasValidTriangulation(MStatus* ReturnStatus = nullptr) const;
  // Object-relative vertex ids of the triangle's corners, in the polygon's winding.
  MStatus getTriangle(int localTriIndex, MPointArray& points, MIntArray& vertexList,
                      MSpace::Space space = MSpace::kObject) const;

 private:
  MItMeshPolygon(const MItMeshPolygon&);
  MItMeshPolygon& operator=(const MItMeshPolygon&);
  int Face() const;
  const std::vector<int>& Triangles() const;  // corner ids, three per triangle

  int mesh_ = -1;
  const host::Node* node_ = nullptr;  // the mesh's node, looked up once (the scene holds still)
  MDagPath path_;
  std::vector<double> world_;  // the path's world matrix, row by row (empty: no path)
  std::vector<int> faces_;
  unsigned current_ = 0;
  mutable int triangulated_ = -1;  // the polygon whose triangles are held
  mutable std::vector<int> triangles_;
  mutable std::vector<double> corners_;  // the held polygon's points (reused)
};

#endif
