// Mesh and set function sets.
#include <maya/MFnMesh.h>
#include <maya/MFnSet.h>

#include "SceneObjects.h"

namespace {

const host::MeshDesc* MeshData(int mesh) { return mesh >= 0 ? &host::Scene::Active().GetNode(mesh).mesh : nullptr; }

}  // namespace

// A mesh function set attaches to a mesh shape, or (through a path) to a transform with
// a mesh child, as in the host.
MFnMesh::MFnMesh(MObject& object, MStatus* ret) : MFnMesh(static_cast<const MObject&>(object), ret) {}

MFnMesh::MFnMesh(const MObject& object, MStatus* ret) {
  MStatus status = setObject(object);
  if (status && !object.hasFn(MFn::kMesh)) {
    status = MStatus::kInvalidParameter;
  }
  host::SetStatus(ret, status);
}

MFnMesh::MFnMesh(const MDagPath& object, MStatus* ret) {
  setObject(object);
  host::SetStatus(ret, Mesh() >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
}

MFnMesh::~MFnMesh() = default;
MFnSet::~MFnSet() = default;

int MFnMesh::Mesh() const { return node_ >= 0 ? host::MeshBelow(node_) : -1; }

MStatus MFnMesh::getPoints(MFloatPointArray& vertexArray, MSpace::Space space) const {
  const host::MeshDesc* mesh = MeshData(Mesh());
  if (mesh == nullptr || (space == MSpace::kWorld && !hasPath_)) {
    return MStatus::kInvalidParameter;  // "Cannot do world space operation" without a path
  }
  const host::Matrix world =
      space == MSpace::kWorld ? host::Scene::Active().PathMatrix(path_.nodes()) : host::Matrix::Identity();
  auto& points = vertexArray.items();
  points.assign(mesh->points.size() / 3, MFloatPoint());
  for (std::size_t i = 0; i < points.size(); ++i) {
    float p[3];
    world.TransformPoint(&mesh->points[3 * i], p);
    points[i] = MFloatPoint(p[0], p[1], p[2]);
  }
  return MStatus::kSuccess;
}

MStatus MFnMesh::getNormals(MFloatVectorArray& normals, MSpace::Space space) const {
  const host::MeshDesc* mesh = MeshData(Mesh());
  if (mesh == nullptr || (space == MSpace::kWorld && !hasPath_)) {
    return MStatus::kInvalidParameter;
  }
  auto& out = normals.items();
  out.assign(mesh->normals.size() / 3, MFloatVector());
  if (space != MSpace::kWorld) {
    for (std::size_t i = 0; i < out.size(); ++i) {
      out[i] = MFloatVector(mesh->normals[3 * i], mesh->normals[3 * i + 1], mesh->normals[3 * i + 2]);
    }
    return MStatus::kSuccess;
  }
  const host::Matrix normalMatrix = host::Scene::Active().PathMatrix(path_.nodes()).NormalMatrix();
  for (std::size_t i = 0; i < out.size(); ++i) {
    float n[3];
    normalMatrix.TransformNormal(&mesh->normals[3 * i], n);
    out[i] = MFloatVector(n[0], n[1], n[2]);
  }
  return MStatus::kSuccess;
}

MStatus MFnMesh::getUVs(MFloatArray& uArray, MFloatArray& vArray, const MString*) const {
  const host::MeshDesc* mesh = MeshData(Mesh());
  if (mesh == nullptr) {
    return MStatus::kInvalidParameter;
  }
  uArray.items() = mesh->u;
  vArray.items() = mesh->v;
  return MStatus::kSuccess;
}

MStatus MFnMesh::getConnectedSetsAndMembers(unsigned instanceNumber, MObjectArray& sets, MObjectArray& comps,
                                            bool renderableSetsOnly) const {
  sets.items().clear();
  comps.items().clear();
  // Membership belongs to the mesh shape itself: a transform reports no sets.
  if (node_ < 0 || host::Scene::Active().GetNode(node_).kind != host::NodeKind::kMesh) {
    return MStatus::kSuccess;
  }
  const host::Scene& scene = host::Scene::Active();
  for (const host::Scene::Membership& membership : scene.MembershipsOf(node_)) {
    const host::ShadingSet& set = scene.GetSet(membership.set);
    const host::SetMembership& member = set.members[membership.member];
    if ((renderableSetsOnly && !set.renderable) || member.instance != instanceNumber) {
      continue;
    }
    sets.items().push_back(host::ObjectOfSet(membership.set));
    comps.items().push_back(member.wholeObject ? MObject()
                                               : MObject(MFn::kMeshPolygonComponent, node_,
                                                         std::make_shared<const std::vector<int>>(member.faces)));
  }
  return MStatus::kSuccess;
}

MStatus MFnMesh::getFaceVertexColorIndex(int, int, int&) {
  return MStatus::kFailure;  // meshes of this scene have no colour sets
}

MFnSet::MFnSet(MObject& object, MStatus* ReturnStatus) : MFnSet(static_cast<const MObject&>(object), ReturnStatus) {}

MFnSet::MFnSet(const MObject& object, MStatus* ReturnStatus) {
  if (object.hasFn(MFn::kSet)) {
    set_ = object.id();
  }
  host::SetStatus(ReturnStatus, set_ >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
}

MFnSet::Restriction MFnSet::restriction(MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, set_ >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
  return set_ >= 0 && host::Scene::Active().GetSet(set_).renderable ? kRenderableOnly : kNone;
}
