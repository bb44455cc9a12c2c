#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "SceneError.h"

namespace {

// A descriptor of a regular file, or -1 with *error set. The open does not wait for a
// FIFO's writer: the check comes after it, and only then may reads block.
int OpenRegular(const std::string& path, std::string* error, off_t* size) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0) {
    *error = path + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = path + ": " +
             (S_ISDIR(info.st_mode) ? std::string("Is a directory") : "not a regular file (a FIFO or a device)");
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  *size = info.st_size;
  return fd;
}

// Reads the whole of a regular file into the room that allocate(size) gives (null: no
// memory); *read is what it holds, fewer bytes when the file shrank meanwhile. False with
// *error naming the file and the reason.
template <class Allocate>
bool ReadWhole(const std::string& path, std::string* error, Allocate allocate, std::size_t* read) {
  off_t size = 0;
  const int fd = OpenRegular(path, error, &size);
  if (fd < 0) return false;
  char* data = allocate(static_cast<std::size_t>(size));
  if (data == nullptr) {
    close(fd);
    *error = path + ": not enough memory to read it";
    return false;
  }
  std::size_t done = 0;
  while (done < static_cast<std::size_t>(size)) {
    const ssize_t n = ::read(fd, data + done, static_cast<std::size_t>(size) - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = path + ": " + std::strerror(errno);
      close(fd);
      return false;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  *read = done;
  return true;
}

}  // namespace

FILE* OpenInput(const std::string& path, std::string* error) {
  off_t size = 0;
  const int fd = OpenRegular(path, error, &size);
  if (fd < 0) return nullptr;
  FILE* fp = fdopen(fd, "rb");
  if (fp == nullptr) {
    *error = path + ": " + std::strerror(errno);
    close(fd);
  }
  return fp;
}

bool ReadInputFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
  std::size_t read = 0;
  const bool whole = ReadWhole(
      path, error,
      [bytes](std::size_t size) -> char* {
        try {
          bytes->resize(size + 1);  // a byte more, so that even an empty file has room
        } catch (const std::bad_alloc&) {
          return nullptr;
        }
        return reinterpret_cast<char*>(bytes->data());
      },
      &read);
  if (whole) bytes->resize(read);
  return whole;
}

FileBytes::FileBytes(const std::string& path) {
  std::string error;
  // No zeros written first: the file's bytes are the first thing the memory holds.
  const auto allocate = [this](std::size_t size) {
    data_.reset(new (std::nothrow) char[size + 1]);
    return data_.get();
  };
  if (!ReadWhole(path, &error, allocate, &size_)) throw SceneError(error);
}
