// The bake on a small low and high mesh made from the input: the first bytes choose the
// options (a map of at most 32 x 32 texels, samples, padding, space, every map, the rays
// for occlusion, a cage offset, groups and materials, the maximum distance), the rest give
// triangles whose floats come from a small table (a grid of small integers, halves, tiny
// and huge steps, zeros of both signs), so that shared edges, slivers, overlapping islands
// and misses are common. Oracles: the bake finishes or fails with a reason, never cancels;
// the maps have their size; normals are unit or the flat background; heights lie in
// [-1, 1], occlusion and thickness in [0, 1], positions are finite, materials are those
// given or none; the counts are consistent; and a second bake on another thread count
// gives the same maps.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "MapImage.h"
#include "RlBake.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

float Value(uint8_t byte) {
  static const float kSpecial[] = {0.0f, -0.0f, 1e-7f, 0.5f, 0.25f, 1e-30f, 1e14f, -1e14f};
  return byte < 232 ? static_cast<float>(byte % 5) * 0.5f - 0.5f : kSpecial[(byte - 232) % 8];
}

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
  bool Empty() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

std::vector<RlRawTriangle> Triangles(Bytes& in, int count) {
  std::vector<RlRawTriangle> tris(static_cast<std::size_t>(count));
  for (RlRawTriangle& t : tris) {
    for (int i = 0; i < 3; ++i) {
      t.vert[i] = {{Value(in.Next()), Value(in.Next()), Value(in.Next())}};
      t.norm[i] = {{Value(in.Next()), Value(in.Next()), 1.0f}};
      t.texCoord[i] = {{static_cast<float>(in.Next()) / 200.0f, static_cast<float>(in.Next()) / 200.0f}};
    }
  }
  return tris;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  RlBakeOptions options;
  options.width = 1 + in.Next() % 32;
  options.height = 1 + in.Next() % 32;
  options.samples = 1 + in.Next() % 9;
  options.padding = in.Next() % 6;
  const uint8_t flags = in.Next();
  options.space = flags & 1 ? RlBakeSpace::kObject : RlBakeSpace::kTangent;
  options.maps.heights = (flags & 2) != 0;
  options.maxDistance = (flags & 4) != 0 ? Value(in.Next()) : 0.0;
  options.maps.objectNormals = options.maps.positions = (flags & 8) != 0;
  options.maps.occlusion = options.maps.thickness = (flags & 16) != 0;
  options.occlusionRays = 1 + in.Next() % 8;
  options.cageOffset = (flags & 32) != 0 ? Value(in.Next()) : 0.0;
  options.maps.bentNormals = options.maps.curvature = (flags & 64) != 0;
  options.threads = 1;
  const int lowCount = 1 + in.Next() % 6;
  const int highCount = 1 + in.Next() % 12;
  const std::vector<RlRawTriangle> low = Triangles(in, lowCount);
  const std::vector<RlRawTriangle> high = Triangles(in, highCount);
  std::vector<int> lowGroups, highGroups, materials;  // groups -1, 0 and 1 in turn, and 0 and 1; materials 0 to 2
  if ((flags & 128) != 0) {
    for (int t = 0; t < lowCount; ++t) lowGroups.push_back(t % 3 - 1);
    for (int t = 0; t < highCount; ++t) highGroups.push_back(t % 2), materials.push_back(t % 3);
    options.lowGroups = &lowGroups, options.highGroups = &highGroups, options.highMaterials = &materials;
    options.maps.materials = true;
  }

  RlBakeMap map;
  std::string error;
  const RlBakeStatus status = RlBake(low, high, options, &map, &error);
  Check(status != RlBakeStatus::kCancelled);
  if (status == RlBakeStatus::kFailed) {
    Check(!error.empty());
    return 0;
  }
  const std::size_t texels = static_cast<std::size_t>(options.width) * static_cast<std::size_t>(options.height);
  Check(map.width == options.width && map.height == options.height);
  Check(map.normals.size() == 3 * texels && map.heights.size() == (options.maps.heights ? texels : 0));
  Check(map.covered >= 0 && static_cast<std::size_t>(map.covered) <= texels && map.overlapped <= map.covered);
  Check(map.samples == map.covered * options.samples && map.misses >= 0 && map.misses <= map.samples);
  for (std::size_t i = 0; i < texels; ++i) {
    const float* n = &map.normals[3 * i];
    const double length = std::sqrt(double{n[0]} * n[0] + double{n[1]} * n[1] + double{n[2]} * n[2]);
    Check(std::fabs(length - 1.0) < 1e-4 || (length == 0 && options.space == RlBakeSpace::kObject));
  }
  for (const float h : map.heights) Check(h >= -1.0f && h <= 1.0f);
  for (const std::vector<float>* shares : {&map.occlusion, &map.thickness}) {
    Check(shares->size() == ((flags & 16) != 0 ? texels : 0));
    for (const float v : *shares) Check(v >= 0.0f && v <= 1.0f);
  }
  for (const float p : map.positions) Check(std::isfinite(p));
  for (const float c : map.curvature) Check(c >= -1.0f && c <= 1.0f);
  Check(map.materials.size() == (options.maps.materials ? texels : 0));
  for (const float m : map.materials) Check(m == -1.0f || m == 0.0f || m == 1.0f || m == 2.0f);
  std::vector<unsigned char> png;
  Check(RlEncodeMap(map.normals, 3, map.width, map.height, 16, RlMapFormat::kPng, &png, &error));

  // The same map from three threads.
  options.threads = 3;
  RlBakeMap again;
  Check(RlBake(low, high, options, &again, &error) == RlBakeStatus::kDone);
  Check(again.normals == map.normals && again.heights == map.heights && again.misses == map.misses &&
        again.objectNormals == map.objectNormals && again.positions == map.positions &&
        again.occlusion == map.occlusion && again.thickness == map.thickness && again.bentNormals == map.bentNormals &&
        again.curvature == map.curvature && again.materials == map.materials);
  return 0;
}
