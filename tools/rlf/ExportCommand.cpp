// rlf export: a scene through the plug-in, as the host runs an export.
#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "AtomicFile.h"
#include "Commands.h"
#include "Interrupts.h"
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
  double assimpSeconds = SceneOptions{}.assimpSeconds;
  bool detail = false;  // the built-in sample's high-detail companion instead of the sample
};

// Loads a scene file into the active scene, under rlf's interrupt rule, and prints the
// reader's warnings. Throws SceneError.
void LoadScene(const std::string& path, double assimpSeconds) {
  SceneOptions options;
  options.assimpSeconds = assimpSeconds;
  options.childWatch = &InterruptChildWatch();
  for (const std::string& warning : LoadSceneFile(path, host::Scene::Active(), options)) {
    std::cerr << "rlf: warning: " << warning << "\n";
  }
}

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

// Progress on a terminal, one line rewritten: polygons walked of those in the scene,
// at most ten times a second.
class ProgressLine {
 public:
  explicit ProgressLine(host::Scene& scene) : scene_(scene) {
    for (int id = 1; id < scene.NodeCount(); ++id) {
      const host::Node& node = scene.GetNode(id);
      if (node.kind == host::NodeKind::kMesh) {
        total_ += static_cast<long long>(node.mesh.faceCounts.size() * node.parents.size());
      }
    }
    shown_ = isatty(STDERR_FILENO) && (total_ >= 100000 || scene.NodeCount() > 200);
    if (shown_) {
      scene.SetPollObserver([this](const host::ComputationLog& log) { Show(log.polygons); });
    }
  }
  ~ProgressLine() {
    scene_.SetPollObserver(nullptr);
    if (shown_) std::fputs("\r\033[K", stderr);
  }

 private:
  void Show(long long polygons) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    std::fprintf(stderr, "\rexporting: %lld of %lld polygons (%d%%)", polygons, total_,
                 static_cast<int>(100 * polygons / std::max(total_, 1LL)));
  }

  host::Scene& scene_;
  long long total_ = 0;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// The plug-in leaves out polygons of more corners than this, one message each.
constexpr int kMaxPolygonCorners = 1024;

// Polygons of the scene's meshes, once per instance, that the plug-in leaves out.
long long LargePolygons(const host::Scene& scene) {
  long long count = 0;
  for (int id = 1; id < scene.NodeCount(); ++id) {
    const host::Node& node = scene.GetNode(id);
    if (node.kind != host::NodeKind::kMesh) continue;
    const auto large = std::count_if(node.mesh.faceCounts.begin(), node.mesh.faceCounts.end(),
                                     [](int corners) { return corners > kMaxPolygonCorners; });
    count += static_cast<long long>(large) * static_cast<long long>(node.parents.size());
  }
  return count;
}

int FindNode(const std::string& name) {
  const host::Scene& scene = host::Scene::Active();
  for (int id = 1; id < scene.NodeCount(); ++id) {
    if (scene.GetNode(id).name == name) {
      return id;
    }
  }
  return -1;
}

// Why the plug-in did not write the file, as one line naming it. The plug-in's own
// lines say what failed, not why. A target that cannot be opened is opened again here
// (without a trace left) for the reason in full; otherwise the reason is the errno of
// the plug-in's last failed call, which nothing after it touches on its road out.
std::string WhyNotWritten(const std::string& output, int error) {
  struct stat info;
  const bool special = stat(output.c_str(), &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode));
  if (!special) {
    AtomicFile probe(output);
    if (!probe.Open()) return probe.Error();
  }
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EIO:
    case ENXIO:
    case EROFS:
    case EACCES:
    case EPERM:
      return output + ": " + std::strerror(error);
    default:
      return output + ": the plug-in could not write it";
  }
}

// Runs the plug-in's export of the active scene into output. The plug-in's lines on
// standard output have no line end: the line is ended here.
bool WriteThroughPlugin(const std::string& pluginPath, const std::string& output, bool selection, std::string* error) {
  host::PluginHost plugin;
  if (!plugin.Load(pluginPath.empty() ? DefaultPlugin() : pluginPath, error)) {
    return false;
  }
  std::fflush(stdout);
  MStatus status;
  int failure = 0;
  {
    const Deferral deferral;  // a signal now asks the computation to stop
    errno = 0;
    status = plugin.Write(
        "rlf", output, selection ? MPxFileTranslator::kExportActiveAccessMode : MPxFileTranslator::kExportAccessMode);
    failure = errno;
  }
  if (__fpending(stdout) > 0) std::fputc('\n', stdout);
  std::fflush(stdout);
  if (status) return true;
  *error = Interrupted() ? "interrupted; " + output + " not written" : WhyNotWritten(output, failure);
  return false;
}

// The one road of an export: options.scene (the built-in sample when empty) loaded into
// the active scene, options.select selected, options.output written through the plug-in.
// *summary names what was loaded. False with *error, one line, on failure.
bool Export(const ExportOptions& options, std::string* summary, std::string* error) {
  try {
    if (options.scene.empty()) {
      *summary = options.detail ? LoadSampleDetail(host::Scene::Active()) : LoadSampleScene(host::Scene::Active());
    } else {
      LoadScene(options.scene, options.assimpSeconds);
      *summary = options.scene;
    }
  } catch (const SceneError& e) {
    *error = e.what();
    return false;
  }
  host::Scene& scene = host::Scene::Active();
  for (const std::string& name : options.select) {
    const int node = FindNode(name);
    if (node < 0) {
      *error = "no node named \"" + name + "\" in " + *summary;
      return false;
    }
    scene.Select(node);
  }
  const ProgressLine progress(scene);
  return WriteThroughPlugin(options.plugin, options.output, !options.select.empty(), error);
}

