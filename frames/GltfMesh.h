// A welded mesh as a glTF 2.0 file carries it, with tangents in the frames a viewer
// rebuilds, and those frames inside a triangle. rlf weld writes these meshes, and the
// baker and rlf render build their frames from them, so that a map baked for a welded
// mesh is read back by a viewer in the frames it was baked in.
#ifndef RL_GLTF_MESH_H
#define RL_GLTF_MESH_H

#include <vector>

#include "RlFileIO.h"

struct RlGltfVertex {
  float position[3];
  float normal[3];   // unit; (0, 0, 1) where the stored normal has no length
  float tangent[4];  // the unit tangent, and in w the handedness: +1 or -1
  float uv[2];       // u, and v measured down the image from its top (1 - the host's v)
};

// Which tangents the vertices get.
enum class RlTangentBasis {
  // MikkTSpace's, computed from the glTF vertices: what Blender, Unity, Unreal, Godot and
  // glTF viewers rebuild for a mesh without tangents.
  kMikkTSpace,
  // The library's own (RlCreateVertexBuffers), with the handedness of each triangle's
  // texture winding.
  kLibrary,
};

// A triangle list as the glb of rlf weld holds it: the vertices, and per triangle, in
// order, its corners' vertex numbers. All three corners of a triangle have the same w:
// +1 where its texture coordinates (u, host v) wind counter-clockwise, -1 where they wind
// clockwise (a triangle without texture area takes the winding of its neighbours), so that
// w * cross(N, T) points towards increasing host v, up the image, which glTF calls +Y of
// a tangent-space normal map.
struct RlGltfMesh {
  std::vector<RlGltfVertex> vertices;
  std::vector<RlIndex> indices;
};

// Welds tris (read only) with RlCreateVertexBuffers into *mesh, with tangents in basis.
// A welded vertex whose corners differ in tangent or handedness becomes one vertex for
// each, as glTF holds one tangent a vertex; vertices equal in every attribute are one.
// False when tris is empty or memory runs out.
bool RlWeldGltfMesh(const std::vector<RlRawTriangle>& tris, RlTangentBasis basis, RlGltfMesh* mesh);

#endif
