#include "Meshes.h"

#include <cmath>

namespace {

// A reproducible generator (the standard library's distributions differ by vendor).
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
  // Multiples of 1/8 in [0, 2): exact in float, with many equal values.
  float Eighths() { return static_cast<float>(Below(16)) / 8.0f; }

 private:
  uint32_t state_;
};

// cos and sin of k / n of a full turn.
void CosSinOfTurn(int k, int n, float* cosine, float* sine) {
  constexpr double kPi = 3.141592653589793;
  const double x = 2.0 * kPi * static_cast<double>(k % n) / static_cast<double>(n);
  CosSin(x > kPi ? x - 2.0 * kPi : x, cosine, sine);
}

struct Corner {
  RlRawPoint position;
  RlRawPoint normal;
  RlRawTexCoord uv;
};

RlRawTriangle Make(const Corner& a, const Corner& b, const Corner& c) {
  RlRawTriangle tri;
  const Corner* corners[3] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    tri.vert[i] = corners[i]->position;
    tri.norm[i] = corners[i]->normal;
    tri.texCoord[i] = corners[i]->uv;
  }
  return tri;
}

}  // namespace

void CosSin(double x, float* cosine, float* sine) {
  double c = 0.0, s = 0.0, term = 1.0;  // term = x^i / i!
  for (int i = 0; i <= 30; ++i) {
    const double signedTerm = (i / 2) % 2 == 0 ? term : -term;
    (i % 2 == 0 ? c : s) += signedTerm;
    term = term * x / static_cast<double>(i + 1);
  }
  *cosine = static_cast<float>(c);
  *sine = static_cast<float>(s);
}

RlRawTriangle FlatTriangle(const float (&p)[3][3], const float (&t)[3][2]) {
  RlRawTriangle tri;
  for (int i = 0; i < 3; ++i) {
    tri.vert[i] = {{p[i][0], p[i][1], p[i][2]}};
    tri.norm[i] = {{0, 0, 1}};
    tri.texCoord[i] = {{t[i][0], t[i][1]}};
  }
  return tri;
}

std::vector<RlRawTriangle> UnitQuad() {
  return {FlatTriangle({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 0}, {1, 0}, {1, 1}}),
          FlatTriangle({{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 0}, {1, 1}, {0, 1}})};
}

std::vector<RlRawTriangle> Torus(int rings, int sides) {
  constexpr float kMajor = 1.0f;
  constexpr float kMinor = 0.4f;
  auto corner = [&](int i, int j) {
    // Grid corner (i, j); i == rings and j == sides repeat the first column and row
    // with u (or v) of 1: the seam.
    const float u = static_cast<float>(i) / static_cast<float>(rings);
    const float v = static_cast<float>(j) / static_cast<float>(sides);
    float ca, sa, cb, sb;
    CosSinOfTurn(i, rings, &ca, &sa);
    CosSinOfTurn(j, sides, &cb, &sb);
    Corner c;
    c.position = {{(kMajor + kMinor * cb) * ca, (kMajor + kMinor * cb) * sa, kMinor * sb}};
    c.normal = {{cb * ca, cb * sa, sb}};
    c.uv = {{u, v}};
    return c;
  };
  std::vector<RlRawTriangle> tris;
  tris.reserve(static_cast<std::size_t>(2 * rings * sides));
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < sides; ++j) {
      const Corner c00 = corner(i, j), c10 = corner(i + 1, j);
      const Corner c01 = corner(i, j + 1), c11 = corner(i + 1, j + 1);
      tris.push_back(Make(c00, c10, c11));
      tris.push_back(Make(c00, c11, c01));
    }
  }
  return tris;
}

