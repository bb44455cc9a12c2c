#include "GltfMesh.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

#include "MikkTSpace.h"
#include "RlTangentSpace.h"

namespace {

// The vertex's attributes rounded to floats, with the library's tangent and w unset.
RlGltfVertex ToGltfVertex(const RlTangentPointD& v) {
  // The record is packed: its doubles are copied out, never pointed at.
  double position[3], normal[3], uv[2], tangent[3];
  std::memcpy(position, &v.vertex, sizeof position);
  std::memcpy(normal, &v.normal, sizeof normal);
  std::memcpy(uv, &v.uv, sizeof uv);
  std::memcpy(tangent, &v.tangent, sizeof tangent);
  RlGltfVertex out;
  const double length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
  for (int k = 0; k < 3; ++k) {
    out.position[k] = static_cast<float>(position[k]);
    out.normal[k] = length > 0 ? static_cast<float>(normal[k] / length) : (k == 2 ? 1.0f : 0.0f);
    out.tangent[k] = static_cast<float>(tangent[k]);
  }
  out.tangent[3] = 0;
  out.uv[0] = static_cast<float>(uv[0]);
  out.uv[1] = static_cast<float>(1.0 - uv[1]);
  return out;
}

// The corners' tangents (4 floats a corner) in MikkTSpace's frames over the glTF
// vertices. Those frames follow increasing glTF v, down the image; negating w turns the
// bitangent up the image, as computing them over the host's v would.
bool MikkTSpaceCorners(const std::vector<RlGltfVertex>& vertices, const RlIndex* indices, std::size_t numTris,
                       std::vector<float>* tangents) {
  std::vector<float> positions(3 * vertices.size()), normals(3 * vertices.size()), uvs(2 * vertices.size());
  for (std::size_t v = 0; v < vertices.size(); ++v) {
    std::memcpy(&positions[3 * v], vertices[v].position, sizeof vertices[v].position);
    std::memcpy(&normals[3 * v], vertices[v].normal, sizeof vertices[v].normal);
    std::memcpy(&uvs[2 * v], vertices[v].uv, sizeof vertices[v].uv);
  }
  std::vector<int> corners(3 * numTris);
  for (std::size_t c = 0; c < corners.size(); ++c) corners[c] = indices[c / 3].idx[c % 3];
  tangents->resize(12 * numTris);
  if (!RlMikkTSpaceTangents(vertices.size(), positions.data(), normals.data(), uvs.data(), numTris, corners.data(),
                            tangents->data())) {
    return false;
  }
  for (std::size_t c = 0; c < 3 * numTris; ++c) (*tangents)[4 * c + 3] = -(*tangents)[4 * c + 3];
  return true;
}

// The library's tangent at each corner, with w from the triangle's winding in (u, host v).
void LibraryCorners(const std::vector<RlGltfVertex>& vertices, const RlIndex* indices, std::size_t numTris,
                    std::vector<float>* tangents) {
  tangents->resize(12 * numTris);
  for (std::size_t t = 0; t < numTris; ++t) {
    const RlGltfVertex* c[3];
    for (int i = 0; i < 3; ++i) c[i] = &vertices[static_cast<std::size_t>(indices[t].idx[i])];
    // glTF's v runs the other way: its clockwise is the host's counter-clockwise.
    const double area = (double{c[1]->uv[0]} - c[0]->uv[0]) * (double{c[2]->uv[1]} - c[0]->uv[1]) -
                        (double{c[1]->uv[1]} - c[0]->uv[1]) * (double{c[2]->uv[0]} - c[0]->uv[0]);
    for (std::size_t i = 0; i < 3; ++i) {
      std::memcpy(&(*tangents)[12 * t + 4 * i], c[i]->tangent, 3 * sizeof(float));
      (*tangents)[12 * t + 4 * i + 3] = area > 0 ? -1.0f : 1.0f;
    }
  }
}

// A triangle whose corners disagree on w (one without texture area, whose corners took
// the windings of different neighbours) takes the w most of its corners have.
void OneHandednessPerTriangle(std::size_t numTris, std::vector<float>* tangents) {
  for (std::size_t t = 0; t < numTris; ++t) {
    float* w = &(*tangents)[12 * t + 3];
    const float side = w[0] + w[4] + w[8] > 0 ? 1.0f : -1.0f;
    w[0] = w[4] = w[8] = side;
  }
}

// glTF asks for unit tangents. Where the frames leave a corner none (a texture direction
// along the normal, or none at all), any unit tangent perpendicular to the normal will do.
void UnitTangents(const std::vector<RlGltfVertex>& vertices, const RlIndex* indices, std::size_t numTris,
                  std::vector<float>* tangents) {
  for (std::size_t c = 0; c < 3 * numTris; ++c) {
    float* t = &(*tangents)[4 * c];
    if (t[0] * t[0] + t[1] * t[1] + t[2] * t[2] > 0.5f) continue;
    const float* n = vertices[static_cast<std::size_t>(indices[c / 3].idx[c % 3])].normal;
    // cross(n, x) where n is far from x, else cross(n, z).
    const bool nearX = std::fabs(n[0]) >= 0.9f;
    const double across[3] = {nearX ? n[1] : 0.0, nearX ? -n[0] : n[2], nearX ? 0.0 : -n[1]};
    const double length = std::sqrt(across[0] * across[0] + across[1] * across[1] + across[2] * across[2]);
    for (int k = 0; k < 3; ++k) t[k] = length > 0 ? static_cast<float>(across[k] / length) : (k == 0 ? 1.0f : 0.0f);
  }
}

// The glb's vertices: one for each different set of attributes among the corners, the
// library's welded vertices in order, each split where its corners' tangents differ, and
// vertices the library kept apart merged where every attribute is the same.
void IndexVertices(const std::vector<RlGltfVertex>& welded, std::size_t numTris, const std::vector<float>& tangents,
                   RlGltfMesh* mesh) {
  using Key = std::array<uint32_t, 12>;
  static_assert(sizeof(RlGltfVertex) == sizeof(Key));
  struct KeyHash {
    std::size_t operator()(const Key& key) const {
      uint64_t h = 1469598103934665603u;  // FNV-1a over the 32-bit words
      for (const uint32_t word : key) h = (h ^ word) * 1099511628211u;
      return static_cast<std::size_t>(h);
    }
  };
  const std::size_t corners = 3 * numTris;
  // The corners bucketed by welded vertex, in corner order within each.
  std::vector<std::size_t> start(welded.size() + 1, 0), order(corners);
  for (std::size_t c = 0; c < corners; ++c) ++start[static_cast<std::size_t>(mesh->indices[c / 3].idx[c % 3]) + 1];
  for (std::size_t v = 0; v < welded.size(); ++v) start[v + 1] += start[v];
  for (std::size_t c = 0; c < corners; ++c)
    order[start[static_cast<std::size_t>(mesh->indices[c / 3].idx[c % 3])]++] = c;
  std::unordered_map<Key, int, KeyHash> numbers;
  numbers.reserve(welded.size());
  std::vector<int> number(corners);
  mesh->vertices.clear();
  for (const std::size_t c : order) {
    RlGltfVertex vertex = welded[static_cast<std::size_t>(mesh->indices[c / 3].idx[c % 3])];
    std::memcpy(vertex.tangent, &tangents[4 * c], sizeof vertex.tangent);
    Key key;
    std::memcpy(key.data(), &vertex, sizeof key);
    const auto [at, added] = numbers.try_emplace(key, static_cast<int>(mesh->vertices.size()));
    if (added) mesh->vertices.push_back(vertex);
    number[c] = at->second;
  }
  for (std::size_t c = 0; c < corners; ++c) mesh->indices[c / 3].idx[c % 3] = number[c];
}

}  // namespace

