#include "ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

ReplacementFile::~ReplacementFile() { Discard(); }

bool ReplacementFile::Open() {
  // A target that exists must be a file that may be written, as for fopen "wb".
  struct stat existing;
  const bool exists = stat(target_.c_str(), &existing) == 0;
  if (exists && (S_ISDIR(existing.st_mode) || access(target_.c_str(), W_OK) != 0)) {
    return false;
  }
  // A new name beside the target; the mode follows the target's, or the umask.
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".part%ld-%d", static_cast<long>(getpid()), attempt);
    temporary_ = target_ + suffix;
    fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno != EEXIST) {
      break;
    }
  }
  if (fd < 0) {
    temporary_.clear();
    return false;
  }
  if (exists) {
    fchmod(fd, existing.st_mode & 07777);
  }
  stream_ = fdopen(fd, "wb");
  if (stream_ == nullptr) {
    close(fd);
    Discard();
    return false;
  }
  return true;
}

bool ReplacementFile::Commit() {
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (!closed || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void ReplacementFile::Discard() {
  if (stream_ != nullptr) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
}
