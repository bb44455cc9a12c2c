#include "host/Scene.h"

#include <algorithm>
#include <csignal>
#include <stdexcept>

#include "Interrupt.h"

namespace host {

namespace {

// Throws the problem, prefixed with where it is, when the condition fails; the message
// is only built then (meshes check every face-vertex).
void Require(bool condition, const std::string& where, const char* problem) {
  if (!condition) {
    throw std::invalid_argument(where + problem);
  }
}
void Require(bool condition, const char* problem) { Require(condition, std::string(), problem); }

// Checks a mesh's sizes and indices; returns where each polygon starts.
std::vector<int> CheckMesh(const std::string& name, const MeshDesc& mesh) {
  const std::string where = "mesh \"" + name + "\": ";
  Require(mesh.points.size() % 3 == 0, where, "points are not x, y, z triples");
  Require(mesh.normals.size() % 3 == 0, where, "normals are not x, y, z triples");
  Require(mesh.u.size() == mesh.v.size(), where, "u and v differ in length");
  const std::size_t points = mesh.points.size() / 3;
  const std::size_t normals = mesh.normals.size() / 3;
  std::vector<int> starts;
  std::size_t corners = 0;
  for (int count : mesh.faceCounts) {
    Require(count >= 3, where, "a polygon has fewer than 3 vertices");
    starts.push_back(static_cast<int>(corners));
    corners += static_cast<std::size_t>(count);
  }
  Require(mesh.faceVerts.size() == corners, where, "face vertex count does not match");
  Require(mesh.faceNormalIds.size() == corners, where, "one normal id per face-vertex is needed");
  Require(mesh.faceUVIds.empty() || mesh.faceUVIds.size() == corners, where, "one uv id per face-vertex is needed");
  for (std::size_t c = 0; c < corners; ++c) {
    Require(mesh.faceVerts[c] >= 0 && static_cast<std::size_t>(mesh.faceVerts[c]) < points, where,
            "vertex id out of range");
    Require(mesh.faceNormalIds[c] >= 0 && static_cast<std::size_t>(mesh.faceNormalIds[c]) < normals, where,
            "normal id out of range");
    if (!mesh.faceUVIds.empty()) {
      Require(mesh.faceUVIds[c] >= -1 && mesh.faceUVIds[c] < static_cast<int>(mesh.u.size()), where,
              "uv id out of range");
    }
  }
  return starts;
}

}  // namespace

Scene& Scene::Active() {
  static Scene scene;
  return scene;
}

Scene::Scene() { Reset(); }

void Scene::Reset() {
  nodes_.clear();
  sets_.clear();
  memberships_.clear();
  selection_.clear();
  interruptAfter_ = -1;
  computations_ = {};
  ClearInterruptRequest();
  nodes_.push_back(Node{"", NodeKind::kWorldNode, {}, {}, Matrix::Identity(), {}, {}});
}

void Scene::CheckNode(NodeId id) const {
  if (id < 0 || id >= NodeCount()) {  // the message is built only when it is needed
    throw std::invalid_argument("unknown node " + std::to_string(id));
  }
}

NodeId Scene::AddNode(Node node, NodeId parent) {
  CheckNode(parent);
  Require(nodes_[static_cast<std::size_t>(parent)].kind != NodeKind::kMesh, "a mesh cannot be a parent");
  const NodeId id = NodeCount();
  node.parents.push_back(parent);
  nodes_.push_back(std::move(node));
  nodes_[static_cast<std::size_t>(parent)].children.push_back(id);
  return id;
}

NodeId Scene::AddTransform(const std::string& name, NodeId parent, const Matrix& local) {
  return AddNode(Node{name, NodeKind::kTransform, {}, {}, local, {}, {}}, parent);
}

NodeId Scene::AddMesh(const std::string& name, NodeId parent, MeshDesc mesh) {
  std::vector<int> starts = CheckMesh(name, mesh);
  return AddNode(Node{name, NodeKind::kMesh, {}, {}, Matrix::Identity(), std::move(mesh), std::move(starts)}, parent);
}

void Scene::AddParent(NodeId node, NodeId extraParent) {
  CheckNode(node);
  CheckNode(extraParent);
  Require(node != kWorld, "the world has no parent");
  Require(nodes_[static_cast<std::size_t>(extraParent)].kind != NodeKind::kMesh, "a mesh cannot be a parent");
  nodes_[static_cast<std::size_t>(node)].parents.push_back(extraParent);
  nodes_[static_cast<std::size_t>(extraParent)].children.push_back(node);
}

int Scene::AddShadingSet(const std::string& name, bool renderable) {
  sets_.push_back(ShadingSet{name, renderable, {}});
  return SetCount() - 1;
}

void Scene::SetRenderable(int set, bool renderable) {
  GetSet(set);
  sets_[static_cast<std::size_t>(set)].renderable = renderable;
}

void Scene::AssignObject(int set, NodeId mesh, unsigned instance) {
  GetSet(set);
  CheckNode(mesh);
  Require(nodes_[static_cast<std::size_t>(mesh)].kind == NodeKind::kMesh, "only meshes join sets");
  sets_[static_cast<std::size_t>(set)].members.push_back({mesh, instance, true, {}});
  AddMembership(set, mesh);
}

// Each mesh's memberships, ordered by set and, within a set, by assignment: the order in
// which a walk over every set's members would meet them.
void Scene::AddMembership(int set, NodeId mesh) {
  if (memberships_.size() <= static_cast<std::size_t>(mesh)) memberships_.resize(static_cast<std::size_t>(mesh) + 1);
  std::vector<Membership>& of = memberships_[static_cast<std::size_t>(mesh)];
  const Membership added{set, sets_[static_cast<std::size_t>(set)].members.size() - 1};
  of.insert(std::upper_bound(of.begin(), of.end(), added,
                             [](const Membership& a, const Membership& b) { return a.set < b.set; }),
            added);
}

const std::vector<Scene::Membership>& Scene::MembershipsOf(NodeId mesh) const {
  static const std::vector<Membership> none;
  return static_cast<std::size_t>(mesh) < memberships_.size() ? memberships_[static_cast<std::size_t>(mesh)] : none;
}

void Scene::AssignFaces(int set, NodeId mesh, std::vector<int> faces, unsigned instance) {
  GetSet(set);
  CheckNode(mesh);
  const Node& node = nodes_[static_cast<std::size_t>(mesh)];
  Require(node.kind == NodeKind::kMesh, "only meshes join sets");
  for (int face : faces) {
    Require(face >= 0 && face < static_cast<int>(node.mesh.faceCounts.size()), "a face is out of range");
  }
  sets_[static_cast<std::size_t>(set)].members.push_back({mesh, instance, false, std::move(faces)});
  AddMembership(set, mesh);
}

void Scene::Select(NodeId node) {
  CheckNode(node);
  Require(node != kWorld, "the world cannot be selected");
  selection_.push_back(node);
}

void Scene::ClearSelection() { selection_.clear(); }

const Node& Scene::GetNode(NodeId id) const {
  CheckNode(id);
  return nodes_[static_cast<std::size_t>(id)];
}

const ShadingSet& Scene::GetSet(int id) const {
  if (id < 0 || id >= SetCount()) {
    throw std::invalid_argument("unknown set " + std::to_string(id));
  }
  return sets_[static_cast<std::size_t>(id)];
}

std::vector<NodeId> Scene::FirstPath(NodeId node) const {
  std::vector<NodeId> path;
  for (NodeId at = node; at != kWorld; at = GetNode(at).parents.front()) {
    path.insert(path.begin(), at);
  }
  return path;
}

Matrix Scene::PathMatrix(const std::vector<NodeId>& path) const {
  Matrix world = Matrix::Identity();
  for (NodeId id : path) {
    world = GetNode(id).local * world;
  }
  return world;
}

void RequestInterrupt() { SetInterruptRequest(); }

}  // namespace host
