// rlf: exports scenes through the rlf translator plug-in, and inspects, converts, welds
// and previews RLF files.
#include <CLI/CLI.hpp>

#include "Commands.h"

int main(int argc, char** argv) {
  CLI::App app{"rlf: export scenes to RLF files through the rlf plug-in; inspect, convert, weld and preview RLF files"};
  app.require_subcommand(1);
  int exitStatus = 0;
  AddExportCommand(app, exitStatus);
  AddInfoCommand(app, exitStatus);
  AddConvertCommand(app, exitStatus);
  AddWeldCommand(app, exitStatus);
  AddRenderCommand(app, exitStatus);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int helpStatus = app.exit(e);
    return helpStatus == 0 ? 0 : 2;  // --help is no error; anything else is bad usage
  }
  return exitStatus;
}
