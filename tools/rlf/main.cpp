// rlf: exports scenes through the rlf translator plug-in, and inspects, converts, welds
// and previews RLF files.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "Commands.h"
#include "Interrupts.h"

namespace {

// A report that could not be written is a failure like any other; a closed pipe ends
// the program quietly through SIGPIPE before it gets here.
int CheckStandardOutput(int exitStatus) {
  errno = 0;
  const bool flushed = std::cout.flush() && std::fflush(stdout) == 0;  // cout writes through stdout
  if (flushed && !std::ferror(stdout)) {
    return exitStatus;
  }
  const int error = errno;
  std::fprintf(stderr, "rlf: standard output: %s\n", !flushed && error != 0 ? std::strerror(error) : "a write failed");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever the parent left: a reader that goes away ends the program, as for cat.
  std::signal(SIGPIPE, SIG_DFL);
  CLI::App app{"rlf: export scenes to RLF files through the rlf plug-in; inspect, convert, weld and preview RLF files"};
  app.require_subcommand(1);
  int exitStatus = 0;
  AddExportCommand(app, exitStatus);
  AddInfoCommand(app, exitStatus);
  AddConvertCommand(app, exitStatus);
  AddWeldCommand(app, exitStatus);
  AddRenderCommand(app, exitStatus);
#if RL_HAVE_BAKE
  AddBakeCommand(app, exitStatus);
#endif
  const InterruptScope interrupts;
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int helpStatus = app.exit(e);
    return CheckStandardOutput(helpStatus == 0 ? 0 : 2);  // --help is no error; anything else is bad usage
  }
  return CheckStandardOutput(exitStatus);
}
