#include "SphereBakes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "MapImage.h"
#include "Spheres.h"
#include "TexelCover.h"

std::vector<double> BumpAngleErrors(const std::vector<RlRawTriangle>& lowTris, const RlBakeMap& map) {
  std::vector<double> errors;
  RlGltfMesh low;
  if (!RlWeldGltfMesh(lowTris, RlTangentBasis::kMikkTSpace, &low)) return errors;
  std::vector<double> uv;
  for (const RlIndex& t : low.indices) {
    for (int i = 0; i < 3; ++i) {
      const RlGltfVertex& v = low.vertices[static_cast<std::size_t>(t.idx[i])];
      uv.insert(uv.end(), {double{v.uv[0]} * map.width, double{v.uv[1]} * map.height});
    }
  }
  RlTexelCover cover;
  RlCoverTexels(uv, map.width, map.height, &cover);
  for (int y = 0; y < map.height; ++y) {
    for (int x = 0; x < map.width; ++x) {
      const std::size_t at =
          static_cast<std::size_t>(y) * static_cast<std::size_t>(map.width) + static_cast<std::size_t>(x);
      const int t = cover.owner[at];
      if (t < 0) continue;
      const double* p = &uv[6 * static_cast<std::size_t>(t)];
      const double cx = x + 0.5, cy = y + 0.5;
      const double area = (p[2] - p[0]) * (p[5] - p[1]) - (p[3] - p[1]) * (p[4] - p[0]);
      double w[3];
      w[0] = ((p[2] - cx) * (p[5] - cy) - (p[3] - cy) * (p[4] - cx)) / area;
      w[1] = ((p[4] - cx) * (p[1] - cy) - (p[5] - cy) * (p[0] - cx)) / area;
      w[2] = 1 - w[0] - w[1];
      const RlIndex& tri = low.indices[static_cast<std::size_t>(t)];
      const RlGltfVertex* const c[3] = {&low.vertices[static_cast<std::size_t>(tri.idx[0])],
                                        &low.vertices[static_cast<std::size_t>(tri.idx[1])],
                                        &low.vertices[static_cast<std::size_t>(tri.idx[2])]};
      const RlTangentFrame f = RlTangentFrameAt(c, w, RlBitangent::kPixel);
      double m[3], point[3], n[3], normal[3], truth[3], theta, phi;
      for (std::size_t k = 0; k < 3; ++k) {
        const auto level = static_cast<unsigned>(std::lround((map.normals[3 * at + k] * 0.5 + 0.5) * 255));
        m[k] = RlDecodeLevel(level, 8);
        point[k] = w[0] * c[0]->position[k] + w[1] * c[1]->position[k] + w[2] * c[2]->position[k];
      }
      static constexpr double kUp[3] = {0, 0, 1};
      RlFromTangentSpace(f, m, n);
      RlFromTangentSpace(f, kUp, normal);
      BumpHit(point, normal, &theta, &phi);
      BumpNormal(theta, phi, truth);
      const double cosine = n[0] * truth[0] + n[1] * truth[1] + n[2] * truth[2];
      errors.push_back(std::acos(std::min(1.0, cosine)) * 180 / std::numbers::pi);
    }
  }
  return errors;
}
