#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

namespace {

// The new file that an interrupt removes before the process ends. The name is stored
// before the flag is raised, so the handler never reads a half-written name.
char gPendingName[4096];
volatile std::sig_atomic_t gPending = 0;

// SIGXFSZ too: a file-size limit that ends the process must not leave the new file.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
struct sigaction gPrevious[std::size(kSignals)];

extern "C" void RemovePendingAndDie(int signal) {
  if (gPending) {
    unlink(gPendingName);
  }
  // Ended by the signal itself, as the caller of the program expects.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Signals that were ignored (nohup, a background job) stay ignored.
void ArmInterrupts(const std::string& name) {
  if (name.size() >= sizeof gPendingName) {
    return;  // no name this long can be created anyway
  }
  std::memcpy(gPendingName, name.c_str(), name.size() + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  gPending = 1;
  struct sigaction action {};
  action.sa_handler = RemovePendingAndDie;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], nullptr, &gPrevious[i]);
    if (gPrevious[i].sa_handler != SIG_IGN) {
      sigaction(kSignals[i], &action, nullptr);
    }
  }
}

void DisarmInterrupts() {
  if (!gPending) {
    return;
  }
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], &gPrevious[i], nullptr);
  }
  gPending = 0;
}

}  // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)) {}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open() {
  // A target that exists must be a file that may be written, as for fopen "wb".
  struct stat existing;
  const bool exists = stat(target_.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) {
    return Fail(EISDIR);
  }
  if (exists && access(target_.c_str(), W_OK) != 0) {
    return Fail(errno);
  }
  // A new name beside the target; the mode follows the target's, or the umask. The
  // ending signals wait while the file is made and the handler that removes it is set,
  // so that no moment leaves the file without its remover.
  sigset_t ending, previous;
  sigemptyset(&ending);
  for (const int signal : kSignals) sigaddset(&ending, signal);
  sigprocmask(SIG_BLOCK, &ending, &previous);
  for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
    temporary_ = target_ + ".part" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) {
      break;
    }
  }
  if (fd_ < 0) {
    Fail(errno);
    temporary_.clear();
  } else {
    ArmInterrupts(temporary_);
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (fd_ < 0) {
    return false;
  }
  if (exists) {
    fchmod(fd_, existing.st_mode & 07777);
  }
  // Every byte reaches the file through CookieWrite, which keeps the first failure.
  stream_ = fopencookie(this, "w", cookie_io_functions_t{nullptr, CookieWrite, nullptr, nullptr});
  if (stream_ == nullptr) {
    Fail(errno);
    Discard();
    return false;
  }
  return true;
}

ssize_t OutputFile::CookieWrite(void* cookie, const char* data, std::size_t size) {
  auto* self = static_cast<OutputFile*>(cookie);
  std::size_t done = 0;
  while (done < size && self->error_ == 0) {
    const ssize_t n = ::write(self->fd_, data + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      self->Fail(errno);
    } else if (n == 0) {
      self->Fail(EIO);
    }
  }
  return static_cast<ssize_t>(done);  // short: stdio marks the stream failed
}

bool OutputFile::Write(const void* data, std::size_t size) {
  return stream_ != nullptr && std::fwrite(data, 1, size, stream_) == size && error_ == 0;
}

bool OutputFile::Commit() {
  if (stream_ == nullptr) {
    return false;
  }
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) {
    Fail(EIO);  // the write's own reason, when it has one, was kept first
  }
  std::fclose(stream_);  // closes the cookie only: the descriptor is ours
  stream_ = nullptr;
  if (error_ == 0 && fsync(fd_) != 0) {
    Fail(errno);
  }
  if (close(fd_) != 0) {
    Fail(errno);
  }
  fd_ = -1;
  if (error_ == 0 && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    Fail(errno);
  }
  if (error_ != 0) {
    Discard();
    return false;
  }
  temporary_.clear();
  DisarmInterrupts();
  return true;
}

std::string OutputFile::Error() const { return target_ + ": " + std::strerror(error_ != 0 ? error_ : EIO); }

bool OutputFile::Fail(int error) {
  if (error_ == 0) {
    error_ = error;
  }
  return false;
}

void OutputFile::Discard() {
  if (stream_ != nullptr) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
  DisarmInterrupts();
}

OutputFile::Forward::int_type OutputFile::Forward::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  const char byte = traits_type::to_char_type(c);
  return file_.Write(&byte, 1) ? c : traits_type::eof();
}

std::streamsize OutputFile::Forward::xsputn(const char* s, std::streamsize n) {
  return file_.Write(s, static_cast<std::size_t>(n)) ? n : 0;
}
