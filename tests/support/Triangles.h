// Triangle lists for the tests, built from raw float bit patterns so that NaN payloads,
// infinities, signed zeros and denormals can be placed anywhere.
#ifndef TESTS_SUPPORT_TRIANGLES_H
#define TESTS_SUPPORT_TRIANGLES_H

#include <cstdint>
#include <vector>

#include "RlFileIO.h"

// n triangles whose 24 floats have distinct, seed-dependent bit patterns; every
// sixth float is one of the special patterns (NaN with payload, signalling NaN,
// infinities, -0, the smallest denormal).
std::vector<RlRawTriangle> PatternTriangles(int n, uint32_t seed = 1);

// The RLF file that RlWriteTriangles makes of tris.
std::vector<uint8_t> RlfFileOf(std::vector<RlRawTriangle> tris);

#endif
