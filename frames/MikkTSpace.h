// Tangent frames as MikkTSpace defines them: the frames Blender, Unity, Unreal, Godot
// and glTF 2.0 viewers rebuild for a mesh that carries no tangents, so that a normal map
// baked in them is read back exactly as it was baked.
#ifndef RL_MIKKTSPACE_H
#define RL_MIKKTSPACE_H

#include <cstddef>

// Computes a tangent and handedness for each corner of an indexed triangle list:
// vertices' positions and normals 3 floats each, texture coordinates 2, and 3 vertex
// numbers a triangle in indices. Vertices equal in position, normal and texture
// coordinates are one, whatever their numbers; a vertex's corners share a tangent unless
// their triangles' texture windings differ or their tangents point opposite ways.
// Writes 4 floats a corner to tangents (read only: the other arrays): the unit tangent,
// along increasing u, and w = +1 where the triangle's (u, v) winding is
// counter-clockwise, -1 where it is clockwise, so that w * cross(normal, tangent) points
// along increasing v. A triangle without area in texture space takes the winding of the
// corners it shares with others; its corners that share none get (1, 0, 0, -1), as do
// corners of triangles with two equal positions that no other triangle shares. Normals
// are taken as unit vectors. Returns false, leaving tangents unspecified, when an index
// is not a vertex's number or memory runs out.
bool RlMikkTSpaceTangents(std::size_t vertices, const float* positions, const float* normals, const float* uvs,
                          std::size_t triangles, const int* indices, float* tangents);

#endif
