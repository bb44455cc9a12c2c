// The baker against what is known in closed form: the curvature of spheres, bent normals
// beside a wall, an analytic bumped sphere, tangent maps decoded in their
// frames; and texture layouts built to put texel centres on shared edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "Meshes.h"
#include "RlBake.h"
#include "SphereBakes.h"
#include "Spheres.h"
#include "TexelCover.h"

namespace {

// A grid of cols x rows quads over the whole image (in texels), each split in two along
// alternating diagonals; inner grid points are moved by up to 0.4 texels, and half of them
// then onto a texel centre (cells of 4 texels or more do not fold). flip: every other triangle listed clockwise.
std::vector<double> GridLayout(int width, int height, int cols, int rows, unsigned seed, bool flip) {
  std::mt19937 random(seed);
  std::vector<double> px((cols + 1) * (rows + 1)), py(px.size());
  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i <= cols; ++i) {
      double x = static_cast<double>(width) * i / cols, y = static_cast<double>(height) * j / rows;
      if (i > 0 && i < cols && j > 0 && j < rows) {
        x += std::uniform_real_distribution<double>(-0.4, 0.4)(random);
        y += std::uniform_real_distribution<double>(-0.4, 0.4)(random);
        if (random() % 2 == 0) x = std::floor(x) + 0.5, y = std::floor(y) + 0.5;
      }
      px[j * (cols + 1) + i] = x, py[j * (cols + 1) + i] = y;
    }
  }
  std::vector<double> uv;
  const auto add = [&](int a, int b, int c) {
    if (flip && uv.size() % 12 == 6) std::swap(b, c);
    for (int k : {a, b, c}) uv.insert(uv.end(), {px[k], py[k]});
  };
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < cols; ++i) {
      const int a = j * (cols + 1) + i, b = a + 1, c = a + cols + 2, d = a + cols + 1;
      if ((i + j) % 2 == 0) {
        add(a, b, c), add(a, c, d);
      } else {
        add(a, b, d), add(b, c, d);
      }
    }
  }
  return uv;
}

TEST(TexelCover, APartitionCoversEveryTexelOnce) {
  struct Case {
    int width, height, cols, rows;
    bool flip;
  } cases[] = {{8, 8, 2, 2, false}, {37, 19, 5, 3, true}, {64, 64, 16, 16, false}, {64, 48, 16, 12, true}};
  for (const Case& c : cases) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
      SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " seed " << seed);
      RlTexelCover cover;
      ASSERT_TRUE(
          RlCoverTexels(GridLayout(c.width, c.height, c.cols, c.rows, seed, c.flip), c.width, c.height, &cover));
      EXPECT_EQ(cover.covered, c.width * c.height);
      EXPECT_EQ(cover.overlapped, 0);
      EXPECT_EQ(std::count(cover.owner.begin(), cover.owner.end(), -1), 0);
    }
  }
}

TEST(Bake, TheBumpedSphereDecodesToItsAnalyticNormals) {
  const std::vector<RlRawTriangle> low = Sphere(32, 64, false), high = Sphere(200, 400, true);
  RlBakeOptions options;
  options.width = options.height = 256;
  options.samples = 1;
  RlBakeMap map;
  std::string error;
  ASSERT_EQ(RlBake(low, high, options, &map, &error), RlBakeStatus::kDone) << error;
  EXPECT_EQ(map.misses, 0);
  EXPECT_EQ(map.overlapped, 0);
  std::vector<double> errors = BumpAngleErrors(low, map);
  ASSERT_GT(errors.size(), 40000u);
  std::sort(errors.begin(), errors.end());
  const double mean = std::accumulate(errors.begin(), errors.end(), 0.0) / errors.size();
  EXPECT_LT(mean, 0.5);
  EXPECT_LT(errors[errors.size() * 99 / 100], 1.5);
  RecordProperty("mean_degrees", std::to_string(mean));
  std::printf("mean %.3f, p99 %.3f degrees\n", mean, errors[errors.size() * 99 / 100]);
}

