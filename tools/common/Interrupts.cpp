#include "Interrupts.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <iterator>
#include <optional>

#include "host/Scene.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

// Everything the handler reads is set before it can run (names are written before their
// slot is marked used), and is plain data or lock-free atomics.
constexpr std::size_t kSlots = 8;
constexpr std::size_t kPathRoom = 4096;
char gPaths[kSlots][kPathRoom];
std::atomic<bool> gUsed[kSlots];
std::atomic<pid_t> gChild{0};
char gLine[kPathRoom + 64];
std::size_t gLineLength = 0;
std::atomic<bool> gExitWithOne{false};
std::atomic<int> gDeferrals{0};
std::atomic<bool> gStop{false};
struct sigaction gPrevious[std::size(kSignals)];
bool gInstalled[std::size(kSignals)];

extern "C" void OnEndingSignal(int signal) {
  if (gDeferrals.load() > 0 && signal == SIGXFSZ) return;
  const pid_t child = gChild.load();
  if (child > 0) kill(child, SIGKILL);
  if (gDeferrals.load() > 0) {
    gStop.store(true);
    host::RequestInterrupt();
    return;
  }
  for (std::size_t i = 0; i < kSlots; ++i) {
    if (gUsed[i].load()) unlink(gPaths[i]);
  }
  for (std::size_t i = kSlots; i-- > 0;) {
    if (gUsed[i].load()) rmdir(gPaths[i]);  // a scratch directory, emptied above
  }
  if (gLineLength > 0) {
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, gLine, gLineLength);
  }
  if (gExitWithOne.load()) _exit(1);
  std::signal(signal, SIG_DFL);  // ended by the signal itself, as the caller expects
  std::raise(signal);
}

sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kSignals) sigaddset(&set, signal);
  return set;
}

}  // namespace

InterruptScope::InterruptScope() {
  const SignalsHeld held;
  gLineLength = 0;
  gExitWithOne.store(false);
  gStop.store(false);
  struct sigaction action {};
  action.sa_handler = OnEndingSignal;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], nullptr, &gPrevious[i]);
    gInstalled[i] = gPrevious[i].sa_handler != SIG_IGN;
    if (gInstalled[i]) sigaction(kSignals[i], &action, nullptr);
  }
}

InterruptScope::~InterruptScope() {
  const SignalsHeld held;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    if (gInstalled[i]) sigaction(kSignals[i], &gPrevious[i], nullptr);
    gInstalled[i] = false;
  }
  gLineLength = 0;
  gExitWithOne.store(false);
  gStop.store(false);
}

void EndInterruptsWith(const std::string& line) {
  const SignalsHeld held;
  gLineLength = std::min(line.size(), sizeof gLine);
  std::memcpy(gLine, line.data(), gLineLength);
  gExitWithOne.store(true);
}

Deferral::Deferral() { gDeferrals.fetch_add(1); }
Deferral::~Deferral() { gDeferrals.fetch_sub(1); }

SignalsHeld::SignalsHeld() {
  const sigset_t ending = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &ending, &previous_);
}
SignalsHeld::~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

bool Interrupted() { return gStop.load(); }
const std::atomic<bool>& StopFlag() { return gStop; }

int RemoveOnInterrupt(const std::string& path) {
  if (path.size() >= kPathRoom) return -1;
  const SignalsHeld held;
  for (std::size_t i = 0; i < kSlots; ++i) {
    if (!gUsed[i].load()) {
      std::memcpy(gPaths[i], path.c_str(), path.size() + 1);
      gUsed[i].store(true);
      return static_cast<int>(i);
    }
  }
  return -1;
}

void ForgetOnInterrupt(int handle) {
  if (handle >= 0 && static_cast<std::size_t>(handle) < kSlots) gUsed[handle].store(false);
}

namespace {

class Watch : public ChildWatch {
 public:
  void Forking() override { held_.emplace(); }
  void Started(pid_t child) override {
    gChild.store(child);
    held_.reset();
  }
  void InChild() override {
    for (const int signal : kSignals) std::signal(signal, SIG_DFL);
    const sigset_t ending = EndingSignals();
    pthread_sigmask(SIG_UNBLOCK, &ending, nullptr);
    gChild.store(0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
  }
  void Ended() override {
    gChild.store(0);
    held_.reset();
  }

 private:
  std::optional<SignalsHeld> held_;
};

}  // namespace

ChildWatch& InterruptChildWatch() {
  static Watch watch;
  return watch;
}
