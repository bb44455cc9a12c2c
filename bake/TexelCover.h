// Which triangle covers each texel centre. Texture-space corners are snapped to 1/256
// of a texel and every test is exact integer arithmetic, with a top-left fill rule: a
// centre on an edge that two triangles share belongs to exactly one of them, so a mesh
// without overlapping islands covers each texel at most once and leaves no gaps.
#ifndef RL_TEXEL_COVER_H
#define RL_TEXEL_COVER_H

#include <cstdint>
#include <vector>

struct RlTexelCover {
  std::vector<int32_t> owner;  // per texel, rows from the top: the triangle, or -1
  long long covered = 0;
  long long overlapped = 0;  // texels a second triangle covered too (the first keeps them)
  long long outside = 0;     // triangles left out for coordinates too far from the image
};

// uv holds 6 floats per triangle: its corners' texture coordinates in texels, x right
// and y down. Fills *cover for an image of width x height; false when out of memory.
bool RlCoverTexels(const std::vector<double>& uv, int width, int height, RlTexelCover* cover);

#endif
