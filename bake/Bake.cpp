// The bake: the low mesh welded and covered texel by texel, each texel's samples cast
// against the high mesh along the low normal (or from a cage inwards), the hits' normals
// expressed in the low mesh's glTF frames, the other maps gathered from the same hits,
// and the islands padded.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <tuple>

#include "Dilate.h"
#include "HighMesh.h"
#include "RlBake.h"
#include "TexelCover.h"

namespace {

constexpr int kMaxSize = 16384;
constexpr int kMaxSamples = 256;

// What the rows' workers share.
struct Job {
  const RlBakeOptions& options;
  const RlHighMesh& high;
  const std::vector<RlGltfVertex>& vertices;
  const RlIndex* indices;
  const std::vector<double>& uv;  // 6 per triangle, in texels
  const RlTexelCover& cover;
  RlBakeMap& map;
  std::vector<uint8_t>& filled;
  int across;  // the sample grid: across x down samples per texel
  int down;
  const std::vector<RlRawTriangle>* cage;  // null: none
  const std::vector<int>* lowGroups;       // null: one group
  double front, rear;                      // the search's reach outside and inside the low surface
  double box[3], boxSide;                  // the low mesh's bounding box: its minimum and longest side
};

// A reproducible stream of numbers in [0, 1) for one ray: the same for a texel, sample
// and ray whichever thread asks.
class RayNumbers {
 public:
  explicit RayNumbers(uint64_t seed) : state_(seed) {}
  double Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1.0p-53;
  }

 private:
  uint64_t state_;
};

// A direction over the hemisphere about unit n, cosine-weighted: a point of the unit
// disk (drawn by rejection, in arithmetic alone, so that every host draws the same)
// raised onto the hemisphere, in a frame about n.
void CosineDirection(const double n[3], RayNumbers* numbers, double direction[3]) {
  double x = 0, y = 0;
  for (int tries = 0; tries < 64; ++tries) {
    x = 2 * numbers->Next() - 1, y = 2 * numbers->Next() - 1;
    if (x * x + y * y < 1) break;
    x = y = 0;
  }
  const double z = std::sqrt(std::max(0.0, 1 - x * x - y * y));
  const double sign = n[2] >= 0 ? 1.0 : -1.0;
  const double a = -1 / (sign + n[2]), b = n[0] * n[1] * a;
  const double u[3] = {1 + sign * n[0] * n[0] * a, sign * b, -sign * n[0]};
  const double v[3] = {b, sign + n[1] * n[1] * a, -n[1]};
  for (int k = 0; k < 3; ++k) direction[k] = x * u[k] + y * v[k] + z * n[k];
}

// One texel's sums over its samples.
struct TexelSums {
  double normal[3] = {0, 0, 0}, objectNormal[3] = {0, 0, 0}, position[3] = {0, 0, 0}, bent[3] = {0, 0, 0};
  double height = 0, thickness = 0;
  int hits = 0;
  long long escaped = 0, occlusionRays = 0, thicknessRays = 0;
  int material = -1;
};

// The material most of a texel's samples met, the lowest on a tie; -1 when none met one.
// met holds count materials, and is sorted here.
int CommonMaterial(int* met, int count) {
  std::sort(met, met + count);
  int best = -1, bestRun = 0;
  for (int i = 0, j = 0; i < count; i = j) {
    while (j < count && met[j] == met[i]) ++j;
    if (j - i > bestRun) best = met[i], bestRun = j - i;
  }
  return best;
}

