// Tangent frames as MikkTSpace defines them: the frames Blender, Unity, Unreal, Godot
// and glTF 2.0 viewers rebuild for a mesh that carries no tangents, so that a normal map
// baked in them is read back exactly as it was baked.
#ifndef RL_MIKKTSPACE_H
#define RL_MIKKTSPACE_H

#include <cstddef>

// Computes a tangent and handedness for each corner of a triangle list given corner by
// corner: positions and normals 3 floats a corner, texture coordinates 2, in the order
// the triangles' corners come (3 corners a triangle). Corners whose position, normal and
// texture coordinates are all equal are one vertex; a vertex's corners share a tangent
// unless their triangles' texture windings differ or their tangents point opposite ways.
// Writes 4 floats a corner to tangents: the unit tangent, along increasing u, and w =
// +1 where the triangle's (u, v) winding is counter-clockwise, -1 where it is clockwise,
// so that w * cross(normal, tangent) points along increasing v. A triangle without area
// in texture space takes the winding of the corners it shares with others; its corners
// that share none get (1, 0, 0, -1), as do corners of triangles with two equal positions
// that no other triangle shares. Normals are taken as unit vectors. Returns false when
// memory runs out, leaving tangents unspecified. Reads no more than it is given: 8
// floats and 4 written a corner.
bool RlMikkTSpaceTangents(std::size_t triangles, const float* positions, const float* normals, const float* uvs,
                          float* tangents);

#endif
