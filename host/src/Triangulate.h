// Internal: triangulation of one polygon.
#ifndef HOST_TRIANGULATE_H
#define HOST_TRIANGULATE_H

#include <vector>

namespace host {

// Every polygon of n corners gives n - 2 triangles, so that nothing a file holds is
// lost: ear clipping in the plane of the polygon's Newell normal, in the polygon's
// winding; where no ear can be cut (the polygon crosses itself or revisits its corners)
// a fan over the corners left, and a polygon without area (or with non-finite corners)
// a fan over all of them. corners holds x, y, z of each polygon vertex in order.
// Fills *triangles (emptied first) with polygon-relative corners, three per triangle.
// Working memory is kept per thread between calls: no allocation per polygon.
void Triangulate(const std::vector<double>& corners, std::vector<int>* triangles);

}  // namespace host

#endif
