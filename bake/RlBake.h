// Baking: the detail of a high-resolution mesh stored in a normal map, expressed in the
// tangent frames of a low-resolution mesh, so that a renderer lights the low mesh as if
// it were the high one.
//
// The low mesh is welded as rlf weld welds it (GltfMesh.h), and the map's frames are
// those a viewer builds from that glb (TangentFrame.h): +X along the tangent, +Y along
// the bitangent (up the image), +Z along the normal, each texel encoded with the exact
// inverse of the viewer's decoding. Texel (x, y),
// y counted from the image's top row, covers glTF texture coordinates
// [x / W, (x + 1) / W] x [y / H, (y + 1) / H]; glTF's v is 1 - the host's v.
#ifndef RL_BAKE_H
#define RL_BAKE_H

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "GltfMesh.h"
#include "RlFileIO.h"
#include "TangentFrame.h"

enum class RlBakeSpace { kTangent, kObject };

struct RlBakeOptions {
  int width = 2048;
  int height = 2048;
  // How far from the low surface, on either side along its normal, the high one is
  // looked for; 0 takes RlDefaultMaxDistance.
  double maxDistance = 0;
  int samples = 4;   // per texel, on a stratified grid
  int padding = 16;  // texels of dilation outwards from the islands
  RlBakeSpace space = RlBakeSpace::kTangent;
  // The tangent frames of a tangent-space map: the tangents, and how the bitangent is built.
  RlTangentBasis basis = RlTangentBasis::kMikkTSpace;
  RlBitangent bitangent = RlBitangent::kPixel;
  // The low mesh as a file gives it, with its own tangents, to bake in instead of welding
  // low and computing tangents in basis: its triangles must be low's, in low's order.
  // Not owned; read only.
  const RlGltfMesh* lowMesh = nullptr;
  int threads = 0;       // 0: one per processor; the map is the same for any count
  bool heights = false;  // also the signed distance from low to high along the normal
  // Called on the calling thread now and then with the share of texel rows done.
  std::function<void(double)> progress;
  // Polled while baking: once it reads true, the bake stops.
  const std::atomic<bool>* cancel = nullptr;
};

// A baked map: rows from the top, width * height texels.
struct RlBakeMap {
  int width = 0;
  int height = 0;
  std::vector<float> normals;  // 3 per texel: a unit vector in the map's space
  std::vector<float> heights;  // 1 per texel when asked for: in units of maxDistance, -1 to 1
  double maxDistance = 0;
  long long covered = 0;     // texels inside the low mesh's triangles
  long long overlapped = 0;  // of those, texels that two or more triangles cover
  long long samples = 0;     // rays' sample points
  long long misses = 0;      // samples that met no high surface: (0, 0, 1) in tangent space
  long long padded = 0;      // texels filled by dilation
};

enum class RlBakeStatus { kDone, kCancelled, kFailed };

// 5 % of the diagonal of the low mesh's bounding box.
double RlDefaultMaxDistance(const std::vector<RlRawTriangle>& low);

// Bakes high onto low (both world-space triangle lists, read only) into *map. Texels
// that no triangle covers and dilation does not reach hold (0, 0, 1) in tangent space,
// (0, 0, 0) in object space. Returns kDone; kCancelled when options.cancel was set (the
// map is then incomplete); kFailed with *error saying why (empty meshes, no texture
// coordinates, memory, bad options).
RlBakeStatus RlBake(const std::vector<RlRawTriangle>& low, const std::vector<RlRawTriangle>& high,
                    const RlBakeOptions& options, RlBakeMap* map, std::string* error);

#endif
