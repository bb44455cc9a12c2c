// Maps as image files: PNG (8 or 16 bits per channel) and uncompressed TGA (8 bits).
#ifndef RL_MAP_IMAGE_H
#define RL_MAP_IMAGE_H

#include <string>
#include <vector>

enum class RlMapFormat { kPng, kTga };

// Encodes width x height texels of channels values each (3: RGB, 1: grey), rows from
// the top, every value in [-1, 1] mapped to [0, 1] and rounded to the nearest of the
// bits' levels, into the bytes of a file of format. False with *error when the format
// cannot hold the bits (TGA holds 8) or memory runs out.
bool RlEncodeMap(const std::vector<float>& values, int channels, int width, int height, int bits, RlMapFormat format,
                 std::vector<unsigned char>* file, std::string* error);

// The value in [-1, 1] of a stored level: the inverse of the encoding, for readers.
inline double RlDecodeLevel(unsigned level, int bits) { return 2.0 * level / ((1u << bits) - 1) - 1.0; }

#endif
