#include "Dilate.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint16_t kEmpty = 0xffff;
constexpr uint16_t kQueued = 0xfffe;

// The image's texels and each one's ring: 0 for the islands, the ring number, or kEmpty.
struct Rings {
  int width, height;
  std::vector<uint16_t> ring;

  // Calls visit(neighbour) for each of at's eight neighbours inside the image.
  template <typename Visit>
  void Neighbours(std::size_t at, Visit&& visit) const {
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
  }

  // Queues at's empty neighbours on front.
  void QueueAround(std::size_t at, std::vector<std::size_t>* front) {
    Neighbours(at, [&](std::size_t n) {
      if (ring[n] == kEmpty) {
        ring[n] = kQueued;
        front->push_back(n);
      }
    });
  }
};

// The values of a ring's texels in one layer: the mean of their neighbours' in earlier
// rings (made unit for a unit layer; the first's for labels).
std::vector<float> RingValues(const Rings& rings, const std::vector<std::size_t>& front, int pass,
                              const RlDilateLayer& layer) {
  const auto channels = static_cast<std::size_t>(layer.channels);
  const std::vector<float>& values = *layer.values;
  std::vector<float> ring(channels * front.size(), 0.0f);
  std::vector<double> sum(channels);
  for (std::size_t f = 0; f < front.size(); ++f) {
    std::fill(sum.begin(), sum.end(), 0.0);
    int count = 0;
    rings.Neighbours(front[f], [&](std::size_t n) {
      if (rings.ring[n] < pass && !(layer.labels && count > 0)) {
        for (std::size_t k = 0; k < channels; ++k) sum[k] += values[channels * n + k];
        ++count;
      }
    });
    double divisor = count;
    if (layer.unit) {
      double length = 0;
      for (const double c : sum) length += c * c;
      divisor = std::sqrt(length);
    }
    for (std::size_t k = 0; k < channels; ++k) {
      ring[channels * f + k] = divisor > 0                           ? static_cast<float>(sum[k] / divisor)
                               : layer.unit && layer.flat != nullptr ? layer.flat[k]
                                                                     : 0.0f;
    }
  }
  return ring;
}

}  // namespace

long long RlDilate(int width, int height, int passes, std::vector<uint8_t>* filled,
                   const std::vector<RlDilateLayer>& layers) {
  const std::size_t texels = filled->size();
  passes = passes < kQueued - 1 ? passes : kQueued - 1;
  Rings rings{width, height, std::vector<uint16_t>(texels)};
  for (std::size_t i = 0; i < texels; ++i) rings.ring[i] = (*filled)[i] ? 0 : kEmpty;
  std::vector<std::size_t> front;
  for (std::size_t i = 0; i < texels; ++i) {
    if (rings.ring[i] == 0) rings.QueueAround(i, &front);
  }
  long long done = 0;
  for (int pass = 1; pass <= passes && !front.empty(); ++pass) {
    for (const RlDilateLayer& layer : layers) {
      if (layer.values->empty()) continue;
      const std::vector<float> ring = RingValues(rings, front, pass, layer);
      const auto channels = static_cast<std::size_t>(layer.channels);
      for (std::size_t f = 0; f < front.size(); ++f) {
        for (std::size_t k = 0; k < channels; ++k) (*layer.values)[channels * front[f] + k] = ring[channels * f + k];
      }
    }
    const std::vector<std::size_t> ringTexels = std::move(front);
    front.clear();
    for (const std::size_t at : ringTexels) {
      rings.ring[at] = static_cast<uint16_t>(pass);
      (*filled)[at] = 1;
    }
    for (const std::size_t at : ringTexels) rings.QueueAround(at, &front);
    done += static_cast<long long>(ringTexels.size());
  }
  return done;
}
