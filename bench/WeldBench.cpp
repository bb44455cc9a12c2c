// Welding and tangent frames on a smooth UV-mapped torus, beside two peers that weld a
// triangle soup into an indexed mesh: Assimp's joining of identical vertices plus its
// tangent calculation, and meshoptimizer's exact-match vertex remap. Counters give
// triangles per second, welded vertices, and the peak heap use of one run in bytes per
// triangle corner (for this library, beyond the arrays it returns).
//
// With RL_BENCH_MESH naming an RLF file, every case also runs on that mesh (argument 0);
// `make bench` exports a real UV-mapped model into one.
//
// The blocked road's optional layers are measured by turning each off on its own
// ("/no-LAYER" beside "/auto", which has them all). This library's cases also count the
// CPU time of a weld, its helper thread's included, beside the wall time.
#include "WeldBench.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "HeapTracking.h"
#include "Meshes.h"
#include "RlFileIO.h"
#include "RlGeometryInternal.h"
#include "RlTangentSpace.h"

#if RL_HAVE_ASSIMP
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#endif
#if RL_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

// The RLF file of the real mesh, or null.
const char* RealMeshFile() { return std::getenv("RL_BENCH_MESH"); }

std::vector<RlRawTriangle> ReadRealMesh() {
  std::vector<RlRawTriangle> tris;
  if (FILE* fp = std::fopen(RealMeshFile(), "rb")) {
    int n = 0;
    RlRawTriangle* read = nullptr;
    if (RlReadTriangles(fp, &n, &read)) {
      tris.assign(read, read + n);
    }
    delete[] read;
    std::fclose(fp);
  }
  if (tris.empty()) {
    std::fprintf(stderr, "RL_BENCH_MESH: no triangles read from %s\n", RealMeshFile());
    std::exit(1);
  }
  return tris;
}

// The mesh of a case, made once: argument 0 is the real mesh, any other a torus of about
// that many triangles, rings twice the sides.
std::vector<RlRawTriangle>& MeshOf(int64_t arg) {
  static std::map<int64_t, std::vector<RlRawTriangle>> meshes;
  auto [it, inserted] = meshes.try_emplace(arg);
  if (inserted && arg == 0) {
    it->second = ReadRealMesh();
  } else if (inserted) {
    int sides = 1;
    while (4 * (sides + 1) * (sides + 1) <= arg) {
      ++sides;
    }
    it->second = Torus(2 * sides, sides);
  }
  return it->second;
}

