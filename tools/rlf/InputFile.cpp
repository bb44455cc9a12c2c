#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "SceneFiles.h"

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
             (S_ISDIR(info.st_mode) ? std::string("Is a directory")
                                    : "not a regular file (a FIFO or a device)");
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  *size = info.st_size;
  return fd;
}

// Reads up to size bytes; fewer when the file shrank meanwhile. -1 on a failed read.
long long ReadAll(int fd, char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = read(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
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
  off_t size = 0;
  const int fd = OpenRegular(path, error, &size);
  if (fd < 0) return false;
  try {
    bytes->resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    close(fd);
    *error = path + ": not enough memory to read it";
    return false;
  }
  const long long n = ReadAll(fd, reinterpret_cast<char*>(bytes->data()), bytes->size());
  const int readError = errno;
  close(fd);
  if (n < 0) {
    *error = path + ": " + std::strerror(readError);
    return false;
  }
  bytes->resize(static_cast<std::size_t>(n));
  return true;
}

FileBytes::FileBytes(const std::string& path) {
  std::string error;
  off_t size = 0;
  const int fd = OpenRegular(path, &error, &size);
  if (fd < 0) throw SceneError(error);
  data_.reset(new (std::nothrow) char[static_cast<std::size_t>(size) + 1]);
  if (data_ == nullptr) {
    close(fd);
    throw SceneError(path + ": not enough memory to read it");
  }
  const long long n = ReadAll(fd, data_.get(), static_cast<std::size_t>(size));
  const int readError = errno;
  close(fd);
  if (n < 0) throw SceneError(path + ": " + std::strerror(readError));
  size_ = static_cast<std::size_t>(n);
}
