// Padding: texels beyond the islands filled ring by ring, so that filtering and mipmaps
// near an island's edge read the island's values rather than the background.
#ifndef RL_DILATE_H
#define RL_DILATE_H

#include <cstdint>
#include <vector>

// For passes rings: every empty texel with a filled neighbour (of 8) takes the mean of
// the neighbours filled before this ring; normals (3 per texel) are renormalised, heights
// (1 per texel, or empty) averaged. filled (1 per texel, non-zero when set) is updated.
// The order of the work does not affect the values. Returns the texels filled.
long long RlDilate(int width, int height, int passes, std::vector<uint8_t>* filled, std::vector<float>* normals,
                   std::vector<float>* heights);

#endif
