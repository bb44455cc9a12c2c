#include "SmoothNormals.h"

#include <cmath>
#include <vector>

void SmoothNormals(host::MeshDesc& mesh) {
  std::vector<double> sums(mesh.points.size(), 0.0);
  std::size_t start = 0;
  for (int count : mesh.faceCounts) {
    double n[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
      const float* a = &mesh.points[3 * static_cast<std::size_t>(mesh.faceVerts[start + static_cast<std::size_t>(i)])];
      const float* b =
          &mesh.points[3 * static_cast<std::size_t>(mesh.faceVerts[start + static_cast<std::size_t>((i + 1) % count)])];
      n[0] += (static_cast<double>(a[1]) - b[1]) * (static_cast<double>(a[2]) + b[2]);
      n[1] += (static_cast<double>(a[2]) - b[2]) * (static_cast<double>(a[0]) + b[0]);
      n[2] += (static_cast<double>(a[0]) - b[0]) * (static_cast<double>(a[1]) + b[1]);
    }
    for (int i = 0; i < count; ++i) {
      const auto p = static_cast<std::size_t>(mesh.faceVerts[start + static_cast<std::size_t>(i)]);
      for (int k = 0; k < 3; ++k) {
        sums[3 * p + static_cast<std::size_t>(k)] += n[k] / 2;  // Newell's length is twice the area
      }
    }
    start += static_cast<std::size_t>(count);
  }
  mesh.normals.assign(mesh.points.size(), 0.0f);
  for (std::size_t p = 0; p < mesh.points.size() / 3; ++p) {
    const double length =
        std::sqrt(sums[3 * p] * sums[3 * p] + sums[3 * p + 1] * sums[3 * p + 1] + sums[3 * p + 2] * sums[3 * p + 2]);
    for (std::size_t k = 0; k < 3; ++k) {
      mesh.normals[3 * p + k] = length > 0 ? static_cast<float>(sums[3 * p + k] / length) : 0.0f;
    }
  }
  mesh.faceNormalIds = mesh.faceVerts;
}
