// Reading an RLF file whole, through the library.
#ifndef RLF_RLF_FILE_H
#define RLF_RLF_FILE_H

#include <string>
#include <vector>

#include "RlFileIO.h"

// Reads the triangles of the RLF file at path into *tris. A file whose triangle chunk
// holds no triangles reads as empty. On failure returns false: the library has printed
// its own message, and *error says which file.
bool ReadRlfFile(const std::string& path, std::vector<RlRawTriangle>* tris, std::string* error);

#endif
