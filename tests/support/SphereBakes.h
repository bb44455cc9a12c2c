// How far a map baked from the bumped sphere onto the smooth one strays from the
// analytic normals, read back as a glTF viewer reads it.
#ifndef TESTS_SUPPORT_SPHERE_BAKES_H
#define TESTS_SUPPORT_SPHERE_BAKES_H

#include <vector>

#include "RlBake.h"

// Angles in degrees between the bumped sphere's analytic normal and the map's normal,
// rounded to 8 bits and decoded in the frames of low welded as rlf weld welds it, at
// every texel centre a low triangle covers (the first that covers it); the analytic
// normal is taken where the texel centre's ray along low's normal meets the surface.
std::vector<double> BumpAngleErrors(const std::vector<RlRawTriangle>& low, const RlBakeMap& map);

#endif
