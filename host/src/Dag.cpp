// DAG paths, the DAG walker, DAG node function sets and the selection.
#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MGlobal.h>
#include <maya/MItDag.h>
#include <maya/MItSelectionList.h>
#include <maya/MSelectionList.h>

#include "SceneObjects.h"

namespace host {

MObject ObjectOfNode(NodeId node) {
  switch (Scene::Active().GetNode(node).kind) {
    case NodeKind::kWorldNode:
      return MObject(MFn::kWorld, node);
    case NodeKind::kTransform:
      return MObject(MFn::kTransform, node);
    case NodeKind::kMesh:
      return MObject(MFn::kMesh, node);
  }
  return MObject();
}

MObject ObjectOfSet(int set) {
  return MObject(Scene::Active().GetSet(set).renderable ? MFn::kShadingEngine : MFn::kSet, set);
}

NodeId NodeOfPath(const MDagPath& path) { return path.nodes().empty() ? kWorld : path.nodes().back(); }

NodeId MeshBelow(NodeId node) {
  const Scene& scene = Scene::Active();
  const Node& n = scene.GetNode(node);
  if (n.kind == NodeKind::kMesh) {
    return node;
  }
  if (n.kind == NodeKind::kTransform) {
    for (NodeId child : n.children) {
      if (scene.GetNode(child).kind == NodeKind::kMesh) {
        return child;
      }
    }
  }
  return -1;
}

namespace {

// Every path to a node, in the order of its parents (the world's is the empty path).
std::vector<std::vector<NodeId>> PathsTo(NodeId node) {
  if (node == kWorld) {
    return {{}};
  }
  std::vector<std::vector<NodeId>> paths;
  for (NodeId parent : Scene::Active().GetNode(node).parents) {
    for (std::vector<NodeId> path : PathsTo(parent)) {
      path.push_back(node);
      paths.push_back(std::move(path));
    }
  }
  return paths;
}

}  // namespace

}  // namespace host

using host::NodeId;

MDagPath::~MDagPath() = default;
MItDag::~MItDag() = default;
MFnBase::~MFnBase() = default;
MFnDagNode::~MFnDagNode() = default;
MSelectionList::~MSelectionList() = default;
MItSelectionList::~MItSelectionList() = default;

bool MDagPath::hasFn(MFn::Type type, MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  const NodeId node = host::NodeOfPath(*this);
  if (host::ObjectOfNode(node).hasFn(type)) {
    return true;
  }
  // A transform answers for its shapes too.
  const host::Scene& scene = host::Scene::Active();
  if (scene.GetNode(node).kind != host::NodeKind::kTransform) {
    return false;
  }
  for (NodeId child : scene.GetNode(node).children) {
    if (scene.GetNode(child).kind == host::NodeKind::kMesh && host::ObjectOfNode(child).hasFn(type)) {
      return true;
    }
  }
  return false;
}

unsigned int MDagPath::length(MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return static_cast<unsigned>(nodes_.size());
}

MStatus MDagPath::pop(unsigned num) {
  if (num > nodes_.size()) {
    return MStatus::kInvalidParameter;
  }
  nodes_.resize(nodes_.size() - num);
  return MStatus::kSuccess;
}

MObject MDagPath::node(MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return host::ObjectOfNode(host::NodeOfPath(*this));
}

unsigned MDagPath::instanceNumber(MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  const auto paths = host::PathsTo(host::NodeOfPath(*this));
  for (unsigned i = 0; i < paths.size(); ++i) {
    if (paths[i] == nodes_) {
      return i;
    }
  }
  return 0;
}

MItDag::MItDag(TraversalType type, MFn::Type filter, MStatus* ReturnStatus) : type_(type), filter_(filter) {
  if (type != kDepthFirst && type != kBreadthFirst) {
    done_ = true;
    host::SetStatus(ReturnStatus, MStatus::kInvalidParameter);
    return;
  }
  // The walk starts at the world.
  nextChild_.push_back(0);
  if (type == kBreadthFirst) queue_.emplace_back();
  while (!Matches() && Advance()) {
  }
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
}

const std::vector<int>& MItDag::Current() const { return type_ == kDepthFirst ? path_ : queue_.front(); }

NodeId MItDag::CurrentNode() const { return Current().empty() ? host::kWorld : Current().back(); }

bool MItDag::Matches() const { return filter_ == MFn::kInvalid || host::ObjectOfNode(CurrentNode()).hasFn(filter_); }

