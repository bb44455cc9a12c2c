// RLF write and read throughput beside plain stdio moving the same bytes.
//
// Each pair works on the same file, of 1M triangles (96 MB), in the page cache. The plain
// peers do what a caller without the library would do: write or read the 20 header
// bytes and the records in one call each, into a freshly allocated array.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RlFileIO.h"

namespace {

constexpr int kTriangles = 1 << 20;

// The file that every case writes or reads; removed when the program ends.
struct BenchFile {
  std::string path = "/tmp/rl_bench_" + std::to_string(::getpid()) + ".rlf";
  ~BenchFile() { std::remove(path.c_str()); }
};

const std::string& BenchPath() {
  static const BenchFile file;
  return file.path;
}

std::vector<RlRawTriangle>& Triangles() {
  static std::vector<RlRawTriangle> tris = [] {
    std::vector<RlRawTriangle> t(kTriangles);
    float value = 0.0f;
    for (RlRawTriangle& tri : t) {
      float* f = reinterpret_cast<float*>(&tri);
      for (int i = 0; i < 24; ++i) {
        f[i] = value += 0.25f;
      }
    }
    return t;
  }();
  return tris;
}

void SetThroughput(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * (20 + int64_t{96} * kTriangles));
  state.counters["triangles/s"] =
      benchmark::Counter(static_cast<double>(kTriangles), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RlWriteTriangles(benchmark::State& state) {
  std::vector<RlRawTriangle>& tris = Triangles();
  for (auto _ : state) {
    FILE* fp = std::fopen(BenchPath().c_str(), "wb");
    benchmark::DoNotOptimize(RlWriteTriangles(fp, kTriangles, tris.data()));
    std::fclose(fp);
  }
  SetThroughput(state);
}

void BM_PlainFwrite(benchmark::State& state) {
  std::vector<RlRawTriangle>& tris = Triangles();
  unsigned char header[20];
  std::memcpy(header, "RLF \x0C\x00\x00\x06TRIS\x04\x00\x00\x06\x00\x00\x10\x00", 20);
  for (auto _ : state) {
    FILE* fp = std::fopen(BenchPath().c_str(), "wb");
    std::fwrite(header, sizeof header, 1, fp);
    benchmark::DoNotOptimize(std::fwrite(tris.data(), sizeof(RlRawTriangle), kTriangles, fp));
    std::fclose(fp);
  }
  SetThroughput(state);
}

void WriteBenchFile() {
  FILE* fp = std::fopen(BenchPath().c_str(), "wb");
  RlWriteTriangles(fp, kTriangles, Triangles().data());
  std::fclose(fp);
}

void BM_RlReadTriangles(benchmark::State& state) {
  WriteBenchFile();
  for (auto _ : state) {
    FILE* fp = std::fopen(BenchPath().c_str(), "rb");
    int numTris = 0;
    RlRawTriangle* tris = nullptr;
    benchmark::DoNotOptimize(RlReadTriangles(fp, &numTris, &tris));
    std::fclose(fp);
    delete[] tris;
  }
  SetThroughput(state);
}

void BM_PlainFread(benchmark::State& state) {
  WriteBenchFile();
  for (auto _ : state) {
    FILE* fp = std::fopen(BenchPath().c_str(), "rb");
    unsigned char header[20];
    benchmark::DoNotOptimize(std::fread(header, sizeof header, 1, fp));
    int numTris;
    std::memcpy(&numTris, header + 16, sizeof numTris);
    std::unique_ptr<RlRawTriangle[]> tris(new RlRawTriangle[static_cast<std::size_t>(numTris)]);
    benchmark::DoNotOptimize(std::fread(tris.get(), sizeof(RlRawTriangle), static_cast<std::size_t>(numTris), fp));
    std::fclose(fp);
  }
  SetThroughput(state);
}

}  // namespace

BENCHMARK(BM_RlWriteTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFwrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RlReadTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFread)->Unit(benchmark::kMillisecond)->UseRealTime();