// The occlusion and thickness rays of one sample's hit: rays r of the texel's with
// r % samples == sample. The escaping occlusion rays' directions are summed in the normal
// map's space (frame for tangent space).
void SecondaryRays(const Job& job, int group, std::size_t texel, int sample, const RlSurfaceHit& hit,
                   const RlTangentFrame& frame, TexelSums* sums) {
  const RlBakeMaps& maps = job.options.maps;
  const double reach = job.map.occlusionDistance, lift = 1e-5 * job.boxSide;
  const int samples = job.across * job.down;
  for (int r = sample; r < job.options.occlusionRays; r += samples) {
    for (const bool inside : {false, true}) {
      if (!(inside ? maps.thickness : maps.occlusion || maps.bentNormals)) continue;
      const double side = inside ? -1 : 1;
      const double n[3] = {side * hit.normal[0], side * hit.normal[1], side * hit.normal[2]};
      RayNumbers numbers((static_cast<uint64_t>(texel) << 20 | static_cast<uint64_t>(r) << 1) | (inside ? 1 : 0));
      double direction[3], origin[3];
      CosineDirection(n, &numbers, direction);
      for (int k = 0; k < 3; ++k) origin[k] = hit.position[k] + lift * n[k];
      const double distance = job.high.Distance(group, origin, direction, lift, reach);
      if (inside) {
        sums->thickness += distance, ++sums->thicknessRays;
      } else {
        sums->escaped += distance >= reach, ++sums->occlusionRays;
        if (distance >= reach && maps.bentNormals) {
          double m[3];
          if (job.options.space == RlBakeSpace::kTangent) {
            RlToTangentSpace(frame, direction, m);
          } else {
            std::copy(direction, direction + 3, m);
          }
          for (int k = 0; k < 3; ++k) sums->bent[k] += m[k];
        }
      }
    }
  }
}

// Where a sample's ray meets the high surface, from the low point with its normal: along
// the normal both ways, or from the cage's point through the low point. hit->distance is
// then the hit's height above the low surface.
bool Cast(const Job& job, int group, int t, const double w[3], const double point[3], const double normal[3],
          RlSurfaceHit* hit) {
  if (job.cage != nullptr) {
    const RlRawTriangle& cage = (*job.cage)[static_cast<std::size_t>(t)];
    double start[3], direction[3], length = 0;
    for (int k = 0; k < 3; ++k) {
      start[k] = w[0] * cage.vert[0].v[k] + w[1] * cage.vert[1].v[k] + w[2] * cage.vert[2].v[k];
      direction[k] = point[k] - start[k];
      length += direction[k] * direction[k];
    }
    length = std::sqrt(length);
    if (length > 1e-9 * job.boxSide) {
      for (double& d : direction) d /= length;
      if (!job.high.First(group, start, direction, length + job.rear, hit)) return false;
      hit->distance = length - hit->distance;
      return true;
    }
  }
  return job.high.Nearest(group, point, normal, job.front, job.rear, hit);
}

// Barycentric weights of point (x, y) in the texture-space triangle uv (6 doubles); false
// when the point lies outside it (or the triangle has no area).
bool Weights(const double* uv, double x, double y, double w[3]) {
  const double x0 = uv[0], y0 = uv[1], x1 = uv[2], y1 = uv[3], x2 = uv[4], y2 = uv[5];
  const double area = (x1 - x0) * (y2 - y0) - (y1 - y0) * (x2 - x0);
  if (area == 0) {
    w[0] = w[1] = w[2] = 1.0 / 3;
    return false;
  }
  w[0] = ((x1 - x) * (y2 - y) - (y1 - y) * (x2 - x)) / area;
  w[1] = ((x2 - x) * (y0 - y) - (y2 - y) * (x0 - x)) / area;
  w[2] = 1.0 - w[0] - w[1];
  return w[0] >= 0 && w[1] >= 0 && w[2] >= 0;
}

