// The in-memory scene behind the host stand-in: a DAG of transforms and mesh shapes,
// shading sets, the active selection and the interrupt hook of computations. Tests and
// tools build scenes here; the plug-in sees them only through the SDK classes.
#ifndef HOST_SCENE_H
#define HOST_SCENE_H

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/HostApi.h"
#include "host/Matrix.h"

namespace host {

using NodeId = int;
inline constexpr NodeId kWorld = 0;

// A polygon mesh in object space. Every face-vertex names a point, a normal and a
// texture coordinate (or -1: unmapped) by index into the pools.
struct MeshDesc {
  std::vector<float> points;       // x, y, z per vertex
  std::vector<int> faceCounts;     // vertices per polygon, 3 or more
  std::vector<int> faceVerts;      // vertex ids, polygon after polygon
  std::vector<float> normals;      // x, y, z per normal
  std::vector<int> faceNormalIds;  // one per face-vertex
  std::vector<float> u, v;         // the mesh's one UV set
  std::vector<int> faceUVIds;      // one per face-vertex, -1 when unmapped; may be empty
};

enum class NodeKind { kWorldNode, kTransform, kMesh };

struct Node {
  std::string name;
  NodeKind kind;
  std::vector<NodeId> parents;   // more than one: an instanced node
  std::vector<NodeId> children;  // in creation order
  Matrix local;                  // transforms only
  MeshDesc mesh;                 // meshes only
  std::vector<int> faceStarts;   // meshes: where each polygon starts in faceVerts
};

struct SetMembership {
  NodeId mesh;
  unsigned instance;
  bool wholeObject;
  std::vector<int> faces;  // when not the whole object
};

struct ShadingSet {
  std::string name;
  bool renderable;
  std::vector<SetMembership> members;
};

// How the computations of an export went: for tests.
struct ComputationLog {
  int begun = 0;
  int ended = 0;
  int polls = 0;           // of the running computation
  long long polygons = 0;  // walked by polygon iterators since it began
};

class HOST_API Scene {
 public:
  // The one scene of the process, shared by the host, the tests and the plug-in.
  static Scene& Active();

  // Back to an empty scene (the world alone), no selection, no interrupt.
  void Reset();

  // Each throws std::invalid_argument, naming the problem, on an unknown node or set,
  // a parent of the wrong kind, or a mesh whose indices or sizes do not agree.
  NodeId AddTransform(const std::string& name, NodeId parent = kWorld, const Matrix& local = Matrix::Identity());
  NodeId AddMesh(const std::string& name, NodeId parent, MeshDesc mesh);
  void AddParent(NodeId node, NodeId extraParent);  // instancing
  int AddShadingSet(const std::string& name, bool renderable = true);
  void SetRenderable(int set, bool renderable);  // as a set's "renderable" attribute is switched
  void AssignObject(int set, NodeId mesh, unsigned instance = 0);
  void AssignFaces(int set, NodeId mesh, std::vector<int> faces, unsigned instance = 0);

  // The active selection: a node's first path (a transform or a shape).
  void Select(NodeId node);
  void ClearSelection();
  const std::vector<NodeId>& Selection() const { return selection_; }

  // Computations report an interrupt from the polls-th poll after they begin (-1: never).
  void InterruptAfter(int polls) { interruptAfter_ = polls; }
  int InterruptAfterPolls() const { return interruptAfter_; }
  ComputationLog& Computations() { return computations_; }
  // Told how the running computation stands at each of its polls (for progress).
  using PollObserverFn = std::function<void(const ComputationLog&)>;
  void SetPollObserver(PollObserverFn observer) { pollObserver_ = std::move(observer); }
  const PollObserverFn& PollObserver() const { return pollObserver_; }

  const Node& GetNode(NodeId id) const;
  int NodeCount() const { return static_cast<int>(nodes_.size()); }
  const ShadingSet& GetSet(int id) const;
  // The sets a mesh belongs to, in set order, each with the index of its member entry:
  // answered without a walk over every set.
  struct Membership {
    int set;
    std::size_t member;
  };
  const std::vector<Membership>& MembershipsOf(NodeId mesh) const;
  int SetCount() const { return static_cast<int>(sets_.size()); }
  // The first path from the world to a node: the nodes below the world, top first.
  std::vector<NodeId> FirstPath(NodeId node) const;
  // The world matrix of a path (row vectors: a point p goes to p * M).
  Matrix PathMatrix(const std::vector<NodeId>& path) const;

 private:
  Scene();
  NodeId AddNode(Node node, NodeId parent);
  void CheckNode(NodeId id) const;
  void AddMembership(int set, NodeId mesh);

  std::deque<Node> nodes_;  // a deque: nodes never move, so a large scene grows without copying them
  std::vector<ShadingSet> sets_;
  std::vector<std::vector<Membership>> memberships_;  // by mesh node
  std::vector<NodeId> selection_;
  int interruptAfter_ = -1;
  ComputationLog computations_;
  PollObserverFn pollObserver_;
};

// Asks the running computation to stop: safe to call from a signal handler.
HOST_API void RequestInterrupt();

}  // namespace host

#endif
