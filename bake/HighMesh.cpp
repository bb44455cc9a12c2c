#include "HighMesh.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

namespace {

const char* Describe(RTCError code) {
  switch (code) {
    case RTC_ERROR_OUT_OF_MEMORY:
      return "not enough memory for the ray-tracing scene";
    case RTC_ERROR_UNSUPPORTED_CPU:
      return "Embree does not support this processor";
    default:
      return "Embree failed to build the ray-tracing scene";
  }
}

// Whether count threads can run at once.
bool ThreadsAvailable(unsigned count) {
  std::vector<std::thread> threads;
  threads.reserve(count);
  bool available = true;
  try {
    for (unsigned i = 0; i < count; ++i) threads.emplace_back([] {});
  } catch (const std::system_error&) {
    available = false;
  } catch (...) {  // no memory for a thread: those started are joined first
    for (std::thread& thread : threads) thread.join();
    throw;
  }
  for (std::thread& thread : threads) thread.join();
  return available;
}

}  // namespace

RlHighMesh::~RlHighMesh() {
  for (const Group& group : groups_) {
    if (group.scene != nullptr) rtcReleaseScene(group.scene);
  }
  if (device_ != nullptr) rtcReleaseDevice(device_);
}

bool RlHighMesh::Build(const std::vector<RlRawTriangle>& tris, const std::vector<int>* groupOf, std::string* error) {
  if (tris.size() > std::numeric_limits<unsigned>::max() / 3) {
    *error = "the high mesh has too many triangles";
    return false;
  }
  // Embree starts a worker thread per processor and cannot survive failing to (its
  // teardown ends the process): the threads are asked of the system first.
  if (!ThreadsAvailable(std::max(1u, std::thread::hardware_concurrency()))) {
    *error = "the system gives no threads to trace rays with (" + std::string(std::strerror(EAGAIN)) + ")";
    return false;
  }
  device_ = rtcNewDevice(nullptr);
  if (device_ == nullptr) {
    *error = Describe(rtcGetDeviceError(nullptr));
    return false;
  }
  const auto fail = [&] {
    *error = Describe(rtcGetDeviceError(device_));
    return false;
  };
  try {
    normals_.resize(9 * tris.size());
    int count = 1;
    if (groupOf != nullptr) {
      count = 0;
      for (const int g : *groupOf) count = std::max(count, g + 1);
    }
    groups_.resize(static_cast<std::size_t>(count));
    for (std::size_t t = 0; t < tris.size(); ++t) {
      const int g = groupOf != nullptr ? (*groupOf)[t] : 0;
      if (g >= 0) groups_[static_cast<std::size_t>(g)].triangles.push_back(static_cast<unsigned>(t));
    }
  } catch (const std::bad_alloc&) {
    *error = Describe(RTC_ERROR_OUT_OF_MEMORY);
    return false;
  }
  for (std::size_t t = 0; t < tris.size(); ++t) {
    for (std::size_t i = 0; i < 3; ++i) {
      const RlRawPoint& m = tris[t].norm[i];
      float* normal = &normals_[9 * t + 3 * i];
      normal[0] = m.x, normal[1] = m.y, normal[2] = m.z;
    }
  }
  for (Group& group : groups_) {
    if (group.triangles.empty()) continue;
    group.scene = rtcNewScene(device_);
    RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
    if (group.scene == nullptr || geometry == nullptr) return fail();
    const auto n = group.triangles.size();
    auto* points = static_cast<float*>(
        rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), 3 * n));
    auto* corners = static_cast<unsigned*>(
        rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), n));
    if (points == nullptr || corners == nullptr) {
      rtcReleaseGeometry(geometry);
      return fail();
    }
    for (std::size_t k = 0; k < n; ++k) {
      const RlRawTriangle& tri = tris[group.triangles[k]];
      for (std::size_t i = 0; i < 3; ++i) {
        const RlRawPoint& p = tri.vert[i];
        float* point = &points[9 * k + 3 * i];
        point[0] = p.x, point[1] = p.y, point[2] = p.z;
        corners[3 * k + i] = static_cast<unsigned>(3 * k + i);
      }
    }
    rtcCommitGeometry(geometry);
    rtcAttachGeometry(group.scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcSetSceneFlags(group.scene, RTC_SCENE_FLAG_ROBUST);
    rtcCommitScene(group.scene);
    if (rtcGetDeviceError(device_) != RTC_ERROR_NONE) return fail();
  }
  return true;
}

