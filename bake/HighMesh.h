// The high-resolution mesh as rays see it: an Embree scene of its triangles, with their
// corner normals for shading the hits.
#ifndef RL_HIGH_MESH_H
#define RL_HIGH_MESH_H

#include <embree3/rtcore.h>

#include <string>
#include <vector>

#include "RlFileIO.h"

// Where a ray met the high surface: the signed distance along the direction looked in
// (positive outwards, along the low normal) and the unit interpolated corner normal.
struct RlSurfaceHit {
  double distance;
  double normal[3];
};

class RlHighMesh {
 public:
  RlHighMesh() = default;
  ~RlHighMesh();
  RlHighMesh(const RlHighMesh&) = delete;
  RlHighMesh& operator=(const RlHighMesh&) = delete;

  // Builds the scene over tris (finite values; degenerate triangles are never hit).
  // False with *error saying why (out of memory, Embree's own error).
  bool Build(const std::vector<RlRawTriangle>& tris, std::string* error);

  // The hit nearest to origin along +direction or -direction within maxDistance (the
  // outward one on a tie); false when there is none. Safe from any number of threads.
  bool Nearest(const double origin[3], const double direction[3], double maxDistance, RlSurfaceHit* hit) const;

 private:
  // The first hit from origin along sign * direction within [0, reach], into *query.
  bool First(const double origin[3], const double direction[3], double sign, float reach, RTCRayHit* query) const;

  RTCDevice device_ = nullptr;
  RTCScene scene_ = nullptr;
  std::vector<float> normals_;  // 9 per triangle: its corners' normals
};

#endif