// The sizes the cases run on, in increasing order: tori of about these many triangles,
// then the real mesh when there is one (argument 0).
std::vector<int64_t> Sizes() {
  std::vector<int64_t> sizes = {1'000, 10'000, 100'000, 1'000'000, 4'000'000};
  if (RealMeshFile() != nullptr) {
    sizes.push_back(0);
  }
  return sizes;
}

// The CPU time of every thread of the process so far, in milliseconds.
double ProcessCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

// vertices: the welded vertex count, or -1 where the function does not tell it.
void SetCounters(benchmark::State& state, std::size_t triangles, int vertices, std::size_t peakBeyondResults) {
  state.counters["tris/s"] =
      benchmark::Counter(static_cast<double>(triangles), benchmark::Counter::kIsIterationInvariantRate);
  if (vertices >= 0) {
    state.counters["vertices"] = vertices;
  }
  state.counters["peakB/corner"] = static_cast<double>(peakBeyondResults) / (3.0 * static_cast<double>(triangles));
}

void BM_RlCreateVertexBuffers(benchmark::State& state, const RlWeldOptions& options) {
  std::vector<RlRawTriangle>& tris = MeshOf(state.range(0));
  const int n = static_cast<int>(tris.size());
  int numVerts = 0;
  std::size_t peak = 0;
  double cpu = 0;
  for (auto _ : state) {
    RlTangentPointD* verts = nullptr;
    RlIndex* indices = nullptr;
    HeapPeak heap;
    const double cpuBefore = ProcessCpuMilliseconds();
    benchmark::DoNotOptimize(RlCreateVertexBuffersOnRoad(n, tris.data(), &numVerts, &verts, &indices, options));
    cpu += ProcessCpuMilliseconds() - cpuBefore;
    peak = heap.Peak() - tris.size() * (3 * sizeof(RlTangentPointD) + sizeof(RlIndex));
    delete[] verts;
    delete[] indices;
  }
  SetCounters(state, tris.size(), numVerts, peak);
  state.counters["cpuMs"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

void BM_RlComputeTangentsD(benchmark::State& state, const RlWeldOptions& options) {
  std::vector<RlRawTriangle>& tris = MeshOf(state.range(0));
  const int n = static_cast<int>(tris.size());
  std::size_t peak = 0;
  double cpu = 0;
  for (auto _ : state) {
    RlRawTangentSpaceD* tan = nullptr;
    HeapPeak heap;
    const double cpuBefore = ProcessCpuMilliseconds();
    benchmark::DoNotOptimize(RlComputeTangentsDOnRoad(n, tris.data(), &tan, options));
    cpu += ProcessCpuMilliseconds() - cpuBefore;
    peak = heap.Peak() - tris.size() * sizeof(RlRawTangentSpaceD);
    delete[] tan;
  }
  SetCounters(state, tris.size(), -1, peak);
  state.counters["cpuMs"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

#if RL_HAVE_ASSIMP
// The torus as an unindexed Assimp scene (one vertex per corner), serialised once in
// Assimp's own binary format so that each run can load a fresh copy untimed.
const aiExportDataBlob& AssimpSceneOf(int64_t triangles, Assimp::Exporter& exporter) {
  const std::vector<RlRawTriangle>& tris = MeshOf(triangles);
  aiScene scene;
  scene.mRootNode = new aiNode();
  scene.mRootNode->mNumMeshes = 1;
  scene.mRootNode->mMeshes = new unsigned[1]{0};
  scene.mNumMaterials = 1;
  scene.mMaterials = new aiMaterial* [1] { new aiMaterial() };
  scene.mNumMeshes = 1;
  scene.mMeshes = new aiMesh* [1] { new aiMesh() };
  aiMesh& mesh = *scene.mMeshes[0];
  const auto corners = static_cast<unsigned>(3 * tris.size());
  mesh.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh.mNumVertices = corners;
  mesh.mVertices = new aiVector3D[corners];
  mesh.mNormals = new aiVector3D[corners];
  mesh.mTextureCoords[0] = new aiVector3D[corners];
  mesh.mNumUVComponents[0] = 2;
  mesh.mNumFaces = static_cast<unsigned>(tris.size());
  mesh.mFaces = new aiFace[tris.size()];
  for (unsigned t = 0; t < tris.size(); ++t) {
    mesh.mFaces[t].mNumIndices = 3;
    mesh.mFaces[t].mIndices = new unsigned[3]{3 * t, 3 * t + 1, 3 * t + 2};
    for (unsigned j = 0; j < 3; ++j) {
      const RlRawTriangle& tri = tris[t];
      mesh.mVertices[3 * t + j] = aiVector3D(tri.vert[j].x, tri.vert[j].y, tri.vert[j].z);
      mesh.mNormals[3 * t + j] = aiVector3D(tri.norm[j].x, tri.norm[j].y, tri.norm[j].z);
      mesh.mTextureCoords[0][3 * t + j] = aiVector3D(tri.texCoord[j].u, tri.texCoord[j].v, 0);
    }
  }
  return *exporter.ExportToBlob(&scene, "assbin");
}

void BM_Assimp_JoinVerticesAndTangents(benchmark::State& state) {
  Assimp::Exporter exporter;
  const aiExportDataBlob& blob = AssimpSceneOf(state.range(0), exporter);
  const std::size_t triangles = MeshOf(state.range(0)).size();
  unsigned vertices = 0;
  std::size_t peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      Assimp::Importer importer;
      importer.ReadFileFromMemory(blob.data, blob.size, 0, "assbin");
      HeapPeak heap;
      state.ResumeTiming();
      const aiScene* scene = importer.ApplyPostProcessing(aiProcess_JoinIdenticalVertices | aiProcess_CalcTangentSpace);
      state.PauseTiming();
      peak = heap.Peak();
      vertices = scene != nullptr ? scene->mMeshes[0]->mNumVertices : 0;
    }
    state.ResumeTiming();
  }
  SetCounters(state, triangles, static_cast<int>(vertices), peak);
}
#endif

#if RL_HAVE_MESHOPTIMIZER
void BM_Meshopt_VertexRemap(benchmark::State& state) {
  // Position, normal and texture coordinate of every corner, as one 32-byte vertex.
  struct Vertex {
    float position[3], normal[3], uv[2];
  };
  const std::vector<RlRawTriangle>& tris = MeshOf(state.range(0));
  std::vector<Vertex> soup;
  for (const RlRawTriangle& tri : tris) {
    for (int j = 0; j < 3; ++j) {
      soup.push_back({{tri.vert[j].x, tri.vert[j].y, tri.vert[j].z},
                      {tri.norm[j].x, tri.norm[j].y, tri.norm[j].z},
                      {tri.texCoord[j].u, tri.texCoord[j].v}});
    }
  }
  std::size_t vertices = 0;
  std::size_t peak = 0;
  for (auto _ : state) {
    HeapPeak heap;
    std::vector<unsigned> remap(soup.size());
    vertices =
        meshopt_generateVertexRemap(remap.data(), nullptr, soup.size(), soup.data(), soup.size(), sizeof(Vertex));
    std::vector<Vertex> welded(vertices);
    meshopt_remapVertexBuffer(welded.data(), soup.data(), soup.size(), sizeof(Vertex), remap.data());
    std::vector<unsigned> indices(soup.size());
    meshopt_remapIndexBuffer(indices.data(), nullptr, soup.size(), remap.data());
    peak = heap.Peak();
    benchmark::DoNotOptimize(indices.data());
  }
  SetCounters(state, tris.size(), static_cast<int>(vertices), peak);
}
#endif

// A case of the rounds: its name, what it runs, and the sizes it runs on.
struct WeldCase {
  std::string name;
  std::function<void(benchmark::State&)> run;
  int64_t smallest;
  int64_t largest;
};

}  // namespace

void RegisterWeldRounds() {
  using Function = void (*)(benchmark::State&, const RlWeldOptions&);
  const auto with = [](Function function, RlWeldOptions options) {
    return [function, options](benchmark::State& state) { function(state, options); };
  };
  std::vector<WeldCase> cases = {
    {"BM_RlCreateVertexBuffers/auto", with(BM_RlCreateVertexBuffers, RlWeldRoad::kAuto), 1'000, 4'000'000},
    {"BM_RlCreateVertexBuffers/flat", with(BM_RlCreateVertexBuffers, RlWeldRoad::kFlat), 1'000, 100'000},
    {"BM_RlCreateVertexBuffers/blocked", with(BM_RlCreateVertexBuffers, RlWeldRoad::kBlocked), 1'000, 10'000},
    {"BM_RlComputeTangentsD/auto", with(BM_RlComputeTangentsD, RlWeldRoad::kAuto), 10'000, 4'000'000},
#if RL_HAVE_ASSIMP
    {"BM_Assimp_JoinVerticesAndTangents", BM_Assimp_JoinVerticesAndTangents, 10'000, 4'000'000},
#endif
#if RL_HAVE_MESHOPTIMIZER
    {"BM_Meshopt_VertexRemap", BM_Meshopt_VertexRemap, 10'000, 4'000'000},
#endif
  };
  // Each optional layer off on its own, from 100K triangles on.
  const std::pair<const char*, bool RlWeldLayers::*> layers[] = {{"no-helper", &RlWeldLayers::helperThread},
                                                                 {"no-mapahead", &RlWeldLayers::mapAhead},
                                                                 {"no-memo", &RlWeldLayers::searchMemo},
                                                                 {"no-blockcache", &RlWeldLayers::blockCache}};
  for (const auto& [function, functionName] :
       {std::pair{Function{BM_RlCreateVertexBuffers}, "BM_RlCreateVertexBuffers/"},
        std::pair{Function{BM_RlComputeTangentsD}, "BM_RlComputeTangentsD/"}}) {
    for (const auto& [layerName, layer] : layers) {
      RlWeldOptions options(RlWeldRoad::kAuto);
      options.layers.*layer = false;
      cases.push_back({std::string(functionName) + layerName, with(function, options), 100'000, 4'000'000});
    }
  }
  for (int round = 0; round < kRounds; ++round) {
    for (int64_t size : Sizes()) {
      for (const WeldCase& weldCase : cases) {
        if (size == 0 || (size >= weldCase.smallest && size <= weldCase.largest)) {
          benchmark::RegisterBenchmark(weldCase.name.c_str(), weldCase.run)
              ->Arg(size)
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime();
        }
      }
    }
  }
}
