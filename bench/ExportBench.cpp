// The export at the scale it exists for: `rlf export` end to end on generated OBJ and
// glb scenes of 1M and 4M triangles (16M with RL_BENCH_16M=1), as one mesh and as 2,000
// meshes; beside Assimp's import of the same file (ReadFile without post-processing,
// the import alone timed), the I/O floor (reading the scene file, then filling and
// writing an RLF file of the same size with plain stdio), and the plug-in's own part
// (from the translator's writer to the committed file, the scene loaded beforehand).
// Every run is a fresh process, so that each pays for its memory as a user's run does;
// peak memory is the process's peak resident size (this process stays small, since a
// child's peak counts what its parent held when it was started). A table at the end gives the ratios.
// Beside them, the growth of the triangle array alone.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GridFiles.h"
#include "RLFExport.h"
#include "SceneFiles.h"
#include "host/PluginHost.h"
#include "host/Scene.h"

#ifdef RL_HAVE_ASSIMP
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#endif

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct SceneCase {
  std::string name;  // "obj one 1M"
  std::string path;
  int64_t triangles;
};

std::vector<SceneCase>& Cases() {
  static std::vector<SceneCase> cases;
  return cases;
}

// What one process measured: the timed part in seconds, its peak resident size in MB,
// and whether it succeeded.
struct Measured {
  double seconds = 0;
  double peakMB = 0;
  bool ok = false;
};

// The medians of each case, by scene and kind ("export", "assimp", "read", "write",
// "plugin"), for the table.
std::map<std::string, std::map<std::string, Measured>>& Results() {
  static std::map<std::string, std::map<std::string, Measured>> results;
  return results;
}

