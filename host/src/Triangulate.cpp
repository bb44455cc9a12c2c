#include "Triangulate.h"

#include <cmath>

namespace host {

namespace {

struct Point2 {
  double x, y;
};

// Twice the signed area of a, b, c: positive when they turn counter-clockwise.
double Cross(const Point2& a, const Point2& b, const Point2& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool SamePoint(const Point2& p, const Point2& q) { return p.x == q.x && p.y == q.y; }

// Inside the counter-clockwise triangle a, b, c or on its edges, but not at one of its
// corners (a polygon may pass through one of its vertices twice).
bool Blocks(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
  return Cross(a, b, p) >= 0 && Cross(b, c, p) >= 0 && Cross(c, a, p) >= 0 && !SamePoint(p, a) && !SamePoint(p, b) &&
         !SamePoint(p, c);
}

// The corners 0 to n - 1.
const std::vector<int>& FirstCorners(int n) {
  thread_local std::vector<int> corners;
  corners.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) corners[static_cast<std::size_t>(i)] = i;
  return corners;
}

// The triangles of a fan from the first of `corners` over the others, appended.
void Fan(const std::vector<int>& corners, std::vector<int>* triangles) {
  for (std::size_t i = 1; i + 1 < corners.size(); ++i) {
    triangles->insert(triangles->end(), {corners[0], corners[i], corners[i + 1]});
  }
}

// The position in remaining of an ear: a convex corner with no other remaining vertex
// inside; a corner on a straight line only when no convex ear is left. remaining.size()
// when there is none.
std::size_t FindEar(const std::vector<Point2>& points, const std::vector<int>& remaining) {
  const std::size_t m = remaining.size();
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < m; ++i) {
      const Point2& a = points[static_cast<std::size_t>(remaining[(i + m - 1) % m])];
      const Point2& b = points[static_cast<std::size_t>(remaining[i])];
      const Point2& c = points[static_cast<std::size_t>(remaining[(i + 1) % m])];
      const double turn = Cross(a, b, c);
      if (pass == 0 ? turn <= 0 : turn < 0) {
        continue;
      }
      bool empty = true;
      for (std::size_t j = 0; j < m && empty; ++j) {
        if (j != i && j != (i + m - 1) % m && j != (i + 1) % m) {
          empty = !Blocks(points[static_cast<std::size_t>(remaining[j])], a, b, c);
        }
      }
      if (empty) return i;
    }
  }
  return m;
}

}  // namespace

void Triangulate(const std::vector<double>& corners, std::vector<int>* triangles) {
  triangles->clear();
  const int n = static_cast<int>(corners.size() / 3);
  // Newell normal: its length is twice the polygon's area.
  double normal[3] = {0, 0, 0};
  for (int i = 0; i < n; ++i) {
    const double* a = &corners[3 * static_cast<std::size_t>(i)];
    const double* b = &corners[3 * static_cast<std::size_t>((i + 1) % n)];
    normal[0] += (a[1] - b[1]) * (a[2] + b[2]);
    normal[1] += (a[2] - b[2]) * (a[0] + b[0]);
    normal[2] += (a[0] - b[0]) * (a[1] + b[1]);
  }
  // Project along the normal's largest axis, keeping the polygon counter-clockwise.
  int axis = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(normal[k]) > std::fabs(normal[axis])) {
      axis = k;
    }
  }
  if (!(std::fabs(normal[axis]) > 0.0) || !std::isfinite(normal[axis])) {
    Fan(FirstCorners(n), triangles);  // no plane to cut ears in
    return;
  }
  const int u = (axis + 1) % 3, v = (axis + 2) % 3;
  const double flip = normal[axis] > 0 ? 1.0 : -1.0;
  thread_local std::vector<Point2> points;
  thread_local std::vector<int> remaining;
  points.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    points[static_cast<std::size_t>(i)] = {corners[3 * static_cast<std::size_t>(i) + u],
                                           flip * corners[3 * static_cast<std::size_t>(i) + v]};
  }

  remaining.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    remaining[static_cast<std::size_t>(i)] = i;
  }
  // Cut ears until three corners remain.
  while (remaining.size() > 3) {
    const std::size_t m = remaining.size();
    const std::size_t ear = FindEar(points, remaining);
    if (ear == m) {
      Fan(remaining, triangles);  // no ear: the polygon crosses itself or revisits corners
      return;
    }
    triangles->insert(triangles->end(), {remaining[(ear + m - 1) % m], remaining[ear], remaining[(ear + 1) % m]});
    remaining.erase(remaining.begin() + static_cast<long>(ear));
  }
  triangles->insert(triangles->end(), remaining.begin(), remaining.end());
}

}  // namespace host