// The triangle a sample at (x, y) of texel (tx, ty) lies in, with its weights: the
// texel's own triangle, else the first of the neighbouring texels' triangles that holds
// it, else the texel's own with the weights clamped onto it (a sample beyond the
// island's edge stays on the surface).
int SampleTriangle(const Job& job, int tx, int ty, double x, double y, double w[3]) {
  const int width = job.map.width, height = job.map.height;
  const auto ownerOf = [&](int nx, int ny) {
    return nx < 0 || ny < 0 || nx >= width || ny >= height
               ? -1
               : job.cover.owner[static_cast<std::size_t>(ny) * static_cast<std::size_t>(width) +
                                 static_cast<std::size_t>(nx)];
  };
  const int own = ownerOf(tx, ty);
  if (Weights(&job.uv[6 * static_cast<std::size_t>(own)], x, y, w)) return own;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int t = ownerOf(tx + dx, ty + dy);
      if (t >= 0 && t != own && Weights(&job.uv[6 * static_cast<std::size_t>(t)], x, y, w)) return t;
    }
  }
  Weights(&job.uv[6 * static_cast<std::size_t>(own)], x, y, w);
  double sum = 0;
  for (int i = 0; i < 3; ++i) sum += w[i] = std::max(w[i], 0.0);
  for (int i = 0; i < 3; ++i) w[i] /= sum;
  return own;
}

// Stores a texel's values from its sums.
void StoreTexel(const Job& job, std::size_t at, const TexelSums& sums) {
  RlBakeMap& map = job.map;
  // Directions whose samples cancel out (a sheet met from both sides) are flat in tangent
  // space, as a miss is, rather than no direction at all.
  const bool tangent = job.options.space == RlBakeSpace::kTangent;
  const auto unit = [at](const double* sum, bool flat, std::vector<float>* values) {
    const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    for (std::size_t k = 0; k < 3; ++k) {
      (*values)[3 * at + k] = length > 0 ? static_cast<float>(sum[k] / length) : flat && k == 2 ? 1.0f : 0.0f;
    }
  };
  unit(sums.normal, tangent, &map.normals);
  if (!map.heights.empty()) {
    map.heights[at] = sums.hits > 0 ? static_cast<float>(sums.height / sums.hits / map.maxDistance) : 0.0f;
  }
  if (!map.objectNormals.empty()) unit(sums.objectNormal, false, &map.objectNormals);
  const int samples = job.across * job.down;
  for (std::size_t k = 0; k < 3 && !map.positions.empty(); ++k) {
    map.positions[3 * at + k] = static_cast<float>((sums.position[k] / samples - job.box[k]) / job.boxSide);
  }
  if (!map.occlusion.empty()) {
    map.occlusion[at] =
        sums.occlusionRays > 0 ? static_cast<float>(static_cast<double>(sums.escaped) / sums.occlusionRays) : 1.0f;
  }
  if (!map.bentNormals.empty()) {
    // No ray escaped: the normal itself.
    const bool open = sums.bent[0] != 0 || sums.bent[1] != 0 || sums.bent[2] != 0;
    unit(open ? sums.bent : sums.normal, tangent, &map.bentNormals);
  }
  if (!map.thickness.empty()) {
    map.thickness[at] =
        sums.thicknessRays > 0 ? static_cast<float>(sums.thickness / sums.thicknessRays / map.occlusionDistance) : 0.0f;
  }
  if (!map.materials.empty()) map.materials[at] = static_cast<float>(sums.material);
  job.filled[at] = 1;
}

