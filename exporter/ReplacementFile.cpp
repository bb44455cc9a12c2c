#include "ReplacementFile.h"

#include <unistd.h>

#include <cerrno>

ReplacementFile::~ReplacementFile() {
  if (stream_ != nullptr) std::fclose(stream_);
}

bool ReplacementFile::Open() {
  if (!file_.Open()) return false;
  // stdio gets a descriptor of its own, so that the file keeps the original to sync.
  const int fd = dup(file_.Descriptor());
  stream_ = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (stream_ == nullptr) {
    if (fd >= 0) close(fd);
    file_.Discard();
    return false;
  }
  return true;
}

bool ReplacementFile::Commit() {
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) file_.Fail(errno);
  if (std::fclose(stream_) != 0) file_.Fail(errno);
  stream_ = nullptr;
  return file_.Commit();
}
