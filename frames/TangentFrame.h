// The tangent frame inside a triangle of a glTF mesh, as a viewer builds it for each
// fragment, and normals carried into and out of it. Decoding follows the viewers (and
// Blender's Normal Map node) exactly; encoding is its exact inverse, so a map baked with
// RlToTangentSpace and shown with RlFromTangentSpace gives back the baked normals.
#ifndef RL_TANGENT_FRAME_H
#define RL_TANGENT_FRAME_H

#include "GltfMesh.h"

// How the bitangent is built.
enum class RlBitangent {
  // Per fragment, from the interpolated normal and tangent: Blender, Unreal, Unity's HDRP,
  // and MikkTSpace's own definition.
  kPixel,
  // At each vertex, then interpolated: Unity's built-in pipeline.
  kVertex,
};

// Tangent, bitangent and normal, as interpolated: not of unit length.
struct RlTangentFrame {
  double tangent[3];
  double bitangent[3];
  double normal[3];
};

// The frame at barycentric weights w[3] of the triangle with corners c[3] (read only):
// T and N interpolated and not normalised, B = s * cross(N, T) (kPixel) or the
// corners' s * cross(N, T) interpolated (kVertex), s the triangle's handedness (c[0]'s w).
// Where the three leave no volume (a tangent along the normal, or none), an orthonormal
// frame around the normal takes their place, with a tangent as close to T as there is.
RlTangentFrame RlTangentFrameAt(const RlGltfVertex* const c[3], const double w[3], RlBitangent bitangent);

// The unit direction a tangent-space normal m (any length) stands for: m[0] T + m[1] B +
// m[2] N, normalised. A zero m gives the normalised N.
void RlFromTangentSpace(const RlTangentFrame& f, const double m[3], double out[3]);

// The unit tangent-space normal whose direction RlFromTangentSpace gives back as that of
// n (any length): the inverse of the frame's matrix applied to n, normalised.
void RlToTangentSpace(const RlTangentFrame& f, const double n[3], double out[3]);

#endif
