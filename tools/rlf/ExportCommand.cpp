// rlf export: a scene through the plug-in, as the host runs an export.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "Commands.h"
#include "NonFinite.h"
#include "SceneFiles.h"
#include "host/PluginHost.h"
#include "host/Scene.h"

namespace {

struct ExportOptions {
  std::string scene;
  std::string output;
  std::vector<std::string> select;
  std::string plugin;
};

// The module beside the program, or in the library directory of an installation.
std::string DefaultPlugin() {
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  for (const auto& candidate : {self / "RLFExport.so", self / ".." / "lib" / "RLFExport.so"}) {
    if (std::filesystem::exists(candidate)) {
      return candidate.string();
    }
  }
  return (self / "RLFExport.so").string();
}

// Ctrl-C asks the running computation to stop: the plug-in takes its interrupt road.
// Before the export starts (while the scene loads) it ends the command just as well.
volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void OnInterrupt(int) {
  gInterrupted = 1;
  host::RequestInterrupt();
}

// Ctrl-C is caught for as long as the command runs.
struct InterruptHandler {
  InterruptHandler() { std::signal(SIGINT, OnInterrupt); }
  ~InterruptHandler() { std::signal(SIGINT, SIG_DFL); }
};

int FindNode(const std::string& name) {
  const host::Scene& scene = host::Scene::Active();
  for (int id = 1; id < scene.NodeCount(); ++id) {
    if (scene.GetNode(id).name == name) {
      return id;
    }
  }
  return -1;
}

int RunExport(const ExportOptions& options) {
  const InterruptHandler interruptHandler;
  std::string summary;
  try {
    if (options.scene.empty()) {
      summary = LoadSampleScene();
    } else {
      LoadSceneFile(options.scene);
      summary = options.scene;
    }
  } catch (const SceneError& e) {
    std::cerr << "rlf: " << e.what() << "\n";
    return 1;
  }
  host::Scene& scene = host::Scene::Active();
  for (const std::string& name : options.select) {
    const int node = FindNode(name);
    if (node < 0) {
      std::cerr << "rlf: no node named \"" << name << "\" in " << summary << "\n";
      return 1;
    }
    scene.Select(node);
  }

  host::PluginHost plugin;
  std::string error;
  if (!plugin.Load(options.plugin.empty() ? DefaultPlugin() : options.plugin, &error)) {
    std::cerr << "rlf: " << error << "\n";
    return 1;
  }
  // Large scenes show their progress on a terminal, one line, node by node.
  const int nodes = scene.NodeCount();
  if (isatty(STDERR_FILENO) && nodes > 200) {
    scene.SetPollObserver([nodes](int polls) {
      if (polls % 64 == 0) std::fprintf(stderr, "\rexporting: %d of about %d nodes", polls, nodes);
    });
  }
  if (gInterrupted) {
    std::cerr << "rlf: interrupted; " << options.output << " not written\n";
    return 1;
  }
  const MStatus status =
      plugin.Write("rlf", options.output,
                   options.select.empty() ? MPxFileTranslator::kExportAccessMode
                                          : MPxFileTranslator::kExportActiveAccessMode);
  scene.SetPollObserver(nullptr);
  std::fflush(stdout);
  if (isatty(STDERR_FILENO) && nodes > 200) {
    std::fprintf(stderr, "\r\033[K");
  }
  if (!status) {
    std::cerr << "\nrlf: export to " << options.output << " failed\n";
    return 1;
  }
  std::cout << "exported " << summary << " to " << options.output << "\n";
  // The file records what the scene holds; the tools downstream should hear of it.
  NonFiniteCount nonFinite;
  if (CountNonFiniteInFile(options.output, &nonFinite) && nonFinite.count > 0) {
    std::cerr << "rlf: warning: " << options.output << ": " << Describe(nonFinite) << "\n";
  }
  return 0;
}

}  // namespace

void AddExportCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ExportOptions>();
  CLI::App* command = app.add_subcommand(
      "export", "Export a scene (.obj, .gltf, .glb; the built-in sample without one) through the rlf plug-in");
  command->add_option("scene", options->scene, "Scene file; omit for the built-in sample scene");
  command->add_option("-o,--output", options->output, "The RLF file to write")->required();
  command->add_option("--select", options->select,
                      "Export only this node and what lies below it (repeatable)");
  command->add_option("--plugin", options->plugin, "Plug-in module (default: RLFExport.so beside rlf)");
  command->callback([options, &exitStatus] { exitStatus = RunExport(*options); });
}