std::vector<RlRawTriangle> TroubleMesh(int numTris, uint32_t seed) {
  Lcg rng(seed);
  // A small pool of corners, so that triangles share many of them.
  std::vector<Corner> pool(static_cast<std::size_t>(numTris / 2 + 3));
  for (Corner& c : pool) {
    c.position = {{rng.Eighths(), rng.Eighths(), rng.Eighths()}};
    c.normal = {{0.0f, 0.0f, 1.0f}};
    c.uv = {{rng.Eighths(), rng.Eighths()}};
  }
  std::vector<RlRawTriangle> tris;
  tris.reserve(static_cast<std::size_t>(numTris));
  for (int t = 0; t < numTris; ++t) {
    Corner c[3];
    for (Corner& k : c) {
      k = pool[static_cast<std::size_t>(rng.Below(static_cast<int>(pool.size())))];
    }
    switch (rng.Below(8)) {
      case 0:  // a texture seam: the same corners shifted in u
        for (Corner& k : c) k.uv.u += 1.0f;
        break;
      case 1:  // mirrored mapping
        for (Corner& k : c) k.uv.u = -k.uv.u;
        break;
      case 2:  // degenerate mapping: all texture coordinates equal
        c[1].uv = c[2].uv = c[0].uv;
        break;
      case 3:  // a repeated corner
        c[2] = c[0];
        break;
      case 4:  // a hard edge: another normal
        for (Corner& k : c) k.normal = {{1.0f, 0.0f, 0.0f}};
        break;
      case 5:  // no texture coordinates
        for (Corner& k : c) k.uv.u = 0.0f;
        break;
      case 6:  // just inside the position tolerance of the pool corner
        c[0].position.x += 5e-8f;
        break;
      default:
        break;
    }
    tris.push_back(Make(c[0], c[1], c[2]));
  }
  return tris;
}

std::vector<RlRawTriangle> BentTube(int rings, int sides, uint32_t seed) {
  Lcg random(seed);
  // Grid positions: ring i of the tube follows a half turn of radius 1.3 around the z
  // axis; its cross-section has radius 1, each point pushed in or out by up to 45 %.
  const auto at = [sides](int i, int j) { return static_cast<std::size_t>(i * sides + (j % sides)); };
  std::vector<RlRawPoint> grid(static_cast<std::size_t>((rings + 1) * sides));
  for (int i = 0; i <= rings; ++i) {
    float ca, sa;
    CosSinOfTurn(i, 2 * rings, &ca, &sa);
    for (int j = 0; j < sides; ++j) {
      float cb, sb;
      CosSinOfTurn(j, sides, &cb, &sb);
      const float r = 1.0f + 0.45f * (static_cast<float>(random.Below(201)) / 100.0f - 1.0f);
      const float radial = 1.3f + r * cb;
      grid[at(i, j)] = {{radial * ca, radial * sa, r * sb}};
    }
  }
  // Smooth normals: each grid point's faces' normals summed, weighted by their areas.
  std::vector<RlRawPoint> normals(grid.size(), RlRawPoint{{0, 0, 0}});
  const auto face = [&](std::size_t a, std::size_t b, std::size_t c) {
    const RlRawPoint &p = grid[a], &q = grid[b], &s = grid[c];
    const float e[3] = {q.x - p.x, q.y - p.y, q.z - p.z}, f[3] = {s.x - p.x, s.y - p.y, s.z - p.z};
    const float n[3] = {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
    for (const std::size_t v : {a, b, c})
      normals[v] = {{normals[v].x + n[0], normals[v].y + n[1], normals[v].z + n[2]}};
  };
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < sides; ++j) {
      face(at(i, j), at(i + 1, j), at(i + 1, j + 1));
      face(at(i, j), at(i + 1, j + 1), at(i, j + 1));
    }
  }
  // u mirrored about the tube's middle: the two halves mirror images on one island.
  const auto corner = [&](int i, int j) {
    const int fold = 2 * j - sides;
    const float u = static_cast<float>(fold < 0 ? -fold : fold) / static_cast<float>(sides);
    return Corner{grid[at(i, j)], normals[at(i, j)], {{u, static_cast<float>(i) / static_cast<float>(rings)}}};
  };
  std::vector<RlRawTriangle> tris;
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < sides; ++j) {
      tris.push_back(Make(corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)));
      tris.push_back(Make(corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)));
    }
  }
  return tris;
}

std::vector<RlRawTriangle> FlatShell(const std::vector<RlRawTriangle>& tris, float offset) {
  std::vector<RlRawTriangle> shell = tris;
  for (RlRawTriangle& t : shell) {
    for (int i = 0; i < 3; ++i) {
      const RlRawPoint n = t.norm[i];
      const float scale = offset / std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
      t.vert[i] = {{t.vert[i].x + scale * n.x, t.vert[i].y + scale * n.y, t.vert[i].z + scale * n.z}};
    }
    const RlRawPoint &a = t.vert[0], &b = t.vert[1], &c = t.vert[2];
    const float e[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, f[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    const RlRawPoint face{{e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]}};
    for (RlRawPoint& n : t.norm) n = face;
  }
  return shell;
}
