// The polygon walker.
#include <maya/MItMeshPolygon.h>

#include <algorithm>

#include "SceneObjects.h"
#include "Triangulate.h"

MItMeshPolygon::MItMeshPolygon(const MObject& polyObject, MStatus* ReturnStatus) {
  mesh_ = polyObject.hasFn(MFn::kMesh) ? polyObject.id() : -1;
  if (mesh_ >= 0) {
    node_ = &host::Scene::Active().GetNode(mesh_);
    for (int f = 0; f < static_cast<int>(node_->mesh.faceCounts.size()); ++f) {
      faces_.push_back(f);
    }
  }
  host::SetStatus(ReturnStatus, mesh_ >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
}

MItMeshPolygon::MItMeshPolygon(const MDagPath& polyObject, MObject& component, MStatus* ReturnStatus)
    : path_(polyObject) {
  mesh_ = host::MeshBelow(host::NodeOfPath(polyObject));
  if (mesh_ < 0) {
    host::SetStatus(ReturnStatus, MStatus::kInvalidParameter);
    return;
  }
  node_ = &host::Scene::Active().GetNode(mesh_);
  const host::Matrix world = host::Scene::Active().PathMatrix(polyObject.nodes());
  world_.assign(&world.m[0][0], &world.m[0][0] + 16);
  // A null component means every polygon.
  if (component.isNull()) {
    for (int f = 0; f < static_cast<int>(node_->mesh.faceCounts.size()); ++f) {
      faces_.push_back(f);
    }
  } else if (component.faces() != nullptr && component.id() == mesh_) {
    faces_ = *component.faces();
  } else {
    host::SetStatus(ReturnStatus, MStatus::kInvalidParameter);
    return;
  }
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
}

MItMeshPolygon::~MItMeshPolygon() = default;

int MItMeshPolygon::Face() const { return faces_[current_]; }

bool MItMeshPolygon::isDone(MStatus* ReturnStatus) {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return current_ >= faces_.size();
}

MStatus MItMeshPolygon::next() {
  if (current_ >= faces_.size()) {
    return MStatus::kFailure;
  }
  ++current_;
  ++host::Scene::Active().Computations().polygons;
  return MStatus::kSuccess;
}

int MItMeshPolygon::polygonVertexCount(MStatus* ReturnStatus) {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return node_->mesh.faceCounts[static_cast<std::size_t>(Face())];
}

int MItMeshPolygon::index(MStatus* ReturnStatus) {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return Face();
}

namespace {

// The face-vertex number of vertex `vertex` of polygon `face`, or -1 when out of range.
int FaceVertex(const host::Node& mesh, int face, int vertex) {
  if (vertex < 0 || vertex >= mesh.mesh.faceCounts[static_cast<std::size_t>(face)]) {
    return -1;
  }
  return mesh.faceStarts[static_cast<std::size_t>(face)] + vertex;
}

}  // namespace

int MItMeshPolygon::vertexIndex(int index, MStatus* ReturnStatus) {
  const host::Node& mesh = *node_;
  const int fv = FaceVertex(mesh, Face(), index);
  host::SetStatus(ReturnStatus, fv >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
  return fv >= 0 ? mesh.mesh.faceVerts[static_cast<std::size_t>(fv)] : -1;
}

int MItMeshPolygon::normalIndex(int vertex, MStatus* ReturnStatus) {
  const host::Node& mesh = *node_;
  const int fv = FaceVertex(mesh, Face(), vertex);
  host::SetStatus(ReturnStatus, fv >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
  return fv >= 0 ? mesh.mesh.faceNormalIds[static_cast<std::size_t>(fv)] : -1;
}

MStatus MItMeshPolygon::getUVIndex(int vertex, int& index, const MString*) {
  const host::Node& mesh = *node_;
  const int fv = FaceVertex(mesh, Face(), vertex);
  if (fv < 0 || mesh.mesh.faceUVIds.empty() || mesh.mesh.faceUVIds[static_cast<std::size_t>(fv)] < 0) {
    return MStatus::kInvalidParameter;  // not mapped
  }
  index = mesh.mesh.faceUVIds[static_cast<std::size_t>(fv)];
  return MStatus::kSuccess;
}

const std::vector<int>& MItMeshPolygon::Triangles() const {
  if (triangulated_ != Face()) {
    const host::Node& mesh = *node_;
    const int start = mesh.faceStarts[static_cast<std::size_t>(Face())];
    const int count = mesh.mesh.faceCounts[static_cast<std::size_t>(Face())];
    corners_.clear();
    for (int i = 0; i < count; ++i) {
      const int vertex = mesh.mesh.faceVerts[static_cast<std::size_t>(start + i)];
      for (int k = 0; k < 3; ++k) {
        corners_.push_back(mesh.mesh.points[3 * static_cast<std::size_t>(vertex) + static_cast<std::size_t>(k)]);
      }
    }
    host::Triangulate(corners_, &triangles_);
    triangulated_ = Face();
  }
  return triangles_;
}

MStatus MItMeshPolygon::numTriangles(int& count) const {
  count = static_cast<int>(Triangles().size() / 3);
  return MStatus::kSuccess;
}

bool MItMeshPolygon::hasValidTriangulation(MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return !Triangles().empty();
}

MStatus MItMeshPolygon::getTriangle(int localTriIndex, MPointArray& points, MIntArray& vertexList,
                                    MSpace::Space space) const {
  const std::vector<int>& triangles = Triangles();
  if (localTriIndex < 0 || 3 * static_cast<std::size_t>(localTriIndex) >= triangles.size() ||
      (space == MSpace::kWorld && world_.empty())) {
    return MStatus::kInvalidParameter;
  }
  const host::Node& mesh = *node_;
  host::Matrix world = host::Matrix::Identity();
  if (space == MSpace::kWorld) {
    std::copy(world_.begin(), world_.end(), &world.m[0][0]);
  }
  const int start = mesh.faceStarts[static_cast<std::size_t>(Face())];
  points.items().clear();
  vertexList.items().clear();
  for (int c = 0; c < 3; ++c) {
    const int corner = triangles[3 * static_cast<std::size_t>(localTriIndex) + static_cast<std::size_t>(c)];
    const int vertex = mesh.mesh.faceVerts[static_cast<std::size_t>(start + corner)];
    float p[3];
    world.TransformPoint(&mesh.mesh.points[3 * static_cast<std::size_t>(vertex)], p);
    points.items().push_back(MPoint(p[0], p[1], p[2]));
    vertexList.items().push_back(vertex);
  }
  return MStatus::kSuccess;
}
