// Scene files for the export benchmarks: UV-mapped grids of quads with normals, as one
// mesh or as 2,000 meshes, written as OBJ (quads, v/vt/vn), binary glTF (triangles),
// binary PLY (quads with normals and texture coordinates) or binary STL (triangles).
#ifndef BENCH_GRID_FILES_H
#define BENCH_GRID_FILES_H

#include <cstdint>
#include <string>

enum class GridFormat { kObj, kGlb, kPly, kStl };

// Writes a grid scene of `triangles` triangles (a multiple of 200,000) to path, unless a
// file of that name is already there. Returns false when it cannot be written.
bool WriteGridFile(const std::string& path, GridFormat format, int64_t triangles, bool manyMeshes);

// Writes a glTF scene of `nodes` nodes side by side, each placing the one mesh (a
// triangle), unless a file of that name is already there: a scene graph as large as
// a scene's geometry is small. Returns false when it cannot be written.
bool WriteNodesFile(const std::string& path, int64_t nodes);

#endif
