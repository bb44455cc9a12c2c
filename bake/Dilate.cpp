#include "Dilate.h"

#include <cmath>

namespace {

constexpr uint16_t kEmpty = 0xffff;
constexpr uint16_t kQueued = 0xfffe;

}  // namespace

long long RlDilate(int width, int height, int passes, std::vector<uint8_t>* filled,
                   std::vector<float>* normals, std::vector<float>* heights) {
  const std::size_t texels = filled->size();
  passes = passes < kQueued - 1 ? passes : kQueued - 1;
  std::vector<uint16_t> ring(texels);  // 0 for the islands, the ring number, or kEmpty
  for (std::size_t i = 0; i < texels; ++i) ring[i] = (*filled)[i] ? 0 : kEmpty;
  // Calls visit(neighbour) for each of at's neighbours inside the image.
  const auto neighbours = [&](std::size_t at, auto&& visit) {
    const int x = static_cast<int>(at % static_cast<std::size_t>(width));
    const int y = static_cast<int>(at / static_cast<std::size_t>(width));
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if ((dx != 0 || dy != 0) && nx >= 0 && nx < width && ny >= 0 && ny < height) {
          visit(static_cast<std::size_t>(ny) * static_cast<std::size_t>(width) + static_cast<std::size_t>(nx));
        }
      }
    }
  };
  std::vector<std::size_t> front;
  const auto queueAround = [&](std::size_t at) {
    neighbours(at, [&](std::size_t n) {
      if (ring[n] == kEmpty) {
        ring[n] = kQueued;
        front.push_back(n);
      }
    });
  };
  for (std::size_t i = 0; i < texels; ++i) {
    if (ring[i] == 0) queueAround(i);
  }
  long long done = 0;
  std::vector<float> values;
  for (int pass = 1; pass <= passes && !front.empty(); ++pass) {
    values.assign(4 * front.size(), 0.0f);
    for (std::size_t f = 0; f < front.size(); ++f) {
      double sum[4] = {0, 0, 0, 0};
      int count = 0;
      neighbours(front[f], [&](std::size_t n) {
        if (ring[n] < pass) {
          for (int k = 0; k < 3; ++k) sum[k] += (*normals)[3 * n + static_cast<std::size_t>(k)];
          if (!heights->empty()) sum[3] += (*heights)[n];
          ++count;
        }
      });
      const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
      for (int k = 0; k < 3; ++k) values[4 * f + static_cast<std::size_t>(k)] = length > 0 ? static_cast<float>(sum[k] / length) : 0.0f;
      values[4 * f + 3] = static_cast<float>(sum[3] / count);
    }
    const std::vector<std::size_t> ringTexels = std::move(front);
    front.clear();
    for (std::size_t f = 0; f < ringTexels.size(); ++f) {
      const std::size_t at = ringTexels[f];
      for (int k = 0; k < 3; ++k) (*normals)[3 * at + static_cast<std::size_t>(k)] = values[4 * f + static_cast<std::size_t>(k)];
      if (!heights->empty()) (*heights)[at] = values[4 * f + 3];
      ring[at] = static_cast<uint16_t>(pass);
      (*filled)[at] = 1;
    }
    for (const std::size_t at : ringTexels) queueAround(at);
    done += static_cast<long long>(ringTexels.size());
  }
  return done;
}