int RunExport(const ExportOptions& options) {
  EndInterruptsWith("\nrlf: interrupted; " + options.output + " not written\n");
  std::string summary, error;
  if (!Export(options, &summary, &error)) {
    std::cerr << "rlf: " << error << "\n";
    return 1;
  }
  std::cout << "exported " << summary << " to " << options.output;
  if (const long long skipped = LargePolygons(host::Scene::Active()); skipped > 0) {
    std::cout << " (" << skipped << (skipped == 1 ? " polygon" : " polygons") << " of more than " << kMaxPolygonCorners
              << " corners left out by the plug-in)";
  }
  std::cout << "\n";
  // The file records what the scene holds; the tools downstream should hear of it.
  NonFiniteCount nonFinite;
  if (CountNonFiniteInFile(options.output, &nonFinite) && nonFinite.count > 0) {
    std::cerr << "rlf: warning: " << options.output << ": " << Describe(nonFinite) << "\n";
  }
  if (nonFinite.total == 0) {
    std::cerr << "rlf: warning: " << options.output << ": no triangles were exported\n";
  }
  return 0;
}

}  // namespace

bool ExportScene(const std::string& sceneFile, const std::string& output, std::string* error) {
  ExportOptions options;
  options.scene = sceneFile;
  options.output = output;
  std::string summary;
  return Export(options, &summary, error);
}

bool LoadSceneObjects(const std::string& sceneFile, std::vector<SceneObject>* objects, std::string* error) {
  try {
    LoadScene(sceneFile, SceneOptions{}.assimpSeconds);
  } catch (const SceneError& e) {
    *error = e.what();
    return false;
  }
  const host::Scene& scene = host::Scene::Active();
  for (int id = 1; id < scene.NodeCount(); ++id) {
    const host::Node& node = scene.GetNode(id);
    if (node.kind != host::NodeKind::kMesh) continue;
    std::string name = node.name;
    if (node.parents.size() == 1 && node.parents[0] != host::kWorld) {
      name = scene.GetNode(node.parents[0]).name;
    } else if (name.size() > 5 && name.ends_with("Shape")) {
      name.resize(name.size() - 5);
    }
    SceneObject object{name, id, {}};
    for (const host::Scene::Membership& membership : scene.MembershipsOf(id)) {
      const host::ShadingSet& set = scene.GetSet(membership.set);
      if (set.renderable && (object.sets.empty() || object.sets.back().id != membership.set)) {
        object.sets.push_back({membership.set, set.name});
      }
    }
    objects->push_back(std::move(object));
  }
  return true;
}

bool ExportObject(const SceneObject& object, int set, const std::string& output, std::string* error) {
  host::Scene& scene = host::Scene::Active();
  scene.ClearSelection();
  scene.Select(object.node);
  if (set < 0) return WriteThroughPlugin("", output, true, error);
  std::vector<int> hidden;
  for (int other = 0; other < scene.SetCount(); ++other) {
    if (other != set && scene.GetSet(other).renderable) {
      scene.SetRenderable(other, false);
      hidden.push_back(other);
    }
  }
  const bool written = WriteThroughPlugin("", output, true, error);
  for (const int other : hidden) scene.SetRenderable(other, true);
  return written;
}

namespace {

// One line per format: its name and the extensions it is known by.
void ListFormats() {
  for (const SceneFormat& format : SceneFormats()) {
    std::cout << format.name << ":";
    for (const std::string& extension : format.extensions) std::cout << " " << extension;
    std::cout << "\n";
  }
}

}  // namespace

void AddExportCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ExportOptions>();
  auto listFormats = std::make_shared<bool>(false);
  CLI::App* command = app.add_subcommand(
      "export",
      "Export a scene (OBJ, glTF, or any format Assimp reads; the built-in sample without one) through "
      "the rlf plug-in");
  command->add_option("scene", options->scene, "Scene file; omit for the built-in sample scene");
  CLI::Option* list = command->add_flag("--list-formats", *listFormats, "List the scene formats that can be read");
  command->add_option("-o,--output", options->output, "The RLF file to write (required)")->excludes(list);

  command->add_option("--select", options->select, "Export only this node and what lies below it (repeatable)");
  command
      ->add_flag("--sample-detail", options->detail,
                 "Without a scene: the built-in sample's torus in high detail, bumped and grooved, to bake the "
                 "sample's torus from")
      ->excludes(command->get_option("scene"));
  command->add_option("--plugin", options->plugin, "Plug-in module (default: RLFExport.so beside rlf)");
  command->add_option("--assimp-seconds", options->assimpSeconds,
                      "Seconds a file read through Assimp gets, besides one per megabyte (default 10)");
  command->callback([options, listFormats, &exitStatus] {
    if (*listFormats) {
      ListFormats();
      exitStatus = 0;
      return;
    }
    if (options->output.empty()) {
      throw CLI::RequiredError("--output");
    }
    exitStatus = RunExport(*options);
  });
}
