#include "MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SceneFiles.h"

MappedFile::MappedFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (fd >= 0) close(fd);
    throw SceneError(path + ": cannot be read");
  }
  size_ = static_cast<std::size_t>(info.st_size);
  if (size_ > 0) {
    // Read whole and in order: mapped up front, with the system reading ahead.
    void* data = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (data == MAP_FAILED) {
      close(fd);
      throw SceneError(path + ": cannot be read");
    }
    madvise(data, size_, MADV_SEQUENTIAL);
    data_ = static_cast<const char*>(data);
  }
  close(fd);
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) {
    munmap(const_cast<char*>(data_), size_);
  }
}