// One row of texels; returns its samples' misses.
long long BakeRow(const Job& job, int y) {
  const int width = job.map.width;
  const RlBakeMaps& maps = job.options.maps;
  const bool secondary = maps.occlusion || maps.thickness || maps.bentNormals;
  long long misses = 0;
  for (int x = 0; x < width; ++x) {
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    if (job.cover.owner[at] < 0) continue;
    TexelSums sums;
    std::array<int, kMaxSamples> met;  // the materials the samples' hits lie on
    int metCount = 0;
    for (int j = 0; j < job.down; ++j) {
      for (int i = 0; i < job.across; ++i) {
        double w[3];
        const int t = SampleTriangle(job, x, y, x + (i + 0.5) / job.across, y + (j + 0.5) / job.down, w);
        const RlIndex& corners = job.indices[t];
        const RlGltfVertex* const c[3] = {&job.vertices[static_cast<std::size_t>(corners.idx[0])],
                                          &job.vertices[static_cast<std::size_t>(corners.idx[1])],
                                          &job.vertices[static_cast<std::size_t>(corners.idx[2])]};
        const RlTangentFrame frame = RlTangentFrameAt(c, w, job.options.bitangent);
        double point[3], normal[3];
        static constexpr double kUp[3] = {0, 0, 1};
        RlFromTangentSpace(frame, kUp, normal);
        for (int k = 0; k < 3; ++k) {
          point[k] = w[0] * c[0]->position[k] + w[1] * c[1]->position[k] + w[2] * c[2]->position[k];
        }
        RlSurfaceHit hit;
        const int group = job.lowGroups != nullptr ? (*job.lowGroups)[static_cast<std::size_t>(t)] : 0;
        if (!Cast(job, group, t, w, point, normal, &hit)) {
          ++misses;
          if (job.options.space == RlBakeSpace::kTangent) {
            sums.normal[2] += 1;
          } else {
            for (int k = 0; k < 3; ++k) sums.normal[k] += normal[k];
          }
          for (int k = 0; k < 3; ++k) sums.objectNormal[k] += normal[k], sums.position[k] += point[k];
          continue;
        }
        ++sums.hits;
        sums.height += hit.distance;
        if (maps.materials) {
          met[static_cast<std::size_t>(metCount++)] =
              job.options.highMaterials != nullptr ? (*job.options.highMaterials)[hit.triangle] : 0;
        }
        if (job.options.space == RlBakeSpace::kTangent) {
          double m[3];
          RlToTangentSpace(frame, hit.normal, m);
          for (int k = 0; k < 3; ++k) sums.normal[k] += m[k];
        } else {
          for (int k = 0; k < 3; ++k) sums.normal[k] += hit.normal[k];
        }
        for (int k = 0; k < 3; ++k) sums.objectNormal[k] += hit.normal[k], sums.position[k] += hit.position[k];
        if (secondary) SecondaryRays(job, group, at, j * job.across + i, hit, frame, &sums);
      }
    }
    if (maps.materials) sums.material = CommonMaterial(met.data(), metCount);
    StoreTexel(job, at, sums);
  }
  return misses;
}

// The mean curvature at each covered texel from the high surface's points and normals at
// its neighbours (central differences, one-sided at an island's edge): along each image
// axis, the change of the normal over the change of the point, projected on it; the mean
// of the two axes, times scale, clamped to [-1, 1].
void Curvature(const RlBakeMap& map, const std::vector<float>& normals, const std::vector<float>& points,
               const std::vector<uint8_t>& filled, double scale, std::vector<float>* curvature) {
  const int width = map.width, height = map.height;
  const auto at = [width](int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!filled[at(x, y)]) continue;
      double sum = 0;
      int axes = 0;
      for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{0, 1}}) {
        const auto inside = [&](int nx, int ny) {
          return nx >= 0 && ny >= 0 && nx < width && ny < height && filled[at(nx, ny)];
        };
        const int ax = inside(x + dx, y + dy) ? x + dx : x, ay = inside(x + dx, y + dy) ? y + dy : y;
        const int bx = inside(x - dx, y - dy) ? x - dx : x, by = inside(x - dx, y - dy) ? y - dy : y;
        if (ax == bx && ay == by) continue;
        double dn = 0, dp = 0;
        for (std::size_t k = 0; k < 3; ++k) {
          const double p = double{points[3 * at(ax, ay) + k]} - points[3 * at(bx, by) + k];
          dn += (double{normals[3 * at(ax, ay) + k]} - normals[3 * at(bx, by) + k]) * p;
          dp += p * p;
        }
        if (dp > 0) sum += dn / dp, ++axes;
      }
      (*curvature)[at(x, y)] = axes > 0 ? static_cast<float>(std::clamp(sum / axes * scale, -1.0, 1.0)) : 0.0f;
    }
  }
}

