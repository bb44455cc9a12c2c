#include "GltfVertex.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "RlTangentSpace.h"

namespace {

double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Cross(const double* a, const double* b, double* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// Scales v to unit length; a zero vector becomes fallback.
void Normalise(double* v, const double* fallback) {
  const double length = std::sqrt(Dot(v, v));
  for (int k = 0; k < 3; ++k) v[k] = length > 0 ? v[k] / length : fallback[k];
}

}  // namespace

RlGltfVertex RlToGltfVertex(const RlTangentPointD& v) {
  // The record is packed: its doubles are copied out, never pointed at.
  double position[3], normal[3], uv[2], tangent[3], binormal[3];
  std::memcpy(position, &v.vertex, sizeof position);
  std::memcpy(normal, &v.normal, sizeof normal);
  std::memcpy(uv, &v.uv, sizeof uv);
  std::memcpy(tangent, &v.tangent, sizeof tangent);
  std::memcpy(binormal, &v.binormal, sizeof binormal);
  RlGltfVertex out;
  const double length = std::sqrt(Dot(normal, normal));
  double side[3];
  Cross(normal, tangent, side);
  for (int k = 0; k < 3; ++k) {
    out.position[k] = static_cast<float>(position[k]);
    out.normal[k] = length > 0 ? static_cast<float>(normal[k] / length) : (k == 2 ? 1.0f : 0.0f);
    out.tangent[k] = static_cast<float>(tangent[k]);
  }
  out.tangent[3] = Dot(side, binormal) < 0 ? -1.0f : 1.0f;
  out.uv[0] = static_cast<float>(uv[0]);
  out.uv[1] = static_cast<float>(1.0 - uv[1]);
  return out;
}

bool RlWeldGltfMesh(const std::vector<RlRawTriangle>& tris, RlGltfMesh* mesh) {
  int numVerts = 0;
  RlTangentPointD* rawVerts = nullptr;
  RlIndex* rawIndices = nullptr;
  const bool welded = RlCreateVertexBuffers(static_cast<int>(tris.size()), const_cast<RlRawTriangle*>(tris.data()),
                                            &numVerts, &rawVerts, &rawIndices);
  const std::unique_ptr<RlTangentPointD[]> verts(rawVerts);
  const std::unique_ptr<RlIndex[]> indices(rawIndices);
  if (!welded) return false;
  try {
    mesh->vertices.resize(static_cast<std::size_t>(numVerts));
    mesh->indices.assign(indices.get(), indices.get() + tris.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int v = 0; v < numVerts; ++v) mesh->vertices[static_cast<std::size_t>(v)] = RlToGltfVertex(verts[v]);
  return true;
}

RlGltfFrame RlGltfFrameAt(const RlGltfVertex* const c[3], const double w[3]) {
  static constexpr double kUp[3] = {0, 0, 1};
  static constexpr double kAlong[3] = {1, 0, 0};
  RlGltfFrame f;
  double side = 0;
  for (int k = 0; k < 3; ++k) {
    f.normal[k] = w[0] * c[0]->normal[k] + w[1] * c[1]->normal[k] + w[2] * c[2]->normal[k];
    f.tangent[k] = w[0] * c[0]->tangent[k] + w[1] * c[1]->tangent[k] + w[2] * c[2]->tangent[k];
    side += w[k] * c[k]->tangent[3];
  }
  Normalise(f.normal, kUp);
  Normalise(f.tangent, kAlong);
  const double along = Dot(f.normal, f.tangent);
  for (int k = 0; k < 3; ++k) f.tangent[k] -= along * f.normal[k];
  // A tangent along the normal leaves no direction: any perpendicular one will do.
  double fallback[3];
  Cross(f.normal, std::fabs(f.normal[0]) < 0.9 ? kAlong : kUp, fallback);
  Normalise(fallback, kAlong);
  Normalise(f.tangent, fallback);
  Cross(f.normal, f.tangent, f.bitangent);
  if (side < 0) {
    for (double& b : f.bitangent) b = -b;
  }
  return f;
}
