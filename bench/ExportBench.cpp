// Exports of generated scenes through the loaded plug-in module, as the host runs them:
// one large mesh, or many small ones, of about 100K, 1M and 4M triangles in all. Beside
// them, the growth of the triangle array alone (GetNextTriangle for as many triangles),
// whose share of the export time is the cost of its fixed-step growth.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "RLFExport.h"
#include "Scenes.h"
#include "host/PluginHost.h"
#include "host/Scene.h"

namespace {

// Builds the scene for `triangles` triangles: one grid mesh, or meshes of 2,000.
void BuildScene(int64_t triangles, bool manyMeshes) {
  host::Scene& scene = host::Scene::Active();
  scene.Reset();
  const int set = scene.AddShadingSet("sg");
  if (!manyMeshes) {
    const int columns = 1000;
    const int rows = static_cast<int>(triangles / (2 * columns));
    scene.AssignObject(set, scene.AddMesh("grid", host::kWorld, GridMesh(rows, columns)));
    return;
  }
  const host::MeshDesc piece = GridMesh(10, 100);
  for (int64_t done = 0; done < triangles; done += 2000) {
    const double offset = static_cast<double>(done / 2000);
    const host::NodeId t = scene.AddTransform(
        "piece", host::kWorld, host::Matrix::Trs({0, offset * 11, 0}, {0, 0, 0}, {1, 1, 1}));
    scene.AssignObject(set, scene.AddMesh("pieceShape", t, piece));
  }
}

const std::string& TargetPath() {
  static const std::string path = "/tmp/rl_export_bench_" + std::to_string(getpid()) + ".rlf";
  return path;
}

void BM_Export(benchmark::State& state, bool manyMeshes) {
  BuildScene(state.range(0), manyMeshes);
  host::PluginHost plugin;
  std::string error;
  if (!plugin.Load(RLF_EXPORT_MODULE, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    if (!plugin.Write("rlf", TargetPath(), MPxFileTranslator::kExportAccessMode)) {
      state.SkipWithError("export failed");
      break;
    }
  }
  std::remove(TargetPath().c_str());
  state.counters["tris/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                benchmark::Counter::kIsIterationInvariantRate);
}

// Reaches the translator's protected growth of its triangle array.
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
  state.counters["tris/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Export, one_mesh, false)
    ->Arg(100'000)->Arg(1'000'000)->Arg(4'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Export, many_meshes, true)
    ->Arg(100'000)->Arg(1'000'000)->Arg(4'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TriangleArrayGrowth)
    ->Arg(100'000)->Arg(1'000'000)->Arg(4'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();
