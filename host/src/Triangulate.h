// Internal: triangulation of one polygon.
#ifndef HOST_TRIANGULATE_H
#define HOST_TRIANGULATE_H

#include <vector>

namespace host {

// Ear clipping in the plane of the polygon's Newell normal. corners holds x, y, z of
// each polygon vertex in order. Returns the polygon-relative corners of n - 2 triangles,
// three per triangle, in the polygon's winding; nothing when the polygon has no area or
// no ear can be cut (it crosses itself).
std::vector<int> Triangulate(const std::vector<double>& corners);

}  // namespace host

#endif
