// Triangles holding infinities or NaNs. An RLF file records them faithfully; formats
// such as glTF cannot hold them, and a preview cannot place them.
#ifndef RLF_NON_FINITE_H
#define RLF_NON_FINITE_H

#include <cstddef>
#include <string>
#include <vector>

#include "RlFileIO.h"

// Whether every position, normal and texture coordinate of the triangle is finite.
bool IsFinite(const RlRawTriangle& tri);

// How many triangles are not finite, of how many, and the index of the first of them.
struct NonFiniteCount {
  std::size_t count = 0;
  std::size_t total = 0;
  std::size_t first = 0;
};

// "non-finite values in COUNT of TOTAL triangles, the first in triangle FIRST (counting from 0)"
std::string Describe(const NonFiniteCount& nonFinite);

NonFiniteCount CountNonFinite(const std::vector<RlRawTriangle>& tris);

// Counts the non-finite triangles of the RLF file at path, reading its records a block
// at a time. False when the file cannot be read as RLF.
bool CountNonFiniteInFile(const std::string& path, NonFiniteCount* result);

#endif
