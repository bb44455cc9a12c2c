#include "MeshInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "Commands.h"
#include "InputFile.h"
#include "Interrupts.h"

namespace {

// An RLF file by its content, or by its name (so that a damaged one is refused as RLF).
bool IsRlfFile(const std::string& path) {
  if (ExtensionOf(path) == ".rlf") return true;
  char magic[4] = {};
  std::string error;
  FILE* f = OpenInput(path, &error);
  const bool rlf = f != nullptr && std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "RLF ", 4) == 0;
  if (f != nullptr) std::fclose(f);
  return rlf;
}

// Reads a FIFO's read end to its end into *bytes on a thread of its own, while the
// export writes into the FIFO; false when memory ran out.
class FifoReader {
 public:
  FifoReader(int fd, std::vector<unsigned char>* bytes) : fd_(fd), bytes_(bytes), thread_([this] { Read(); }) {}
  bool Join() {
    thread_.join();
    return ok_;
  }

 private:
  void Read() {
    unsigned char chunk[1 << 16];
    for (ssize_t got; (got = read(fd_, chunk, sizeof chunk)) != 0;) {
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) break;
      try {
        if (ok_) bytes_->insert(bytes_->end(), chunk, chunk + got);
      } catch (const std::bad_alloc&) {
        ok_ = false;  // read on to the end, so that the writer is never left waiting
        bytes_->clear();
      }
    }
  }

  int fd_;
  std::vector<unsigned char>* bytes_;
  bool ok_ = true;
  std::thread thread_;
};

// A scene's export by write (which writes the RLF file it is given), read into memory as
// the plug-in writes it: its target is a FIFO, in a directory of its own that an
// interrupt removes with it, so that nothing of it is written to a disk.
bool ExportInMemory(const std::string& path, const std::function<bool(const std::string&, std::string*)>& write,
                    std::vector<unsigned char>* bytes, std::string* error) {
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
  const std::string fifo = directory + "/scene.rlf";
  const int fifoHandle = RemoveOnInterrupt(fifo);
  // The read end first (a non-blocking open needs no writer), then a write end held here
  // until the export is over, so that the reader meets the end only after it.
  int readEnd = -1, heldEnd = -1;
  if (mkfifo(fifo.c_str(), 0600) == 0 && (readEnd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK)) >= 0) {
    heldEnd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  }
  bool read = false;
  if (heldEnd < 0 || fcntl(readEnd, F_SETFL, fcntl(readEnd, F_GETFL) & ~O_NONBLOCK) != 0) {
    *error = "cannot make a pipe for exporting " + path + ": " + std::strerror(errno);
  } else {
    try {
      FifoReader reader(readEnd, bytes);
      bool exported = false;
      try {
        exported = write(fifo, error);
      } catch (...) {
        close(heldEnd);  // the reader ends, and the thread with it, before this goes on
        reader.Join();
        throw;
      }
      close(heldEnd);
      heldEnd = -1;
      const bool held = reader.Join();
      if (!held) *error = path + ": not enough memory to hold its export";
      read = exported && held;
    } catch (const std::system_error& e) {
      *error = "cannot start a thread to read the export of " + path + ": " + e.what();
    }
  }
  if (heldEnd >= 0) close(heldEnd);
  if (readEnd >= 0) close(readEnd);
  std::remove(fifo.c_str());
  rmdir(directory.c_str());
  ForgetOnInterrupt(fifoHandle);
  ForgetOnInterrupt(dirHandle);
  return read;
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

bool MeshInput::Open(const std::string& path, std::string* error) {
  if (IsRlfFile(path)) {
    stream_.reset(OpenInput(path, error));
    return stream_ != nullptr;
  }
  const auto write = [&path](const std::string& fifo, std::string* failure) {
    return ExportScene(path, fifo, failure);
  };
  if (!ExportInMemory(path, write, &exported_, error)) return false;
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

bool ReadMeshObjects(const std::string& path, bool bySets, std::vector<NamedMesh>* objects, std::string* error) {
  if (IsRlfFile(path)) {
    *error = path + ": an RLF file holds no object names or shading sets; give the scene file it came from";
    return false;
  }
  std::vector<SceneObject> found;
  if (!LoadSceneObjects(path, &found, error)) return false;
  for (const SceneObject& object : found) {
    std::vector<SceneObject::Set> sets = {{-1, ""}};
    if (bySets) sets = object.sets;
    for (const SceneObject::Set& set : sets) {
      std::vector<unsigned char> bytes;
      const auto write = [&object, &set](const std::string& fifo, std::string* failure) {
        return ExportObject(object, set.id, fifo, failure);
      };
      if (!ExportInMemory(path, write, &bytes, error)) return false;
      const std::unique_ptr<FILE, int (*)(FILE*)> stream(
          bytes.empty() ? nullptr : fmemopen(bytes.data(), bytes.size(), "rb"), std::fclose);
      NamedMesh mesh{object.name, set.name, {}};
      if (!stream || !ReadTriangles(stream.get(), path + " (" + object.name + ")", &mesh.tris, error)) {
        if (!stream) *error = path + ": the export of " + object.name + " cannot be read back";
        return false;
      }
      objects->push_back(std::move(mesh));
    }
  }
  return true;
}
