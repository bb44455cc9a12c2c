// The bake: the low mesh welded and covered texel by texel, each texel's samples cast
// against the high mesh along the low normal, the hits' normals expressed in the low
// mesh's glTF frames, and the islands padded.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

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
};

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

// One row of texels; returns its samples' misses.
long long BakeRow(const Job& job, int y) {
  const int width = job.map.width;
  long long misses = 0;
  for (int x = 0; x < width; ++x) {
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    if (job.cover.owner[at] < 0) continue;
    double sum[3] = {0, 0, 0}, height = 0;
    int hits = 0;
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
        if (!job.high.Nearest(point, normal, job.map.maxDistance, &hit)) {
          ++misses;
          if (job.options.space == RlBakeSpace::kTangent) {
            sum[2] += 1;
          } else {
            for (int k = 0; k < 3; ++k) sum[k] += normal[k];
          }
          continue;
        }
        ++hits;
        height += hit.distance;
        if (job.options.space == RlBakeSpace::kTangent) {
          double m[3];
          RlToTangentSpace(frame, hit.normal, m);
          for (int k = 0; k < 3; ++k) sum[k] += m[k];
        } else {
          for (int k = 0; k < 3; ++k) sum[k] += hit.normal[k];
        }
      }
    }
    const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    for (int k = 0; k < 3; ++k) {
      job.map.normals[3 * at + static_cast<std::size_t>(k)] = length > 0 ? static_cast<float>(sum[k] / length) : 0.0f;
    }
    if (!job.map.heights.empty()) {
      job.map.heights[at] = hits > 0 ? static_cast<float>(height / hits / job.map.maxDistance) : 0.0f;
    }
    job.filled[at] = 1;
  }
  return misses;
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

}  // namespace

double RlDefaultMaxDistance(const std::vector<RlRawTriangle>& low) {
  double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (const RlRawTriangle& t : low) {
    for (const RlRawPoint& p : t.vert) {
      const double c[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
    }
  }
  if (low.empty()) return 0;
  const double d[3] = {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
  return 0.05 * std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

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
  if (options.padding < 0 || !(options.maxDistance >= 0) || !std::isfinite(options.maxDistance)) {
    return "padding and the maximum distance cannot be negative";
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
  map->maxDistance = options.maxDistance > 0 ? options.maxDistance : RlDefaultMaxDistance(low);
  if (!(map->maxDistance > 0)) return fail("the low mesh has no extent, so no maximum distance can be derived");
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
    map->normals.assign(3 * texels, 0.0f);
    map->heights.assign(options.heights ? texels : 0, 0.0f);
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
  if (!highMesh.Build(high, error)) return RlBakeStatus::kFailed;

  int across = static_cast<int>(std::sqrt(static_cast<double>(options.samples)));
  while (options.samples % across != 0) --across;
  const Job job{options, highMesh, lowMesh.vertices, lowMesh.indices.data(),  uv, cover,
                *map,    filled,   across,           options.samples / across};
  map->samples = cover.covered * options.samples;
  const int threads = options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  if (!BakeRows(job, threads)) return RlBakeStatus::kCancelled;

  // Beyond the islands: padding, then the flat background.
  map->padded = RlDilate(options.width, options.height, options.padding, &filled, &map->normals, &map->heights);
  if (options.space == RlBakeSpace::kTangent) {
    for (std::size_t i = 0; i < texels; ++i) {
      if (!filled[i]) map->normals[3 * i + 2] = 1.0f;
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