bool RlHighMesh::Cast(int group, const double origin[3], const double direction[3], double sign, float tnear,
                      float reach, RTCRayHit* query) const {
  if (group < 0 || static_cast<std::size_t>(group) >= groups_.size() ||
      groups_[static_cast<std::size_t>(group)].scene == nullptr) {
    return false;
  }
  RTCIntersectContext context;
  rtcInitIntersectContext(&context);
  *query = RTCRayHit{};
  query->ray.org_x = static_cast<float>(origin[0]);
  query->ray.org_y = static_cast<float>(origin[1]);
  query->ray.org_z = static_cast<float>(origin[2]);
  query->ray.dir_x = static_cast<float>(sign * direction[0]);
  query->ray.dir_y = static_cast<float>(sign * direction[1]);
  query->ray.dir_z = static_cast<float>(sign * direction[2]);
  query->ray.tnear = tnear;
  query->ray.tfar = reach;
  query->ray.mask = 0xffffffffu;
  query->hit.geomID = RTC_INVALID_GEOMETRY_ID;
  rtcIntersect1(groups_[static_cast<std::size_t>(group)].scene, &context, query);
  return query->hit.geomID != RTC_INVALID_GEOMETRY_ID;
}

void RlHighMesh::Shade(int group, const RTCRayHit& query, const double origin[3], const double direction[3],
                       double sign, RlSurfaceHit* hit) const {
  hit->triangle = groups_[static_cast<std::size_t>(group)].triangles[query.hit.primID];
  const float* n = &normals_[9 * std::size_t{hit->triangle}];
  const double u = query.hit.u, v = query.hit.v, w = 1.0 - u - v;
  double length = 0;
  for (int k = 0; k < 3; ++k) {
    hit->normal[k] = w * n[k] + u * n[3 + k] + v * n[6 + k];
    length += hit->normal[k] * hit->normal[k];
  }
  if (!(length > 0)) {
    // Corner normals that cancel out: the face's own normal (Embree's, unnormalised).
    hit->normal[0] = query.hit.Ng_x, hit->normal[1] = query.hit.Ng_y, hit->normal[2] = query.hit.Ng_z;
    length = hit->normal[0] * hit->normal[0] + hit->normal[1] * hit->normal[1] + hit->normal[2] * hit->normal[2];
  }
  length = std::sqrt(length);
  for (double& c : hit->normal) c = length > 0 ? c / length : 0;
  hit->distance = sign * double{query.ray.tfar};
  for (int k = 0; k < 3; ++k) hit->position[k] = origin[k] + hit->distance * direction[k];
}

bool RlHighMesh::Nearest(int group, const double origin[3], const double direction[3], double front, double rear,
                         RlSurfaceHit* hit) const {
  RTCRayHit out, in;
  const bool outwards = Cast(group, origin, direction, 1, 0, static_cast<float>(front), &out);
  const float inReach = outwards ? std::min(out.ray.tfar, static_cast<float>(rear)) : static_cast<float>(rear);
  const bool inwards = Cast(group, origin, direction, -1, 0, inReach, &in) && (!outwards || in.ray.tfar < out.ray.tfar);
  if (!outwards && !inwards) return false;
  Shade(group, inwards ? in : out, origin, direction, inwards ? -1 : 1, hit);
  return true;
}

bool RlHighMesh::First(int group, const double origin[3], const double direction[3], double reach,
                       RlSurfaceHit* hit) const {
  RTCRayHit query;
  if (!Cast(group, origin, direction, 1, 0, static_cast<float>(reach), &query)) return false;
  Shade(group, query, origin, direction, 1, hit);
  return true;
}

double RlHighMesh::Distance(int group, const double origin[3], const double direction[3], double tnear,
                            double reach) const {
  RTCRayHit query;
  return Cast(group, origin, direction, 1, static_cast<float>(tnear), static_cast<float>(reach), &query)
             ? std::min(double{query.ray.tfar}, reach)
             : reach;
}
