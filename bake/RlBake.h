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

// The maps a bake makes besides its normal map, from the same rays.
struct RlBakeMaps {
  bool heights = false;        // the signed distance from low to high, over the search's reach
  bool objectNormals = false;  // the high normal in object space, besides a tangent-space map
  bool positions = false;      // the high surface's point, in the low mesh's bounding box
  bool occlusion = false;      // ambient occlusion of the high surface by itself
  bool thickness = false;      // how far rays travel inside the high surface
  bool bentNormals = false;    // the mean direction of the occlusion rays that escape
  bool curvature = false;      // how fast the high normal turns across the surface
  bool materials = false;      // which high material the rays meet
};

struct RlBakeOptions {
  int width = 2048;
  int height = 2048;
  // How far from the low surface, on either side along its normal, the high one is
  // looked for; 0 takes RlDefaultMaxDistance. front and rear, when above 0, take the
  // place of maxDistance outside (without a cage) and inside the low surface.
  double maxDistance = 0;
  double front = 0;
  double rear = 0;
  // A cage: rays start on it and travel inwards, through the low surface and rear beyond
  // it, and the first surface they meet is baked. Either the low mesh pushed out by
  // cageOffset (above 0) along its smoothed normals (one per position, so that hard edges
  // leave no gap), or cage (not owned): low's triangles moved, in low's order. Without a
  // cage, rays search both ways along the low normal and the nearest surface is baked
  // (the outer one on a tie).
  double cageOffset = 0;
  const std::vector<RlRawTriangle>* cage = nullptr;
  // Groups, to bake many objects at once each from its own: lowGroups[t] names low
  // triangle t's group, highGroups[j] high triangle j's (-1: none; both null: one group).
  // A sample's rays meet only the high triangles of its low triangle's group. Not owned.
  const std::vector<int>* lowGroups = nullptr;
  const std::vector<int>* highGroups = nullptr;
  // The material of each high triangle, 0 to 2^20 - 1 (null: all 0), for the materials
  // map. Not owned.
  const std::vector<int>* highMaterials = nullptr;
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
  int threads = 0;  // 0: one per processor; the maps are the same for any count
  RlBakeMaps maps;
  // Ambient occlusion and thickness: rays per texel (shared among its samples), cast from
  // each sample's hit over the cosine-weighted hemisphere above (occlusion) or below
  // (thickness) the high surface, up to occlusionDistance (0: twice RlDefaultMaxDistance).
  int occlusionRays = 16;
  double occlusionDistance = 0;
  // The curvature stored is the surface's mean curvature (1 / radius on a sphere) times
  // curvatureScale (0: RlDefaultMaxDistance), clamped to [-1, 1].
  double curvatureScale = 0;
  // Called on the calling thread now and then with the share of texel rows done.
  std::function<void(double)> progress;
  // Polled while baking: once it reads true, the bake stops.
  const std::atomic<bool>* cancel = nullptr;
};

// A baked map: rows from the top, width * height texels. The maps not asked for are
// empty.
struct RlBakeMap {
  int width = 0;
  int height = 0;
  std::vector<float> normals;        // 3 per texel: a unit vector in the map's space
  std::vector<float> heights;        // 1 per texel: in units of maxDistance, -1 to 1, positive outwards
  std::vector<float> objectNormals;  // 3 per texel: a unit vector in object space
  std::vector<float> positions;      // 3 per texel: (p - box minimum) / the box's longest side, 0 to 1
  std::vector<float> occlusion;      // 1 per texel: the share of rays that escape, 0 (hidden) to 1 (open)
  std::vector<float> thickness;      // 1 per texel: the mean distance inside, over occlusionDistance, 0 to 1
  std::vector<float> bentNormals;    // 3 per texel: a unit vector in the normal map's space
  std::vector<float> curvature;      // 1 per texel: -1 (concave) to 1 (convex), 0 flat
  std::vector<float> materials;      // 1 per texel: the material most samples met (the lowest on a tie), -1 none
  double maxDistance = 0;            // the farther of the search's reach outside (or the cage's) and inside
  double occlusionDistance = 0;
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
// (0, 0, 0) in object space, -1 in the materials map, 0 in the others; padding takes a
// material from one neighbour rather than blending them. A sample that meets nothing
// counts as the low surface itself (its normal, height 0, its point, no material) and as
// open and thin. The occlusion and thickness rays follow a sequence fixed by each texel's
// place, so the maps are the same for any thread count. Returns kDone; kCancelled when
// options.cancel was set (the map is then incomplete); kFailed with *error saying why
// (empty meshes, no texture coordinates, a cage of other triangles, memory, bad options).
RlBakeStatus RlBake(const std::vector<RlRawTriangle>& low, const std::vector<RlRawTriangle>& high,
                    const RlBakeOptions& options, RlBakeMap* map, std::string* error);

#endif