// Runs work in a child process; work returns the seconds of its timed part, or a
// negative number on failure.
Measured InChild(const std::function<double()>& work) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(channel[0]);
    Measured m;
    m.seconds = work();
    m.ok = m.seconds >= 0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    m.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    [[maybe_unused]] const ssize_t n = write(channel[1], &m, sizeof m);
    _exit(0);
  }
  close(channel[1]);
  Measured m;
  if (read(channel[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) m = {};
  close(channel[0]);
  waitpid(pid, nullptr, 0);
  return m;
}

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

std::string OutputPath() { return std::string(RL_BENCH_SCENE_DIR) + "/out_" + std::to_string(getpid()) + ".rlf"; }

// rlf export, as a user runs it: the whole process, timed from start to exit.
Measured RunRlf(const SceneCase& c) {
  const std::string out = OutputPath();
  std::vector<std::string> args = {RLF_PROGRAM, "export", c.path, "-o", out};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const Clock::time_point start = Clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, RLF_PROGRAM, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  Measured m;
  if (spawned != 0) return m;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  m.seconds = Seconds(start);
  m.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::remove(out.c_str());
  return m;
}

#ifdef RL_HAVE_ASSIMP
Measured RunAssimp(const SceneCase& c) {
  return InChild([&] {
    const Clock::time_point start = Clock::now();
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(c.path, 0);
    const double seconds = Seconds(start);
    return scene != nullptr && scene->mNumMeshes > 0 ? seconds : -1.0;
  });
}
#endif

// The floor: the scene file read whole with fread.
Measured RunRead(const SceneCase& c) {
  return InChild([&] {
    const Clock::time_point start = Clock::now();
    FILE* fp = std::fopen(c.path.c_str(), "rb");
    if (fp == nullptr) return -1.0;
    std::fseek(fp, 0, SEEK_END);
    const auto size = static_cast<std::size_t>(std::ftell(fp));
    std::rewind(fp);
    std::unique_ptr<char[]> text(new char[size]);
    const bool read = std::fread(text.get(), 1, size, fp) == size;
    std::fclose(fp);
    return read ? Seconds(start) : -1.0;
  });
}

// The floor: an RLF file's worth of records filled in memory and written with fwrite.
Measured RunWrite(const SceneCase& c) {
  return InChild([&] {
    const std::string out = OutputPath();
    const auto size = static_cast<std::size_t>(20 + 96 * c.triangles);
    const Clock::time_point start = Clock::now();
    std::unique_ptr<char[]> records(new char[size]);
    std::memset(records.get(), 1, size);
    FILE* fp = std::fopen(out.c_str(), "wb");
    const bool written = fp != nullptr && std::fwrite(records.get(), 1, size, fp) == size;
    const bool closed = fp != nullptr && std::fclose(fp) == 0;
    const double seconds = Seconds(start);
    std::remove(out.c_str());
    return written && closed ? seconds : -1.0;
  });
}

// The plug-in's part: the scene loaded (not timed), then the translator's writer.
Measured RunPlugin(const SceneCase& c) {
  return InChild([&] {
    try {
      LoadSceneFile(c.path, host::Scene::Active(), SceneOptions{});
    } catch (const SceneError&) {
      return -1.0;
    }
    host::PluginHost plugin;
    std::string error;
    if (!plugin.Load(RLF_EXPORT_MODULE, &error)) return -1.0;
    const std::string out = OutputPath();
    const Clock::time_point start = Clock::now();
    const bool ok = static_cast<bool>(plugin.Write("rlf", out, MPxFileTranslator::kExportAccessMode));
    const double seconds = Seconds(start);
    std::remove(out.c_str());
    return ok ? seconds : -1.0;
  });
}

// Times one kind of run of one scene: each iteration a fresh process; the median is kept
// for the table.
void BM_Scene(benchmark::State& state, std::size_t index, const std::string& kind, Measured (*run)(const SceneCase&)) {
  const SceneCase& c = Cases()[index];
  std::vector<Measured> runs;
  for (auto _ : state) {
    const Measured m = run(c);
    if (!m.ok) {
      state.SkipWithError((kind + " failed on " + c.path).c_str());
      return;
    }
    state.SetIterationTime(m.seconds);
    runs.push_back(m);
  }
  std::sort(runs.begin(), runs.end(), [](const Measured& a, const Measured& b) { return a.seconds < b.seconds; });
  Measured median = runs[runs.size() / 2];
  for (const Measured& m : runs) median.peakMB = std::max(median.peakMB, m.peakMB);
  Results()[c.name][kind] = median;
  state.counters["peak_MB"] = median.peakMB;
  state.counters["tris/s"] =
      benchmark::Counter(static_cast<double>(c.triangles), benchmark::Counter::kIsIterationInvariantRate);
}

// Reaches the translator's growth of its triangle array.
class GrowthProbe : public RLFExport {
 public:
  void Fill(int64_t triangles) {
    for (int64_t t = 0; t < triangles; ++t) {
      benchmark::DoNotOptimize(GetNextTriangle());
    }
  }
};

void BM_TriangleArrayGrowth(benchmark::State& state) {
  for (auto _ : state) {
    GrowthProbe fresh;
    fresh.Fill(state.range(0));
  }
  state.counters["tris/s"] =
      benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}

// A scene graph of a million nodes, one triangle each: the cost of the nodes themselves.
void RegisterNodes(const std::vector<std::pair<std::string, Measured (*)(const SceneCase&)>>& kinds) {
  const std::string path = std::string(RL_BENCH_SCENE_DIR) + "/nodes_1M.gltf";
  if (!InChild([&] { return WriteNodesFile(path, 1'000'000) ? 0.0 : -1.0; }).ok) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return;
  }
  Cases().push_back({"gltf nodes 1M", path, 1'000'000});
  for (const auto& [kind, run] : kinds) {
    benchmark::RegisterBenchmark(("BM_" + kind + "/gltf_nodes_1M").c_str(), BM_Scene, Cases().size() - 1, kind, run)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
}

void RegisterScenes() {
  std::vector<int64_t> sizes = {1'000'000, 4'000'000};
  if (const char* big = std::getenv("RL_BENCH_16M"); big != nullptr && std::strcmp(big, "1") == 0) {
    sizes.push_back(16'000'000);
  }
  struct Kind {
    const char* name;
    Measured (*run)(const SceneCase&);
  };
  std::vector<Kind> kinds = {{"export", RunRlf}};
#ifdef RL_HAVE_ASSIMP
  kinds.push_back({"assimp", RunAssimp});
#endif
  kinds.insert(kinds.end(), {{"read", RunRead}, {"write", RunWrite}, {"plugin", RunPlugin}});
  // OBJ and glb at every size and layout; the formats read through Assimp (PLY, STL) as
  // one mesh of 1M triangles, for the speed of loading them.
  struct Format {
    GridFormat format;
    const char* name;
  };
  for (const Format& f : {Format{GridFormat::kObj, "obj"}, Format{GridFormat::kGlb, "glb"},
                          Format{GridFormat::kPly, "ply"}, Format{GridFormat::kStl, "stl"}}) {
    const bool assimp = f.format == GridFormat::kPly || f.format == GridFormat::kStl;
    for (const bool many : {false, true}) {
      for (const int64_t size : sizes) {
        if (assimp && (many || size != 1'000'000)) continue;
        const GridFormat format = f.format;
        const std::string label =
            std::string(f.name) + (many ? " many " : " one ") + std::to_string(size / 1'000'000) + "M";
        const std::string path = std::string(RL_BENCH_SCENE_DIR) + "/grid_" + (many ? "many_" : "one_") +
                                 std::to_string(size / 1'000'000) + "M." + f.name;
        std::fprintf(stderr, "scene %s: %s\n", label.c_str(), path.c_str());
        // Made in a child process, so that this one stays small: a child's peak counts
        // what its parent held when it was started.
        if (!InChild([&] { return WriteGridFile(path, format, size, many) ? 0.0 : -1.0; }).ok) {
          std::fprintf(stderr, "cannot write %s\n", path.c_str());
          continue;
        }
        Cases().push_back({label, path, size});
        const std::size_t index = Cases().size() - 1;
        for (const Kind& kind : kinds) {
          std::string name = "BM_" + std::string(kind.name) + "/" + label;
          std::replace(name.begin(), name.end(), ' ', '_');
          benchmark::RegisterBenchmark(name.c_str(), BM_Scene, index, std::string(kind.name), kind.run)
              ->Iterations(3)
              ->UseManualTime()
              ->Unit(benchmark::kMillisecond);
        }
      }
    }
  }
  std::vector<std::pair<std::string, Measured (*)(const SceneCase&)>> nodeKinds;
  for (const Kind& kind : kinds) nodeKinds.emplace_back(kind.name, kind.run);
  RegisterNodes(nodeKinds);
}

// The table: medians per scene, then the ratios the targets name.
void PrintTable() {
  const auto get = [](const std::string& scene, const char* kind) -> const Measured* {
    const auto s = Results().find(scene);
    if (s == Results().end()) return nullptr;
    const auto k = s->second.find(kind);
    return k == s->second.end() ? nullptr : &k->second;
  };
  std::printf("\nExport end to end: medians of 3 fresh processes, ms (peak MB)\n");
  std::printf("%-13s %17s %17s %9s %9s %9s %11s %9s\n", "scene", "rlf export", "Assimp import", "export/", "read",
              "write", "plug-in", "plug-in/");
  std::printf("%-13s %17s %17s %9s %9s %9s %11s %9s\n", "", "", "", "Assimp", "floor", "floor", "part", "write");
  for (const SceneCase& c : Cases()) {
    const Measured* e = get(c.name, "export");
    const Measured* a = get(c.name, "assimp");
    const Measured* r = get(c.name, "read");
    const Measured* w = get(c.name, "write");
    const Measured* p = get(c.name, "plugin");
    char exportCell[32] = "-", assimpCell[32] = "-", ratio[16] = "-", readCell[16] = "-", writeCell[16] = "-",
         pluginCell[16] = "-", pluginRatio[16] = "-";
    if (e) std::snprintf(exportCell, sizeof exportCell, "%.0f (%.0f)", 1e3 * e->seconds, e->peakMB);
    if (a) std::snprintf(assimpCell, sizeof assimpCell, "%.0f (%.0f)", 1e3 * a->seconds, a->peakMB);
    if (e && a) std::snprintf(ratio, sizeof ratio, "%.2f", e->seconds / a->seconds);
    if (r) std::snprintf(readCell, sizeof readCell, "%.0f", 1e3 * r->seconds);
    if (w) std::snprintf(writeCell, sizeof writeCell, "%.0f", 1e3 * w->seconds);
    if (p) std::snprintf(pluginCell, sizeof pluginCell, "%.0f", 1e3 * p->seconds);
    if (p && w) std::snprintf(pluginRatio, sizeof pluginRatio, "%.2f", p->seconds / w->seconds);
    std::printf("%-13s %17s %17s %9s %9s %9s %11s %9s\n", c.name.c_str(), exportCell, assimpCell, ratio, readCell,
                writeCell, pluginCell, pluginRatio);
  }
  std::printf("\nGrowth (time at the larger size over time at the smaller)\n");
  for (const char* layout : {"obj one", "obj many", "glb one", "glb many"}) {
    for (const auto& [from, to] : {std::pair{"1M", "4M"}, std::pair{"4M", "16M"}}) {
      const std::string small = std::string(layout) + " " + from, large = std::string(layout) + " " + to;
      const Measured* es = get(small, "export");
      const Measured* el = get(large, "export");
      if (!es || !el) continue;
      const Measured* as = get(small, "assimp");
      const Measured* al = get(large, "assimp");
      std::printf("%-9s %3s -> %-3s  rlf export %.2f", layout, from, to, el->seconds / es->seconds);
      if (as && al) std::printf("   Assimp %.2f", al->seconds / as->seconds);
      std::printf("\n");
    }
  }
  std::printf(
      "\nTargets: 4M OBJ export/Assimp <= 0.6, 4M glb <= 1.0; growth <= 4.5; plug-in part <= 3x the write "
      "floor; 4M OBJ peak <= 1.2 GB; a glTF of 1M nodes exported in 10 s\n");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RegisterScenes();
  // Last: it grows this process, whose size the children started afterwards would count.
  benchmark::RegisterBenchmark("BM_TriangleArrayGrowth", BM_TriangleArrayGrowth)
      ->Arg(100'000)
      ->Arg(1'000'000)
      ->Arg(4'000'000)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RunSpecifiedBenchmarks();
  PrintTable();
  benchmark::Shutdown();
  return 0;
}
