// The high-resolution mesh as rays see it: an Embree scene of its triangles, with their
// corner normals for shading the hits.
#ifndef RL_HIGH_MESH_H
#define RL_HIGH_MESH_H

#include <embree3/rtcore.h>

#include <string>
#include <vector>

#include "RlFileIO.h"

// Where a ray met the high surface: the signed distance along the direction looked in
// (positive outwards, along the low normal, or along the ray from a cage), the point and
// the unit interpolated corner normal.
struct RlSurfaceHit {
  double distance;
  double position[3];
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

  // All queries are safe from any number of threads.
  // The hit nearest to origin along +direction within front or along -direction within
  // rear (the outward one on a tie); false when there is none.
  bool Nearest(const double origin[3], const double direction[3], double front, double rear, RlSurfaceHit* hit) const;
  // The first hit from origin along direction within reach; false when there is none.
  bool First(const double origin[3], const double direction[3], double reach, RlSurfaceHit* hit) const;
  // How far from origin along direction, beyond tnear, the first surface lies: reach when
  // none lies within it.
  double Distance(const double origin[3], const double direction[3], double tnear, double reach) const;

 private:
  // The first hit from origin along sign * direction within [tnear, reach], into *query.
  bool Cast(const double origin[3], const double direction[3], double sign, float tnear, float reach,
            RTCRayHit* query) const;
  // The hit's point and normal, from origin along sign * direction.
  void Shade(const RTCRayHit& query, const double origin[3], const double direction[3], double sign,
             RlSurfaceHit* hit) const;

  RTCDevice device_ = nullptr;
  RTCScene scene_ = nullptr;
  std::vector<float> normals_;  // 9 per triangle: its corners' normals
};

#endif
