#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The directory part of a path, with its slash ("" for a name in the working directory).
std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links from path to the name that is finally written or replaced; a
// link to a name that does not exist yet leads to that name. False with errno set on a
// loop or when a link cannot be read.
bool FollowLinks(std::string path, std::string* resolved) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      *resolved = path;
      return true;
    }
    std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
    const ssize_t n = readlink(path.c_str(), link.data(), link.size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) >= link.size()) {
      errno = ENAMETOOLONG;
      return false;
    }
    const std::string next(link.data(), static_cast<std::size_t>(n));
    path = next.front() == '/' ? next : DirectoryOf(path) + next;
  }
  errno = ELOOP;
  return false;
}

}  // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Refuse(std::string reason) {
  if (!Failed()) reason_ = std::move(reason);
  return false;
}

void AtomicFile::Fail(int error) {
  if (!Failed()) error_ = error != 0 ? error : EIO;
}

bool AtomicFile::Open() {
  // A device or a FIFO, however it is reached (the system's own links, such as
  // /dev/stdout to a pipe, name nothing a path could follow), is opened by the name given.
  struct stat existing;
  if (stat(target_.c_str(), &existing) == 0 && (S_ISCHR(existing.st_mode) || S_ISFIFO(existing.st_mode))) {
    resolved_ = target_;
    return OpenThrough();
  }
  if (!FollowLinks(target_, &resolved_)) {
    Fail(errno);
    return false;
  }
  const bool exists = stat(resolved_.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) {
    Fail(errno);
    return false;
  }
  if (exists && S_ISDIR(existing.st_mode)) {
    Fail(EISDIR);
    return false;
  }
  if (exists && !S_ISREG(existing.st_mode)) {
    return Refuse(std::string("is a ") +
                  (S_ISBLK(existing.st_mode)    ? "block device"
                   : S_ISSOCK(existing.st_mode) ? "socket"
                                                : "special file") +
                  ", which is never written over");
  }
  // A target that exists must be a file that may be written, as for fopen "wb".
  if (exists && access(resolved_.c_str(), W_OK) != 0) {
    Fail(errno);
    return false;
  }
  return OpenBeside(exists, existing.st_mode & 07777);
}

bool AtomicFile::OpenThrough() {
  fd_ = open(resolved_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) Fail(errno);
  return fd_ >= 0;
}

bool AtomicFile::OpenBeside(bool exists, unsigned mode) {
  // The new name is the target's with a suffix; a long target name is cut short so that
  // the new one stays within the system's limit on a name.
  const std::string directory = DirectoryOf(resolved_);
  const std::string name = resolved_.substr(directory.size());
  int error = 0;
  for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".part%ld-%d", static_cast<long>(getpid()), attempt);
    const std::size_t room = NAME_MAX - std::strlen(suffix);
    temporary_ = directory + name.substr(0, room) + suffix;
    fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    error = errno;
    if (fd_ < 0 && error != EEXIST) break;
  }
  if (fd_ < 0) {
    temporary_.clear();
    if (error == EACCES || error == EPERM || error == EROFS) {
      return Refuse("cannot create a file in the directory " + (directory.empty() ? std::string(".") : directory) +
                    ": " + std::strerror(error));
    }
    Fail(error);
    return false;
  }
  if (exists) fchmod(fd_, mode);
  return true;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size && !Failed()) {
    const ssize_t n = ::write(fd_, bytes + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      Fail(errno);
    } else if (n == 0) {
      Fail(EIO);
    }
  }
  return !Failed();
}

bool AtomicFile::Commit() {
  if (fd_ < 0) {
    Fail(EBADF);
    return false;
  }
  // Only a regular file is synced: devices and FIFOs have nothing to sync to.
  if (!Failed() && !temporary_.empty() && fsync(fd_) != 0) Fail(errno);
  if (close(fd_) != 0) Fail(errno);
  fd_ = -1;
  if (!Failed() && !temporary_.empty() && std::rename(temporary_.c_str(), resolved_.c_str()) != 0) {
    Fail(errno);
  }
  if (Failed()) {
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
}

std::string AtomicFile::Error() const {
  return target_ + ": " + (!reason_.empty() ? reason_ : std::strerror(error_ != 0 ? error_ : EIO));
}
