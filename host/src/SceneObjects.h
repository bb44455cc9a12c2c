// Internal: the SDK handles of scene nodes and sets.
#ifndef HOST_SCENE_OBJECTS_H
#define HOST_SCENE_OBJECTS_H

#include <maya/MDagPath.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>

#include "host/Scene.h"

namespace host {

MObject ObjectOfNode(NodeId node);
MObject ObjectOfSet(int set);
// The node at the end of a path; the world for the empty path.
NodeId NodeOfPath(const MDagPath& path);
// Stores a status where the caller asked for one.
inline void SetStatus(MStatus* status, MStatus value) {
  if (status != nullptr) {
    *status = value;
  }
}

// The mesh a function set or walker works on: the node itself, or a transform's first
// mesh child; -1 when there is none.
NodeId MeshBelow(NodeId node);

}  // namespace host

#endif
