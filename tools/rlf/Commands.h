// The subcommands of rlf. Each adds itself to the application; its callback stores the
// process's exit status (0 success, 1 failure; bad usage is CLI11's, 2).
#ifndef RLF_COMMANDS_H
#define RLF_COMMANDS_H

#include <CLI/CLI.hpp>

void AddExportCommand(CLI::App& app, int& exitStatus);
void AddInfoCommand(CLI::App& app, int& exitStatus);
void AddConvertCommand(CLI::App& app, int& exitStatus);
void AddWeldCommand(CLI::App& app, int& exitStatus);
void AddRenderCommand(CLI::App& app, int& exitStatus);

#endif
