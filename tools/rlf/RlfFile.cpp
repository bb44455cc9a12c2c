#include "RlfFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include "InputFile.h"

bool ReadRlfFile(const std::string& path, std::vector<RlRawTriangle>* tris, std::string* error) {
  std::unique_ptr<FILE, int (*)(FILE*)> fp(OpenInput(path, error), std::fclose);
  if (!fp) {
    return false;
  }
  // An "RLF " file whose "TRIS" chunk counts 0 triangles is valid and empty.
  // (A zero count reads the same in either byte order.)
  if (RlFileHasTriangles(fp.get())) {
    int32_t count = -1;
    if (std::fread(&count, sizeof count, 1, fp.get()) == 1 && count == 0) {
      tris->clear();
      return true;
    }
  }
  std::rewind(fp.get());
  int numTris = 0;
  RlRawTriangle* read = nullptr;
  const bool ok = RlReadTriangles(fp.get(), &numTris, &read);
  const std::unique_ptr<RlRawTriangle[]> owned(read);
  if (!ok) {
    *error = path + ": not a readable RLF file";
    return false;
  }
  tris->assign(read, read + numTris);
  return true;
}