bool MItDag::Advance() {
  const host::Scene& scene = host::Scene::Active();
  if (type_ == kBreadthFirst) {
    // Parents before children, level by level.
    std::vector<NodeId> path = std::move(queue_.front());
    queue_.pop_front();
    for (NodeId child : scene.GetNode(path.empty() ? host::kWorld : path.back()).children) {
      queue_.push_back(path);
      queue_.back().push_back(child);
    }
    done_ = queue_.empty();
    return !done_;
  }
  // Parents before their children, children in creation order.
  for (;;) {
    const auto& children = scene.GetNode(path_.empty() ? host::kWorld : path_.back()).children;
    if (nextChild_.back() < children.size()) {
      path_.push_back(children[nextChild_.back()++]);
      nextChild_.push_back(0);
      return true;
    }
    if (path_.empty()) {
      done_ = true;
      return false;
    }
    path_.pop_back();
    nextChild_.pop_back();
  }
}

MObject MItDag::item(MStatus* ReturnStatus) {
  if (isDone()) {
    host::SetStatus(ReturnStatus, MStatus::kFailure);
    return MObject();
  }
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return host::ObjectOfNode(CurrentNode());
}

MStatus MItDag::next() {
  if (isDone()) {
    return MStatus::kFailure;
  }
  while (Advance() && !Matches()) {
  }
  return MStatus::kSuccess;
}

bool MItDag::isDone(MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return done_;
}

MStatus MItDag::getPath(MDagPath& path) const {
  if (isDone()) {
    return MStatus::kFailure;
  }
  path = MDagPath(Current());
  return MStatus::kSuccess;
}

MFnDagNode::MFnDagNode(MObject& object, MStatus* ret) { host::SetStatus(ret, setObject(object)); }
MFnDagNode::MFnDagNode(const MObject& object, MStatus* ret) { host::SetStatus(ret, setObject(object)); }
MFnDagNode::MFnDagNode(const MDagPath& object, MStatus* ret) { host::SetStatus(ret, setObject(object)); }

MStatus MFnDagNode::setObject(const MDagPath& path) {
  node_ = host::NodeOfPath(path);
  hasPath_ = true;
  path_ = path;
  return MStatus::kSuccess;
}

MStatus MFnDagNode::setObject(MObject& object) { return setObject(static_cast<const MObject&>(object)); }

MStatus MFnDagNode::setObject(const MObject& object) {
  hasPath_ = false;
  path_ = MDagPath();
  if (!object.hasFn(MFn::kDagNode)) {
    node_ = -1;
    return MStatus::kInvalidParameter;
  }
  node_ = object.id();
  return MStatus::kSuccess;
}

bool MFnDagNode::isIntermediateObject(MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, node_ >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
  return false;
}

MStatus MSelectionList::add(const MDagPath& object, const MObject&, const bool) {
  items_.push_back(object);
  return MStatus::kSuccess;
}

unsigned MSelectionList::length(MStatus* ReturnStatus) const {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return static_cast<unsigned>(items_.size());
}

MStatus MSelectionList::getDagPath(unsigned index, MDagPath& dagPath, MObject& component) const {
  if (index >= items_.size()) {
    return MStatus::kInvalidParameter;
  }
  dagPath = items_[index];
  component = MObject();
  return MStatus::kSuccess;
}

MStatus MSelectionList::clear() {
  items_.clear();
  return MStatus::kSuccess;
}

MStatus MGlobal::getActiveSelectionList(MSelectionList& dest) {
  const host::Scene& scene = host::Scene::Active();
  dest.clear();
  for (NodeId node : scene.Selection()) {
    dest.add(MDagPath(scene.FirstPath(node)));
  }
  return MStatus::kSuccess;
}

MItSelectionList::MItSelectionList(const MSelectionList& list, MFn::Type filter, MStatus* ReturnStatus)
    : list_(list), filter_(filter) {
  SkipUnmatched();
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
}

void MItSelectionList::SkipUnmatched() {
  MDagPath path;
  while (current_ < list_.length() && filter_ != MFn::kInvalid &&
         !(list_.getDagPath(current_, path), path.node().hasFn(filter_))) {
    ++current_;
  }
}

bool MItSelectionList::isDone(MStatus* ReturnStatus) {
  host::SetStatus(ReturnStatus, MStatus::kSuccess);
  return current_ >= list_.length();
}

MStatus MItSelectionList::next() {
  if (isDone()) {
    return MStatus::kFailure;
  }
  ++current_;
  SkipUnmatched();
  return MStatus::kSuccess;
}

MStatus MItSelectionList::getDagPath(MDagPath& dagPath, MObject& component) {
  if (isDone()) {
    return MStatus::kFailure;
  }
  return list_.getDagPath(current_, dagPath, component);
}

MStatus MItSelectionList::getDagPath(MDagPath& dagPath) {
  MObject component;
  return getDagPath(dagPath, component);
}