// The rows, shared out to threads one at a time; the calling thread reports progress.
// Returns false when cancelled.
bool BakeRows(const Job& job, int threads) {
  const int height = job.map.height;
  std::atomic<int> next{0}, done{0};
  std::atomic<long long> misses{0};
  std::mutex mutex;
  std::condition_variable finished;
  const std::atomic<bool>* cancel = job.options.cancel;
  const auto work = [&] {
    long long mine = 0;
    for (int y; (y = next.fetch_add(1)) < height;) {
      if (cancel != nullptr && cancel->load()) break;
      mine += BakeRow(job, y);
      if (done.fetch_add(1) + 1 == height) {
        const std::lock_guard lock(mutex);
        finished.notify_all();
      }
    }
    misses += mine;
  };
  std::vector<std::thread> workers;
  workers.reserve(static_cast<std::size_t>(threads));
  for (int i = 0; i < threads; ++i) {
    try {
      workers.emplace_back(work);
    } catch (...) {
      break;  // as many as the system and memory give
    }
  }
  if (workers.empty()) {
    work();
  } else {
    std::unique_lock lock(mutex);
    while (done.load() < height && !(cancel != nullptr && cancel->load())) {
      finished.wait_for(lock, std::chrono::milliseconds(100));
      if (job.options.progress) job.options.progress(static_cast<double>(done.load()) / height);
    }
  }
  for (std::thread& worker : workers) worker.join();
  job.map.misses = misses.load();
  return done.load() == height;
}

// The bounding box of tris' corners (none: from +infinity to -infinity).
struct Box {
  double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  bool empty = true;  // no triangles
};

Box BoxOf(const std::vector<RlRawTriangle>& tris) {
  Box box;
  box.empty = tris.empty();
  for (const RlRawTriangle& t : tris) {
    for (const RlRawPoint& p : t.vert) {
      const double c[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) box.lo[k] = std::min(box.lo[k], c[k]), box.hi[k] = std::max(box.hi[k], c[k]);
    }
  }
  return box;
}

// 5 % of the box's diagonal; 0 for a box of no triangles.
double DefaultMaxDistance(const Box& box) {
  if (box.empty) return 0;
  const double d[3] = {box.hi[0] - box.lo[0], box.hi[1] - box.lo[1], box.hi[2] - box.lo[2]};
  return 0.05 * std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

}  // namespace

double RlDefaultMaxDistance(const std::vector<RlRawTriangle>& low) { return DefaultMaxDistance(BoxOf(low)); }