// A tangent-space map decoded in the frames a viewer builds gives back the object-space
// map of the same bake, in every basis and bitangent convention. The low mesh is coarse,
// half mirrored, with corners turned more than 90 degrees from their normals, where the
// handedness of a corner's own frame and of its triangle's texture winding part ways.
TEST(Bake, TangentMapsDecodeToTheObjectSpaceMapInTheirFrames) {
  const std::vector<RlRawTriangle> low = BentTube(6, 6, 7);
  // The high mesh: the low one pushed out a little along its normals.
  std::vector<RlRawTriangle> high = low;
  for (RlRawTriangle& t : high) {
    for (int i = 0; i < 3; ++i) {
      const RlRawPoint n = t.norm[i];
      const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
      t.vert[i] = {
          {t.vert[i].x + 0.03f * n.x / length, t.vert[i].y + 0.03f * n.y / length, t.vert[i].z + 0.03f * n.z / length}};
    }
  }
  for (const RlTangentBasis basis : {RlTangentBasis::kMikkTSpace, RlTangentBasis::kLibrary}) {
    for (const RlBitangent bitangent : {RlBitangent::kPixel, RlBitangent::kVertex}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(basis)) + " " + std::to_string(static_cast<int>(bitangent)));
      RlBakeOptions options;
      options.width = options.height = 128;
      options.samples = 1;
      options.padding = 0;
      options.basis = basis;
      options.bitangent = bitangent;
      RlBakeMap tangentMap, objectMap;
      std::string error;
      ASSERT_EQ(RlBake(low, high, options, &tangentMap, &error), RlBakeStatus::kDone) << error;
      options.space = RlBakeSpace::kObject;
      ASSERT_EQ(RlBake(low, high, options, &objectMap, &error), RlBakeStatus::kDone) << error;
      EXPECT_EQ(tangentMap.misses, 0);

      RlGltfMesh mesh;
      ASSERT_TRUE(RlWeldGltfMesh(low, basis, &mesh));
      std::vector<double> uv;
      for (std::size_t t = 0; t < low.size(); ++t) {
        const RlGltfVertex* c[3];
        for (int i = 0; i < 3; ++i) {
          c[i] = &mesh.vertices[static_cast<std::size_t>(mesh.indices[t].idx[i])];
          uv.insert(uv.end(), {double{c[i]->uv[0]} * options.width, double{c[i]->uv[1]} * options.height});
        }
        // One handedness a triangle: its winding in (u, host v), clockwise in glTF's (u, v).
        const RlRawTexCoord* tc = low[t].texCoord;
        const double winding = (tc[1].u - tc[0].u) * (tc[2].v - tc[0].v) - (tc[1].v - tc[0].v) * (tc[2].u - tc[0].u);
        for (int i = 0; i < 3; ++i) ASSERT_EQ(c[i]->tangent[3], winding > 0 ? 1.0f : -1.0f) << t;
      }
      RlTexelCover cover;
      ASSERT_TRUE(RlCoverTexels(uv, options.width, options.height, &cover));
      std::vector<double> angles;
      for (std::size_t at = 0; at < cover.owner.size(); ++at) {
        const int t = cover.owner[at];
        if (t < 0) continue;
        const double* p = &uv[6 * static_cast<std::size_t>(t)];
        const double x = static_cast<double>(at % 128) + 0.5, y = static_cast<double>(at / 128) + 0.5;
        const double area = (p[2] - p[0]) * (p[5] - p[1]) - (p[3] - p[1]) * (p[4] - p[0]);
        double w[3] = {((p[2] - x) * (p[5] - y) - (p[3] - y) * (p[4] - x)) / area,
                       ((p[4] - x) * (p[1] - y) - (p[5] - y) * (p[0] - x)) / area, 0};
        w[2] = 1 - w[0] - w[1];
        if (w[0] < 0 || w[1] < 0 || w[2] < 0) continue;  // a centre the fill rule gave across an edge
        const RlIndex& tri = mesh.indices[static_cast<std::size_t>(t)];
        const RlGltfVertex* const c[3] = {&mesh.vertices[static_cast<std::size_t>(tri.idx[0])],
                                          &mesh.vertices[static_cast<std::size_t>(tri.idx[1])],
                                          &mesh.vertices[static_cast<std::size_t>(tri.idx[2])]};
        const double m[3] = {tangentMap.normals[3 * at], tangentMap.normals[3 * at + 1],
                             tangentMap.normals[3 * at + 2]};
        double n[3];
        RlFromTangentSpace(RlTangentFrameAt(c, w, bitangent), m, n);
        const float* o = &objectMap.normals[3 * at];
        const double cosine = n[0] * o[0] + n[1] * o[1] + n[2] * o[2];
        angles.push_back(std::acos(std::min(1.0, cosine)) * 180 / 3.141592653589793);
      }
      ASSERT_GT(angles.size(), 3000u);
      std::sort(angles.begin(), angles.end());
      EXPECT_LT(std::accumulate(angles.begin(), angles.end(), 0.0) / static_cast<double>(angles.size()), 0.1);
      EXPECT_LT(angles[angles.size() * 99 / 100], 1.0);
    }
  }
}

