// Internal: triangulation of one polygon.
#ifndef HOST_TRIANGULATE_H
#define HOST_TRIANGULATE_H

#include <vector>

namespace host {

// Ear clipping in the plane of the polygon's Newell normal. corners holds x, y, z of
// each polygon vertex in order. Fills *triangles (emptied first) with the
// polygon-relative corners of n - 2 triangles, three per triangle, in the polygon's
// winding; nothing when the polygon has no area or no ear can be cut (it crosses
// itself). Working memory is kept per thread between calls: no allocation per polygon.
void Triangulate(const std::vector<double>& corners, std::vector<int>* triangles);

}  // namespace host

#endif
