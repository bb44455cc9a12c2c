// Maps as image files: PNG (8 or 16 bits per channel), uncompressed TGA (8 bits) and
// OpenEXR (16-bit half or 32-bit float, ZIP-compressed).
#ifndef RL_MAP_IMAGE_H
#define RL_MAP_IMAGE_H

#include <string>
#include <vector>

enum class RlMapFormat { kPng, kTga, kExr };

// Encodes width x height texels of channels values each (3: RGB, 1: grey), rows from
// the top, into the bytes of a file of format: in PNG and TGA every value in [-1, 1]
// mapped to [0, 1] and rounded to the nearest of the bits' levels; in EXR the values as
// they are (channels R, G, B, or Y), as halves (16 bits) or floats (32). False with
// *error when the format cannot hold the bits (TGA holds 8, PNG 8 or 16, EXR 16 or 32)
// or memory runs out.
bool RlEncodeMap(const std::vector<float>& values, int channels, int width, int height, int bits, RlMapFormat format,
                 std::vector<unsigned char>* file, std::string* error);

// The value in [-1, 1] of a stored level: the inverse of the encoding, for readers.
inline double RlDecodeLevel(unsigned level, int bits) { return 2.0 * level / ((1u << bits) - 1) - 1.0; }

#endif