// The curvature of spheres of two radii is the scale over the radius; the bent normals
// of a floor beside a wall lean away from the wall.
TEST(Bake, CurvatureAndBentNormals) {
  for (const float radius : {1.0f, 2.0f}) {
    std::vector<RlRawTriangle> sphere = Sphere(48, 96, false);
    for (RlRawTriangle& t : sphere) {
      for (RlRawPoint& p : t.vert) p = {{radius * p.x, radius * p.y, radius * p.z}};
    }
    RlBakeOptions options;
    options.width = options.height = 128;
    options.samples = 1;
    options.padding = 0;
    options.maps.curvature = true;
    options.curvatureScale = 0.1;
    RlBakeMap map;
    std::string error;
    ASSERT_EQ(RlBake(sphere, sphere, options, &map, &error), RlBakeStatus::kDone) << error;
    std::vector<float> covered;
    for (std::size_t i = 0; i < map.curvature.size(); ++i) {
      if (map.curvature[i] != 0) covered.push_back(map.curvature[i]);
    }
    ASSERT_GT(covered.size(), 10000u);
    std::nth_element(covered.begin(), covered.begin() + covered.size() / 2, covered.end());
    EXPECT_NEAR(covered[covered.size() / 2], 0.1 / radius, 0.005 / radius) << radius;
  }
  // A floor of side 6 about the unit quad, and a wall at x = 1.05 facing the floor's texels.
  std::vector<RlRawTriangle> high;
  for (const RlRawTriangle& quad : UnitQuad()) {
    RlRawTriangle floor = quad, wall = quad;
    for (int i = 0; i < 3; ++i) {
      floor.vert[i] = {{6 * quad.vert[i].x - 2.5f, 6 * quad.vert[i].y - 2.5f, 0}};
      wall.vert[i] = {{1.05f, floor.vert[i].y, floor.vert[i].x + 2.5f}};
      wall.norm[i] = {{-1, 0, 0}};
    }
    std::swap(wall.vert[1], wall.vert[2]);
    high.insert(high.end(), {floor, wall});
  }
  RlBakeOptions options;
  options.width = options.height = 8;
  options.maxDistance = 0.01;
  options.occlusionDistance = 3;
  options.occlusionRays = 256;
  options.space = RlBakeSpace::kObject;
  options.maps.bentNormals = true;
  RlBakeMap map;
  std::string error;
  ASSERT_EQ(RlBake(UnitQuad(), high, options, &map, &error), RlBakeStatus::kDone) << error;
  for (std::size_t i = 0; i < 64; ++i) {
    EXPECT_LT(map.bentNormals[3 * i], -0.2) << i;
    EXPECT_GT(map.bentNormals[3 * i + 2], 0.5) << i;
  }
}

}  // namespace
