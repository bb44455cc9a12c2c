// How rlf meets the signals that end a program: SIGINT (Ctrl-C), SIGTERM, SIGHUP and
// SIGXFSZ (an exceeded file-size limit). One mechanism for every command:
//
// - An InterruptScope lives for the whole of a command. It installs the handler and,
//   when it ends, puts back whatever handlers were there before; a signal that was
//   ignored (nohup, a background job) stays ignored.
// - Outside a deferral, a signal removes every file registered with RemoveOnInterrupt
//   (new files not yet renamed, scratch files), kills the registered child process,
//   writes the command's line, if it gave one, and ends the program: by the signal
//   itself, or with status 1 after such a line.
// - Inside a Deferral (an export through the plug-in, a bake: work that polls), a
//   signal only asks the work to stop: the host's computation is interrupted, the
//   StopFlag is raised and a registered child is killed. The command then returns on
//   its own road, and Interrupted() tells it why. SIGXFSZ is not an interrupt there: the
//   write that exceeded the limit fails with EFBIG, as on a full disk.
#ifndef RLF_INTERRUPTS_H
#define RLF_INTERRUPTS_H

#include <signal.h>
#include <sys/types.h>

#include <atomic>
#include <string>

#include "SceneFiles.h"

class InterruptScope {
 public:
  // Made once by main for the command; ends by the signal unless told otherwise.
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
};

// From here on, a signal that ends the program writes line to standard error and exits
// with status 1 instead of ending by the signal (the promise of export and bake).
void EndInterruptsWith(const std::string& line);

// While it lives, signals ask the work to stop instead of ending the program.
class Deferral {
 public:
  Deferral();
  ~Deferral();
  Deferral(const Deferral&) = delete;
  Deferral& operator=(const Deferral&) = delete;
};

// Blocks the ending signals while it lives, so that a file can be created and registered
// with no moment in between.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

// Whether a signal asked the work of a deferral to stop; raised until the scope ends.
bool Interrupted();
const std::atomic<bool>& StopFlag();

// Paths removed before the program ends on a signal. Returns a handle for Forget (-1
// when the table is full or the path too long: it is then not removed).
int RemoveOnInterrupt(const std::string& path);
void ForgetOnInterrupt(int handle);

// The child processes of scene readers, under this rule: the signals wait from the fork
// until the child is known, an interrupt kills the child, and in the child the ending
// signals are back to their defaults (it never runs the parent's cleanup) and the child
// ends when the parent does.
ChildWatch& InterruptChildWatch();

#endif
