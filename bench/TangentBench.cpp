// Welding and tangent frames on a smooth UV-mapped torus, at growing sizes.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <vector>

#include "Meshes.h"
#include "RlTangentSpace.h"

namespace {

// A torus of about `triangles` triangles, rings twice the sides; made once per size.
std::vector<RlRawTriangle>& TorusOf(int64_t triangles) {
  static std::map<int64_t, std::vector<RlRawTriangle>> meshes;
  auto [it, inserted] = meshes.try_emplace(triangles);
  if (inserted) {
    int sides = 1;
    while (4 * (sides + 1) * (sides + 1) <= triangles) {
      ++sides;
    }
    it->second = Torus(2 * sides, sides);
  }
  return it->second;
}

void SetCounters(benchmark::State& state, std::size_t triangles, int vertices) {
  state.counters["triangles"] = static_cast<double>(triangles);
  state.counters["vertices"] = vertices;
  state.counters["triangles/s"] = benchmark::Counter(
      static_cast<double>(triangles), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RlComputeTangentsD(benchmark::State& state) {
  std::vector<RlRawTriangle>& tris = TorusOf(state.range(0));
  const int n = static_cast<int>(tris.size());
  for (auto _ : state) {
    RlRawTangentSpaceD* tan = nullptr;
    benchmark::DoNotOptimize(RlComputeTangentsD(n, tris.data(), &tan));
    delete[] tan;
  }
  // The welded vertex count, from the buffers of the same mesh.
  int numVerts = 0;
  RlTangentPointD* verts = nullptr;
  RlIndex* indices = nullptr;
  RlCreateVertexBuffers(n, tris.data(), &numVerts, &verts, &indices);
  delete[] verts;
  delete[] indices;
  SetCounters(state, tris.size(), numVerts);
}

void BM_RlCreateVertexBuffers(benchmark::State& state) {
  std::vector<RlRawTriangle>& tris = TorusOf(state.range(0));
  const int n = static_cast<int>(tris.size());
  int numVerts = 0;
  for (auto _ : state) {
    RlTangentPointD* verts = nullptr;
    RlIndex* indices = nullptr;
    benchmark::DoNotOptimize(RlCreateVertexBuffers(n, tris.data(), &numVerts, &verts, &indices));
    delete[] verts;
    delete[] indices;
  }
  SetCounters(state, tris.size(), numVerts);
}

}  // namespace

BENCHMARK(BM_RlComputeTangentsD)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RlCreateVertexBuffers)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
