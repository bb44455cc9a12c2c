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
// the unit interpolated corner normal, and which high triangle it lies on.
struct RlSurfaceHit {
  double distance;
  double position[3];
  double normal[3];
  unsigned triangle;
};

class RlHighMesh {
 public:
  RlHighMesh() = default;
  ~RlHighMesh();
  RlHighMesh(const RlHighMesh&) = delete;
  RlHighMesh& operator=(const RlHighMesh&) = delete;

  // Builds a scene over tris (finite values; degenerate triangles are never hit) for each
  // group: groupOf[t] names triangle t's group (-1: none; null: all in group 0). False
  // with *error saying why (out of memory, Embree's own error).
  bool Build(const std::vector<RlRawTriangle>& tris, const std::vector<int>* groupOf, std::string* error);

  // All queries see only the triangles of group (none for a group without triangles),
  // and are safe from any number of threads.
  // The hit nearest to origin along +direction within front or along -direction within
  // rear (the outward one on a tie); false when there is none.
  bool Nearest(int group, const double origin[3], const double direction[3], double front, double rear,
               RlSurfaceHit* hit) const;
  // The first hit from origin along direction within reach; false when there is none.
  bool First(int group, const double origin[3], const double direction[3], double reach, RlSurfaceHit* hit) const;
  // How far from origin along direction, beyond tnear, the first surface lies: reach when
  // none lies within it.
  double Distance(int group, const double origin[3], const double direction[3], double tnear, double reach) const;

 private:
  struct Group {
    RTCScene scene = nullptr;
    std::vector<unsigned> triangles;  // the high triangle of each of the scene's
  };

  // The first hit of group's from origin along sign * direction within [tnear, reach],
  // into *query.
  bool Cast(int group, const double origin[3], const double direction[3], double sign, float tnear, float reach,
            RTCRayHit* query) const;
  // The hit's point and normal, from origin along sign * direction.
  void Shade(int group, const RTCRayHit& query, const double origin[3], const double direction[3], double sign,
             RlSurfaceHit* hit) const;

  RTCDevice device_ = nullptr;
  std::vector<Group> groups_;
  std::vector<float> normals_;  // 9 per triangle: its corners' normals
};

#endif
