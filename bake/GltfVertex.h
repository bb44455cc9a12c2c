// A welded vertex as a glTF 2.0 file carries it, and the tangent frame a glTF renderer
// rebuilds from such vertices inside a triangle. rlf weld writes its vertices through
// RlToGltfVertex, and the baker builds its frames through RlGltfFrameAt, so that a map
// baked for a welded mesh is read back by a viewer in the frames it was baked in.
#ifndef RL_GLTF_VERTEX_H
#define RL_GLTF_VERTEX_H

#include <vector>

#include "RlFileIO.h"

struct RlGltfVertex {
  float position[3];
  float normal[3];   // unit; (0, 0, 1) where the stored normal has no length
  float tangent[4];  // the unit tangent, and in w the side of the binormal: +1 or -1
  float uv[2];       // u, and v measured down the image from its top (1 - the host's v)
};

// The vertex's attributes rounded to floats. w is +1 when the binormal lies on the side
// of cross(normal, tangent), else -1: so w * cross(N, T) points towards increasing host
// v, up the image, which glTF calls +Y of a tangent-space normal map.
RlGltfVertex RlToGltfVertex(const RlTangentPointD& v);

// A triangle list as the glb of rlf weld holds it: the welded vertices, and per
// triangle, in order, its corners' vertex numbers.
struct RlGltfMesh {
  std::vector<RlGltfVertex> vertices;
  std::vector<RlIndex> indices;
};

// Welds tris (read only) with RlCreateVertexBuffers into *mesh. False when tris is empty
// or memory runs out.
bool RlWeldGltfMesh(const std::vector<RlRawTriangle>& tris, RlGltfMesh* mesh);

// A tangent frame in double precision: unit tangent, bitangent and normal.
struct RlGltfFrame {
  double tangent[3];
  double bitangent[3];
  double normal[3];
};

// The frame at barycentric weights w[3] of a triangle with corners c[3], as glTF
// renderers build it per fragment: N and T interpolated and normalised, T made
// perpendicular to N, B = w * cross(N, T), with w the sign of the interpolated w.
RlGltfFrame RlGltfFrameAt(const RlGltfVertex* const c[3], const double w[3]);

#endif
