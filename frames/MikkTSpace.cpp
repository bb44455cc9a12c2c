// MikkTSpace frames. The steps:
//  1. Corners equal in position, normal and texture coordinates become one vertex.
//  2. Triangles with two equal positions are set aside; each other triangle gets the
//     directions of increasing u and v over its surface, signed by its texture winding,
//     and the magnitudes of those derivatives.
//  3. At each vertex, the triangles around it that share its winding and are connected
//     through edges form a group; a triangle without texture area joins the first group
//     that reaches it, taking its winding.
//  4. Within a group, each corner's frame averages, weighted by the corner angles, the
//     directions of the group's triangles, leaving out triangles whose directions point
//     opposite to the corner's own.
//  5. The set-aside triangles copy the frame of the first corner elsewhere at their vertex.
#include "MikkTSpace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <vector>

namespace {

// Below the smallest normal float, an area, length or magnitude counts as zero.
constexpr float kTiny = 1.17549435e-38f;
// Tangents whose cosine is this or less point opposite ways.
constexpr float kOpposite = -1.0f;
// In a group larger than this (a fan of hundreds of triangles around one vertex), every
// triangle counts towards every corner's frame, so that the work stays linear in the
// group's size rather than growing with its square.
constexpr std::size_t kLargestComparedGroup = 256;

// The arithmetic is single precision, operation for operation as the frames are defined,
// so that decisions on the edge (two tangents exactly opposite, a texture area that
// rounds to zero) fall the same way as in every other implementation.
struct Vec {
  float x = 0, y = 0, z = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(float s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
float Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float Length(Vec a) { return std::sqrt(Dot(a, a)); }
bool NotZero(float x) { return std::fabs(x) > kTiny; }
bool NotZero(Vec a) { return NotZero(a.x) || NotZero(a.y) || NotZero(a.z); }
Vec Normalised(Vec a) { return (1 / Length(a)) * a; }
// a with its component along the unit vector n removed, then made unit length if it has any.
Vec Projected(Vec a, Vec n) {
  const Vec p = a - Dot(n, a) * n;
  return NotZero(p) ? Normalised(p) : p;
}

// What each triangle that is not set aside knows.
struct Triangle {
  int corner = 0;                   // its first corner
  int neighbour[3] = {-1, -1, -1};  // across the edge from corner i to i + 1
  int group[3] = {-1, -1, -1};
  Vec os, ot;  // unit directions of increasing u and v, times the winding's sign
  float magS = 0, magT = 0;
  bool orientPreserving = false;  // counter-clockwise in texture space
  bool groupWithAny = true;       // no derivatives: joins the first group reaching it
};

struct Group {
  int vertex;  // the corner standing for the group's vertex
  bool orientPreserving;
  std::size_t begin, end;  // its triangles in the members list
};

// The average of a set of triangles' directions at a vertex.
struct Frame {
  Vec os, ot;
  float magS = 0, magT = 0;
};

class Builder {
 public:
  Builder(std::size_t vertices, const float* positions, const float* normals, const float* uvs, std::size_t triangles,
          const int* indices, float* tangents)
      : vertices_(vertices),
        n_(triangles),
        positions_(positions),
        normals_(normals),
        uvs_(uvs),
        indices_(indices),
        out_(tangents) {}

  void Run() {
    WeldVertices();
    SortTriangles();
    DescribeTriangles();
    FindNeighbours();
    BuildGroups();
    for (std::size_t c = 0; c < 3 * n_; ++c) Write(c, {1, 0, 0}, false);
    for (const Group& group : groups_) FramesOfGroup(group);
    FramesOfSetAside();
  }

 private:
  void Write(std::size_t corner, Vec tangent, bool orientPreserving) {
    float* out = &out_[4 * corner];
    out[0] = tangent.x, out[1] = tangent.y, out[2] = tangent.z;
    out[3] = orientPreserving ? 1.0f : -1.0f;
  }

  Vec Position(int c) const { return {positions_[3 * c], positions_[3 * c + 1], positions_[3 * c + 2]}; }
  Vec Normal(int c) const { return {normals_[3 * c], normals_[3 * c + 1], normals_[3 * c + 2]}; }
  bool SamePosition(int a, int b) const {
    return positions_[3 * a] == positions_[3 * b] && positions_[3 * a + 1] == positions_[3 * b + 1] &&
           positions_[3 * a + 2] == positions_[3 * b + 2];
  }

  // A vertex's 8 values as integers in which equal floats are equal (-0 as +0): a total
  // order, whatever the floats hold.
  void Key(std::size_t v, uint32_t key[8]) const {
    const float values[8] = {positions_[3 * v],   positions_[3 * v + 1], positions_[3 * v + 2], normals_[3 * v],
                             normals_[3 * v + 1], normals_[3 * v + 2],   uvs_[2 * v],           uvs_[2 * v + 1]};
    for (int k = 0; k < 8; ++k) {
      const float value = values[k] == 0 ? 0.0f : values[k];
      std::memcpy(&key[k], &value, sizeof value);
    }
  }

  // same_[v]: the first vertex equal to v in position, normal and texture coordinates.
  void WeldVertices() {
    std::vector<uint32_t> keys(8 * vertices_);
    std::vector<int> order(vertices_);
    same_.resize(vertices_);
    for (std::size_t v = 0; v < vertices_; ++v) {
      Key(v, &keys[8 * v]);
      order[v] = static_cast<int>(v);
    }
    std::sort(order.begin(), order.end(), [&keys](int a, int b) {
      const int cmp = std::memcmp(&keys[8 * static_cast<std::size_t>(a)], &keys[8 * static_cast<std::size_t>(b)], 32);
      return cmp != 0 ? cmp < 0 : a < b;
    });
    for (std::size_t i = 0; i < vertices_; ++i) {
      const auto v = static_cast<std::size_t>(order[i]);
      const bool same = i > 0 && std::memcmp(&keys[8 * v], &keys[8 * static_cast<std::size_t>(order[i - 1])], 32) == 0;
      same_[v] = same ? same_[static_cast<std::size_t>(order[i - 1])] : static_cast<int>(v);
    }
  }
  int VertexOf(int corner) const { return same_[static_cast<std::size_t>(indices_[corner])]; }

  // Triangles with area in space first, in their order; those with two equal positions after.
  void SortTriangles() {
    tris_.reserve(n_);
    for (std::size_t t = 0; t < n_; ++t) {
      const int c = 3 * static_cast<int>(t);
      const int a = VertexOf(c), b = VertexOf(c + 1), d = VertexOf(c + 2);
      if (SamePosition(a, b) || SamePosition(a, d) || SamePosition(b, d)) {
        setAside_.push_back(c);
      } else {
        tris_.emplace_back();
        tris_.back().corner = c;
      }
    }
  }

  void DescribeTriangles() {
    for (Triangle& t : tris_) {
      const int c = t.corner;
      const Vec p0 = Position(VertexOf(c)), p1 = Position(VertexOf(c + 1)), p2 = Position(VertexOf(c + 2));
      const float* uv0 = &uvs_[2 * static_cast<std::size_t>(VertexOf(c))];
      const float* uv1 = &uvs_[2 * static_cast<std::size_t>(VertexOf(c + 1))];
      const float* uv2 = &uvs_[2 * static_cast<std::size_t>(VertexOf(c + 2))];
      const float t21x = uv1[0] - uv0[0], t21y = uv1[1] - uv0[1];
      const float t31x = uv2[0] - uv0[0], t31y = uv2[1] - uv0[1];
      const Vec d1 = p1 - p0, d2 = p2 - p0;
      const float area = t21x * t31y - t21y * t31x;
      const Vec os = t31y * d1 - t21y * d2, ot = -t31x * d1 + t21x * d2;
      t.orientPreserving = area > 0;
      if (!NotZero(area)) continue;
      const float lenOs = Length(os), lenOt = Length(ot);
      const float sign = t.orientPreserving ? 1.0f : -1.0f;
      if (NotZero(lenOs)) t.os = (sign / lenOs) * os;
      if (NotZero(lenOt)) t.ot = (sign / lenOt) * ot;
      t.magS = lenOs / std::fabs(area);
      t.magT = lenOt / std::fabs(area);
      t.groupWithAny = !(NotZero(t.magS) && NotZero(t.magT));
    }
  }

  // Each edge's neighbour is the triangle holding the same edge the other way round; of
  // several, the first not yet taken.
  void FindNeighbours() {
    struct Edge {
      int from, to, triangle, edge;
    };
    std::vector<Edge> edges;
    edges.reserve(3 * tris_.size());
    for (std::size_t t = 0; t < tris_.size(); ++t) {
      for (int i = 0; i < 3; ++i) {
        const int c = tris_[t].corner;
        edges.push_back({VertexOf(c + i), VertexOf(c + (i + 1) % 3), static_cast<int>(t), i});
      }
    }
    const auto less = [](const Edge& a, const Edge& b) {
      return a.from != b.from ? a.from < b.from : a.to != b.to ? a.to < b.to : a.triangle < b.triangle;
    };
    std::sort(edges.begin(), edges.end(), less);
    for (std::size_t t = 0; t < tris_.size(); ++t) {
      for (int i = 0; i < 3; ++i) {
        if (tris_[t].neighbour[i] >= 0) continue;
        const int c = tris_[t].corner;
        const Edge reversed{VertexOf(c + (i + 1) % 3), VertexOf(c + i), -1, 0};
        for (auto e = std::lower_bound(edges.begin(), edges.end(), reversed, less);
             e != edges.end() && e->from == reversed.from && e->to == reversed.to; ++e) {
          Triangle& other = tris_[static_cast<std::size_t>(e->triangle)];
          if (other.neighbour[e->edge] >= 0) continue;
          tris_[t].neighbour[i] = e->triangle;
          other.neighbour[e->edge] = static_cast<int>(t);
          break;
        }
      }
    }
  }

  int CornerAt(const Triangle& t, int vertex) const {
    for (int i = 0; i < 3; ++i) {
      if (VertexOf(t.corner + i) == vertex) return i;
    }
    return -1;
  }

  // Each group, from a corner of a triangle with derivatives, spreads through the edges
  // around its vertex to the triangles of its winding, depth first: the edge after the
  // corner, then the edge before it.
  void BuildGroups() {
    std::vector<int> stack;
    for (std::size_t start = 0; start < tris_.size(); ++start) {
      for (int i = 0; i < 3; ++i) {
        Triangle& first = tris_[start];
        if (first.groupWithAny || first.group[i] >= 0) continue;
        const int g = static_cast<int>(groups_.size());
        groups_.push_back({VertexOf(first.corner + i), first.orientPreserving, members_.size(), 0});
        first.group[i] = g;
        members_.push_back(static_cast<int>(start));
        stack.assign({first.neighbour[(i + 2) % 3], first.neighbour[i]});
        while (!stack.empty()) {
          const int at = stack.back();
          stack.pop_back();
          if (at >= 0) Join(at, g, &stack);
        }
        groups_.back().end = members_.size();
      }
    }
  }

  void Join(int triangle, int g, std::vector<int>* stack) {
    Triangle& t = tris_[static_cast<std::size_t>(triangle)];
    const Group& group = groups_[static_cast<std::size_t>(g)];
    const int i = CornerAt(t, group.vertex);
    if (i < 0 || t.group[i] >= 0) return;
    if (t.groupWithAny && t.group[0] < 0 && t.group[1] < 0 && t.group[2] < 0) {
      t.orientPreserving = group.orientPreserving;
    }
    if (t.orientPreserving != group.orientPreserving) return;
    members_.push_back(triangle);
    t.group[i] = g;
    stack->push_back(t.neighbour[(i + 2) % 3]);
    stack->push_back(t.neighbour[i]);
  }

  // The frames of a group's corners. Its triangles are taken in order (so that sums run
  // the same way whatever order the group was found in); each corner's frame averages
  // the triangles whose directions are not opposite to its own triangle's, and corners
  // with the same such set share one frame. The buffers are kept from group to group.
  void FramesOfGroup(const Group& group) {
    const Vec n = Normal(group.vertex);
    std::vector<int>& members = scratch_.members;
    members.assign(members_.begin() + static_cast<std::ptrdiff_t>(group.begin),
                   members_.begin() + static_cast<std::ptrdiff_t>(group.end));
    std::sort(members.begin(), members.end());
    std::vector<Vec>& os = scratch_.os;
    std::vector<Vec>& ot = scratch_.ot;
    os.resize(members.size());
    ot.resize(members.size());
    for (std::size_t m = 0; m < members.size(); ++m) {
      const Triangle& t = tris_[static_cast<std::size_t>(members[m])];
      os[m] = Projected(t.os, n);
      ot[m] = Projected(t.ot, n);
    }
    const auto write = [&](std::size_t m, const Frame& frame) {
      const Triangle& t = tris_[static_cast<std::size_t>(members[m])];
      Write(static_cast<std::size_t>(t.corner + CornerAt(t, group.vertex)), frame.os, group.orientPreserving);
    };
    // The sets met so far, one after another in subsets as positions in members, and
    // their frames.
    std::vector<std::size_t>& subsets = scratch_.subsets;
    std::vector<std::size_t>& starts = scratch_.starts;
    std::vector<Frame>& frames = scratch_.frames;
    subsets.clear();
    starts.assign(1, 0);
    frames.clear();
    if (members.size() > kLargestComparedGroup) {
      for (std::size_t k = 0; k < members.size(); ++k) subsets.push_back(k);
      const Frame frame = Average(subsets, group.vertex, n);
      for (std::size_t m = 0; m < members.size(); ++m) write(m, frame);
      return;
    }
    for (std::size_t m = 0; m < members.size(); ++m) {
      const bool any = tris_[static_cast<std::size_t>(members[m])].groupWithAny;
      const std::size_t begin = subsets.size();
      for (std::size_t k = 0; k < members.size(); ++k) {
        if (any || tris_[static_cast<std::size_t>(members[k])].groupWithAny || k == m ||
            (Dot(os[m], os[k]) > kOpposite && Dot(ot[m], ot[k]) > kOpposite)) {
          subsets.push_back(k);
        }
      }
      const std::size_t length = subsets.size() - begin;
      std::size_t s = 0;
      while (s < frames.size() && !(starts[s + 1] - starts[s] == length &&
                                    std::equal(subsets.begin() + static_cast<std::ptrdiff_t>(starts[s]),
                                               subsets.begin() + static_cast<std::ptrdiff_t>(starts[s + 1]),
                                               subsets.begin() + static_cast<std::ptrdiff_t>(begin)))) {
        ++s;
      }
      if (s < frames.size()) {
        subsets.resize(begin);  // a set met before
      } else {
        frames.push_back(Average(std::span(subsets).subspan(begin), group.vertex, n));
        starts.push_back(subsets.size());
      }
      write(m, frames[s]);
    }
  }

  // The frame at vertex of the members at the given positions: their directions (in the
  // plane perpendicular to n: scratch_.os and ot) and magnitudes, weighted by each one's
  // angle at the vertex.
  Frame Average(std::span<const std::size_t> positions, int vertex, Vec n) const {
    Frame sum;
    float angles = 0;
    for (const std::size_t m : positions) {
      const Triangle& t = tris_[static_cast<std::size_t>(scratch_.members[m])];
      if (t.groupWithAny) continue;
      const int i = CornerAt(t, vertex);
      const Vec p0 = Position(VertexOf(t.corner + (i + 2) % 3)), p1 = Position(vertex),
                p2 = Position(VertexOf(t.corner + (i + 1) % 3));
      const Vec v1 = Projected(p0 - p1, n), v2 = Projected(p2 - p1, n);
      const auto angle = static_cast<float>(std::acos(double{std::clamp(Dot(v1, v2), -1.0f, 1.0f)}));
      sum.os = sum.os + angle * scratch_.os[m];
      sum.ot = sum.ot + angle * scratch_.ot[m];
      sum.magS += angle * t.magS;
      sum.magT += angle * t.magT;
      angles += angle;
    }
    if (NotZero(sum.os)) sum.os = Normalised(sum.os);
    if (NotZero(sum.ot)) sum.ot = Normalised(sum.ot);
    if (angles > 0) sum.magS /= angles, sum.magT /= angles;
    return sum;
  }

  // Each corner of a set-aside triangle takes the frame of the first corner of another
  // triangle at its vertex, if any.
  void FramesOfSetAside() {
    std::vector<int> firstCorner(vertices_, -1);
    for (const Triangle& t : tris_) {
      for (int i = 0; i < 3; ++i) {
        int& first = firstCorner[static_cast<std::size_t>(VertexOf(t.corner + i))];
        if (first < 0) first = t.corner + i;
      }
    }
    for (const int c : setAside_) {
      for (int i = 0; i < 3; ++i) {
        const int source = firstCorner[static_cast<std::size_t>(VertexOf(c + i))];
        if (source >= 0)
          std::memcpy(&out_[4 * static_cast<std::size_t>(c + i)], &out_[4 * static_cast<std::size_t>(source)],
                      4 * sizeof(float));
      }
    }
  }

  std::size_t vertices_, n_;
  const float* positions_;
  const float* normals_;
  const float* uvs_;
  const int* indices_;
  float* out_;
  std::vector<int> same_;
  std::vector<Triangle> tris_;
  std::vector<int> setAside_;
  std::vector<Group> groups_;
  std::vector<int> members_;
  struct {
    std::vector<int> members;
    std::vector<Vec> os, ot;
    std::vector<std::size_t> subsets, starts;
    std::vector<Frame> frames;
  } scratch_;
};

}  // namespace

bool RlMikkTSpaceTangents(std::size_t vertices, const float* positions, const float* normals, const float* uvs,
                          std::size_t triangles, const int* indices, float* tangents) {
  if (triangles > static_cast<std::size_t>(INT32_MAX / 3) || vertices > static_cast<std::size_t>(INT32_MAX))
    return false;
  for (std::size_t c = 0; c < 3 * triangles; ++c) {
    if (indices[c] < 0 || static_cast<std::size_t>(indices[c]) >= vertices) return false;
  }
  try {
    Builder(vertices, positions, normals, uvs, triangles, indices, tangents).Run();
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
