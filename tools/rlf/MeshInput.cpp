#include "MeshInput.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "Commands.h"
#include "InputFile.h"
#include "Interrupts.h"

namespace {

// An RLF file by its content, or by its name (so that a damaged one is refused as RLF).
bool IsRlfFile(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".rlf") return true;
  char magic[4] = {};
  std::string error;
  FILE* f = OpenInput(path, &error);
  const bool rlf = f != nullptr && std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "RLF ", 4) == 0;
  if (f != nullptr) std::fclose(f);
  return rlf;
}

// A scene's export, in a directory of its own that an interrupt removes with it.
bool ExportToScratch(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
  const char* tmp = std::getenv("TMPDIR");
  std::string directory = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/rlf-export-XXXXXX";
  const int dirHandle = [&] {
    const SignalsHeld held;
    if (mkdtemp(directory.data()) == nullptr) return -2;
    return RemoveOnInterrupt(directory);
  }();
  if (dirHandle == -2) {
    *error = "no scratch directory for exporting " + path + ": " + std::strerror(errno);
    return false;
  }
  const std::string scratch = directory + "/scene.rlf";
  const int fileHandle = RemoveOnInterrupt(scratch);
  const bool read = ExportScene(path, scratch, error) && ReadInputFile(scratch, bytes, error);
  std::remove(scratch.c_str());
  rmdir(directory.c_str());
  ForgetOnInterrupt(fileHandle);
  ForgetOnInterrupt(dirHandle);
  return read;
}

}  // namespace

bool MeshInput::Open(const std::string& path, std::string* error) {
  if (IsRlfFile(path)) {
    stream_.reset(OpenInput(path, error));
    return stream_ != nullptr;
  }
  if (!ExportToScratch(path, &exported_, error)) return false;
  stream_.reset(exported_.empty() ? nullptr : fmemopen(exported_.data(), exported_.size(), "rb"));
  if (!stream_) *error = path + ": its export cannot be read back";
  return stream_ != nullptr;
}

bool ReadTriangles(FILE* fp, const std::string& name, std::vector<RlRawTriangle>* tris, std::string* error) {
  // An "RLF " file whose "TRIS" chunk counts 0 triangles is valid and empty.
  // (A zero count reads the same in either byte order.)
  if (RlFileHasTriangles(fp)) {
    int32_t count = -1;
    if (std::fread(&count, sizeof count, 1, fp) == 1 && count == 0) {
      tris->clear();
      return true;
    }
  }
  std::rewind(fp);
  int numTris = 0;
  RlRawTriangle* read = nullptr;
  const bool ok = RlReadTriangles(fp, &numTris, &read);
  const std::unique_ptr<RlRawTriangle[]> owned(read);
  if (!ok) {
    *error = name + ": not a readable RLF file";
    return false;
  }
  tris->assign(read, read + numTris);
  return true;
}

bool ReadMesh(const std::string& path, std::vector<RlRawTriangle>* tris, std::string* error) {
  MeshInput input;
  return input.Open(path, error) && ReadTriangles(input.Stream(), path, tris, error);
}