namespace {

// The farthest coordinate either mesh may have. The ray tracer works in single
// precision and its bounds overflow not far beyond this; nothing that far out has detail
// a map could hold.
constexpr double kMaxCoordinate = 1e15;

bool WithinReach(const std::vector<RlRawTriangle>& tris) {
  for (const RlRawTriangle& t : tris) {
    for (const RlRawPoint& p : t.vert) {
      if (!(std::fabs(p.x) <= kMaxCoordinate && std::fabs(p.y) <= kMaxCoordinate && std::fabs(p.z) <= kMaxCoordinate)) {
        return false;
      }
    }
  }
  return true;
}

// Why the request cannot be baked; empty when it can.
std::string Refusal(const std::vector<RlRawTriangle>& low, const std::vector<RlRawTriangle>& high,
                    const RlBakeOptions& options) {
  if (options.width < 1 || options.width > kMaxSize || options.height < 1 || options.height > kMaxSize) {
    return "the map's size must be 1 to " + std::to_string(kMaxSize) + " texels each way";
  }
  if (options.samples < 1 || options.samples > kMaxSamples) {
    return "samples per texel must be 1 to " + std::to_string(kMaxSamples);
  }
  const auto distance = [](double d) { return d >= 0 && std::isfinite(d); };
  if (options.padding < 0 || !distance(options.maxDistance) || !distance(options.front) || !distance(options.rear) ||
      !distance(options.cageOffset) || !distance(options.occlusionDistance) || !distance(options.curvatureScale)) {
    return "padding and distances cannot be negative";
  }
  if (options.occlusionRays < 1 || options.occlusionRays > 4096) return "occlusion rays must be 1 to 4096 a texel";
  if (options.cage != nullptr && options.cageOffset > 0) return "a cage is given twice: as a mesh and as an offset";
  if (options.cage != nullptr && options.cage->size() != low.size()) {
    return "the cage has " + std::to_string(options.cage->size()) + " triangles and the low mesh " +
           std::to_string(low.size()) + ": a cage is the low mesh's triangles moved, in the same order";
  }
  for (const auto& [groups, tris, what, least] :
       {std::tuple{options.lowGroups, &low, "low mesh's groups", -1},
        std::tuple{options.highGroups, &high, "high mesh's groups", -1},
        std::tuple{options.highMaterials, &high, "high mesh's materials", 0}}) {
    if (groups == nullptr) continue;
    if (groups->size() != tris->size()) return std::string("the ") + what + " are given for other triangles";
    const int lowest = least;  // a copy: some compilers cannot capture a structured binding
    if (std::any_of(groups->begin(), groups->end(), [lowest](int g) { return g < lowest || g >= (1 << 20); })) {
      return std::string("the ") + what + " must be " + std::to_string(least) + " to 2^20 - 1";
    }
  }
  if (options.cage != nullptr && !WithinReach(*options.cage)) {
    return "the cage reaches beyond 1e15 from the origin, farther than rays can be traced in single precision";
  }
  if (low.empty() || high.empty())
    return low.empty() ? "the low mesh has no triangles" : "the high mesh has no triangles";
  if (low.size() > static_cast<std::size_t>(INT32_MAX / 3)) return "the low mesh has too many triangles";
  if (!WithinReach(low) || !WithinReach(high)) {
    return std::string(WithinReach(low) ? "the high" : "the low") +
           " mesh reaches beyond 1e15 from the origin, farther than rays can be traced in single precision";
  }
  const bool mapped = std::any_of(low.begin(), low.end(), [](const RlRawTriangle& t) {
    return std::any_of(std::begin(t.texCoord), std::end(t.texCoord),
                       [](RlRawTexCoord c) { return c.u != 0 || c.v != 0; });
  });
  if (!mapped) return "the low mesh has no texture coordinates";
  if (options.lowMesh != nullptr && options.lowMesh->indices.size() != low.size()) {
    return "the low mesh's tangents are given for another number of triangles";
  }
  return {};
}

// The low mesh pushed out by offset along its smoothed normals: at each position (corners
// with equal coordinates), the sum of its triangles' normals weighted by their areas, made
// unit, so that corners a hard edge parts still move together.
std::vector<RlRawTriangle> PushedOut(const std::vector<RlRawTriangle>& low, double offset) {
  std::map<std::array<float, 3>, std::array<double, 3>> sums;
  const auto key = [](const RlRawPoint& p) { return std::array<float, 3>{p.x, p.y, p.z}; };
  for (const RlRawTriangle& t : low) {
    double e[3], f[3];
    for (int k = 0; k < 3; ++k)
      e[k] = double{t.vert[1].v[k]} - t.vert[0].v[k], f[k] = double{t.vert[2].v[k]} - t.vert[0].v[k];
    const double n[3] = {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
    for (const RlRawPoint& p : t.vert) {
      std::array<double, 3>& sum = sums[key(p)];
      for (std::size_t k = 0; k < 3; ++k) sum[k] += n[k];
    }
  }
  std::vector<RlRawTriangle> cage = low;
  for (RlRawTriangle& t : cage) {
    for (int i = 0; i < 3; ++i) {
      std::array<double, 3> n = sums[key(t.vert[i])];
      double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (!(length > 0)) {  // no area around it: the corner's own normal
        n = {t.norm[i].x, t.norm[i].y, t.norm[i].z};
        length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      }
      for (int k = 0; k < 3; ++k) {
        t.vert[i].v[k] =
            static_cast<float>(t.vert[i].v[k] + (length > 0 ? offset * n[static_cast<std::size_t>(k)] / length : 0));
      }
    }
  }
  return cage;
}

// Each low triangle's corners in texels (6 doubles a triangle); false when the mesh
// names a vertex it does not have.
bool TexelCorners(const RlGltfMesh& mesh, int width, int height, std::vector<double>* uv) {
  for (std::size_t t = 0; t < mesh.indices.size(); ++t) {
    for (std::size_t i = 0; i < 3; ++i) {
      const auto v = static_cast<std::size_t>(mesh.indices[t].idx[i]);
      if (v >= mesh.vertices.size()) return false;
      (*uv)[6 * t + 2 * i] = double{mesh.vertices[v].uv[0]} * width;
      (*uv)[6 * t + 2 * i + 1] = double{mesh.vertices[v].uv[1]} * height;
    }
  }
  return true;
}

RlBakeStatus Bake(const std::vector<RlRawTriangle>& low, const std::vector<RlRawTriangle>& high,
                  const RlBakeOptions& options, RlBakeMap* map, std::string* error) {
  const auto fail = [error](const std::string& why) {
    *error = why;
    return RlBakeStatus::kFailed;
  };
  if (const std::string refusal = Refusal(low, high, options); !refusal.empty()) return fail(refusal);
  map->width = options.width;
  map->height = options.height;
  const Box box = BoxOf(low);
  const double defaultReach = DefaultMaxDistance(box);
  const double reach = options.maxDistance > 0 ? options.maxDistance : defaultReach;
  if (!(reach > 0)) return fail("the low mesh has no extent, so no maximum distance can be derived");
  std::vector<RlRawTriangle> pushed;
  if (options.cageOffset > 0) pushed = PushedOut(low, options.cageOffset);
  const std::vector<RlRawTriangle>* cage = options.cageOffset > 0 ? &pushed : options.cage;
  // Outside the low surface rays reach front, or from a cage as far as its farthest corner.
  double front = options.front > 0 ? options.front : reach;
  if (cage != nullptr) {
    front = 0;
    for (std::size_t t = 0; t < low.size(); ++t) {
      for (int i = 0; i < 3; ++i) {
        double d = 0;
        for (int k = 0; k < 3; ++k) d += std::pow(double{(*cage)[t].vert[i].v[k]} - low[t].vert[i].v[k], 2);
        front = std::max(front, std::sqrt(d));
      }
    }
  }
  const double rear = options.rear > 0 ? options.rear : reach;
  map->maxDistance = std::max(front, rear);
  map->occlusionDistance = options.occlusionDistance > 0 ? options.occlusionDistance : 2 * defaultReach;
  // The low mesh as a glTF viewer has it: as given, or welded.
  RlGltfMesh welded;
  if (options.lowMesh == nullptr && !RlWeldGltfMesh(low, options.basis, &welded)) {
    return fail("not enough memory to weld the low mesh");
  }
  const RlGltfMesh& lowMesh = options.lowMesh != nullptr ? *options.lowMesh : welded;
  std::vector<double> uv;
  std::vector<uint8_t> filled;
  const std::size_t texels = static_cast<std::size_t>(options.width) * static_cast<std::size_t>(options.height);
  try {
    uv.resize(6 * low.size());
    filled.assign(texels, 0);
    const RlBakeMaps& maps = options.maps;
    map->normals.assign(3 * texels, 0.0f);
    map->heights.assign(maps.heights ? texels : 0, 0.0f);
    map->objectNormals.assign(maps.objectNormals ? 3 * texels : 0, 0.0f);
    map->positions.assign(maps.positions ? 3 * texels : 0, 0.0f);
    map->occlusion.assign(maps.occlusion ? texels : 0, 0.0f);
    map->thickness.assign(maps.thickness ? texels : 0, 0.0f);
    map->bentNormals.assign(maps.bentNormals ? 3 * texels : 0, 0.0f);
    map->curvature.assign(maps.curvature ? texels : 0, 0.0f);
    map->materials.assign(maps.materials ? texels : 0, -1.0f);
    // Curvature is measured from the object-space normals and the points.
    if (maps.curvature && options.space == RlBakeSpace::kTangent) map->objectNormals.assign(3 * texels, 0.0f);
    if (maps.curvature) map->positions.assign(3 * texels, 0.0f);
  } catch (const std::bad_alloc&) {
    return fail("not enough memory for a map of this size");
  }
  if (!TexelCorners(lowMesh, options.width, options.height, &uv)) {
    return fail("the low mesh's tangents are given for other vertices");
  }
  RlTexelCover cover;
  if (!RlCoverTexels(uv, options.width, options.height, &cover))
    return fail("not enough memory for a map of this size");
  map->covered = cover.covered;
  map->overlapped = cover.overlapped;

  RlHighMesh highMesh;
  if (!highMesh.Build(high, options.highGroups, error)) return RlBakeStatus::kFailed;

  int across = static_cast<int>(std::sqrt(static_cast<double>(options.samples)));
  while (options.samples % across != 0) --across;
  Job job{options,
          highMesh,
          lowMesh.vertices,
          lowMesh.indices.data(),
          uv,
          cover,
          *map,
          filled,
          across,
          options.samples / across,
          cage,
          options.lowGroups,
          front,
          rear,
          {INFINITY, INFINITY, INFINITY},
          0};
  std::copy(box.lo, box.lo + 3, job.box);
  job.boxSide = std::max({box.hi[0] - box.lo[0], box.hi[1] - box.lo[1], box.hi[2] - box.lo[2]});
  if (!(job.boxSide > 0)) job.boxSide = 1;  // a low mesh without extent: positions from its point
  map->samples = cover.covered * options.samples;
  const int threads = options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  if (!BakeRows(job, threads)) return RlBakeStatus::kCancelled;

  if (options.maps.curvature) {
    const double scale = options.curvatureScale > 0 ? options.curvatureScale : defaultReach;
    // (The points are stored over the box's side.)
    Curvature(*map, options.space == RlBakeSpace::kTangent ? map->objectNormals : map->normals, map->positions, filled,
              scale / job.boxSide, &map->curvature);
    if (!options.maps.objectNormals) map->objectNormals = {};
    if (!options.maps.positions) map->positions = {};
  }
  // Beyond the islands: padding, then the flat background.
  static constexpr float kFlat[3] = {0, 0, 1};
  const float* flat = options.space == RlBakeSpace::kTangent ? kFlat : nullptr;
  map->padded = RlDilate(options.width, options.height, options.padding, &filled,
                         {{&map->normals, 3, true, flat},
                          {&map->heights, 1, false},
                          {&map->objectNormals, 3, true},
                          {&map->positions, 3, false},
                          {&map->occlusion, 1, false},
                          {&map->thickness, 1, false},
                          {&map->bentNormals, 3, true, flat},
                          {&map->curvature, 1, false},
                          {&map->materials, 1, false, nullptr, true}});
  if (options.space == RlBakeSpace::kTangent) {
    for (std::size_t i = 0; i < texels; ++i) {
      if (!filled[i]) map->normals[3 * i + 2] = 1.0f;
      if (!filled[i] && !map->bentNormals.empty()) map->bentNormals[3 * i + 2] = 1.0f;
    }
  }
  if (options.progress) options.progress(1.0);
  return RlBakeStatus::kDone;
}

}  // namespace

RlBakeStatus RlBake(const std::vector<RlRawTriangle>& low, const std::vector<RlRawTriangle>& high,
                    const RlBakeOptions& options, RlBakeMap* map, std::string* error) {
  try {
    return Bake(low, high, options, map, error);
  } catch (const std::bad_alloc&) {
    *error = "not enough memory for a map of this size";
  } catch (const std::system_error& e) {
    *error = std::string("the system refused: ") + e.what();
  }
  return RlBakeStatus::kFailed;
}
