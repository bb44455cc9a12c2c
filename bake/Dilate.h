// Padding: texels beyond the islands filled ring by ring, so that filtering and mipmaps
// near an island's edge read the island's values rather than the background.
#ifndef RL_DILATE_H
#define RL_DILATE_H

#include <cstdint>
#include <vector>

// One map's values, channels per texel (empty: none); unit maps hold directions, which
// are renormalised, and take flat (3 values) where the neighbours' directions cancel out.
// A map of labels (such as material numbers) is not blended: it takes the values of the
// first neighbour filled before, row by row from the top left.
struct RlDilateLayer {
  std::vector<float>* values;
  int channels;
  bool unit;
  const float* flat = nullptr;  // null: (0, 0, 0)
  bool labels = false;
};

// For passes rings: every empty texel with a filled neighbour (of 8) takes, in each layer,
// the mean of the neighbours filled before this ring (or one of them, for labels). filled
// (1 per texel, non-zero when set) is updated. The order of the work does not affect the
// values. Returns the texels filled.
long long RlDilate(int width, int height, int passes, std::vector<uint8_t>* filled,
                   const std::vector<RlDilateLayer>& layers);

#endif