bool RlWeldGltfMesh(const std::vector<RlRawTriangle>& tris, RlTangentBasis basis, RlGltfMesh* mesh) {
  int numVerts = 0;
  RlTangentPointD* rawVerts = nullptr;
  RlIndex* rawIndices = nullptr;
  const bool welded = RlCreateVertexBuffers(static_cast<int>(tris.size()), const_cast<RlRawTriangle*>(tris.data()),
                                            &numVerts, &rawVerts, &rawIndices);
  const std::unique_ptr<RlTangentPointD[]> verts(rawVerts);
  const std::unique_ptr<RlIndex[]> indices(rawIndices);
  if (!welded) return false;
  try {
    std::vector<RlGltfVertex> vertices(static_cast<std::size_t>(numVerts));
    for (int v = 0; v < numVerts; ++v) vertices[static_cast<std::size_t>(v)] = ToGltfVertex(verts[v]);
    std::vector<float> tangents;
    if (basis == RlTangentBasis::kMikkTSpace) {
      if (!MikkTSpaceCorners(vertices, indices.get(), tris.size(), &tangents)) return false;
    } else {
      LibraryCorners(vertices, indices.get(), tris.size(), &tangents);
    }
    UnitTangents(vertices, indices.get(), tris.size(), &tangents);
    OneHandednessPerTriangle(tris.size(), &tangents);
    mesh->indices.assign(indices.get(), indices.get() + tris.size());
    IndexVertices(vertices, tris.size(), tangents, mesh);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
