#include "TexelCover.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr double kSubTexels = 256;
// Snapped coordinates stay below 2^29 in size, so every edge function fits 62 bits.
constexpr double kLimit = 536870912.0;

struct Point {
  int64_t x, y;
};

// Twice the signed area of a, b, p: positive when p lies to the left of a->b with y
// down the image (clockwise on screen).
int64_t Edge(Point a, Point b, Point p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); }

// Of an edge and its reverse, exactly one owns the centres that lie on it.
bool Owns(Point a, Point b) { return b.y < a.y || (b.y == a.y && b.x > a.x); }

}  // namespace

bool RlCoverTexels(const std::vector<double>& uv, int width, int height, RlTexelCover* cover) {
  const std::size_t texels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  try {
    cover->owner.assign(texels, -1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  cover->covered = cover->overlapped = cover->outside = 0;
  std::vector<bool> counted;  // texels whose overlap is counted
  const std::size_t numTris = uv.size() / 6;
  for (std::size_t t = 0; t < numTris; ++t) {
    Point p[3];
    bool inRange = true;
    for (int i = 0; i < 3; ++i) {
      const double x = uv[6 * t + 2 * i] * kSubTexels, y = uv[6 * t + 2 * i + 1] * kSubTexels;
      inRange = inRange && std::fabs(x) < kLimit && std::fabs(y) < kLimit;  // false for NaN
      if (inRange) p[i] = {std::llround(x), std::llround(y)};
    }
    if (!inRange) {
      ++cover->outside;
      continue;
    }
    const int64_t area = Edge(p[0], p[1], p[2]);
    if (area == 0) continue;
    if (area < 0) std::swap(p[1], p[2]);  // mirrored islands: the same rule, other way round
    const bool owns[3] = {Owns(p[0], p[1]), Owns(p[1], p[2]), Owns(p[2], p[0])};
    const auto range = [](int64_t a, int64_t b, int64_t c, int size, int* first, int* last) {
      // Centres at 256 k + 128 within [min, max].
      const int64_t lo = std::min({a, b, c}), hi = std::max({a, b, c});
      *first = static_cast<int>(std::max<int64_t>(0, (lo - 128 + 255) >> 8));
      *last = static_cast<int>(std::min<int64_t>(size - 1, (hi - 128) >> 8));
    };
    int x0, x1, y0, y1;
    range(p[0].x, p[1].x, p[2].x, width, &x0, &x1);
    range(p[0].y, p[1].y, p[2].y, height, &y0, &y1);
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const Point c{256 * int64_t{x} + 128, 256 * int64_t{y} + 128};
        const int64_t e[3] = {Edge(p[0], p[1], c), Edge(p[1], p[2], c), Edge(p[2], p[0], c)};
        if (!((e[0] > 0 || (e[0] == 0 && owns[0])) && (e[1] > 0 || (e[1] == 0 && owns[1])) &&
              (e[2] > 0 || (e[2] == 0 && owns[2])))) {
          continue;
        }
        const std::size_t at =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
        if (cover->owner[at] < 0) {
          cover->owner[at] = static_cast<int32_t>(t);
          ++cover->covered;
          continue;
        }
        if (counted.empty()) counted.assign(texels, false);
        if (!counted[at]) {
          counted[at] = true;
          ++cover->overlapped;
        }
      }
    }
  }
  return true;
}
