// Baking at the scale it exists for, beside Blender's Cycles (headless, Embree on the
// CPU, selected to active): the analytic scene, a smooth UV sphere of 3,968 triangles
// (LOW) and a bumped one of 998,000 (HIGH), baked at 2048 x 2048 with 1 and with 4
// samples per texel, and the normal map with ambient occlusion and heights (Blender: its
// normal and AO bakes). Each run is a fresh process: rlf bake on RLF files, Blender on OBJ
// files of the same meshes. The time is the bake's own (loading the scenes and writing
// the image left out, as each program reports it); peak memory is the process's peak
// resident size. A table at the end gives the ratios and how far this library's 8-bit
// map strays from the analytic normals.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "RlBake.h"
#include "SphereBakes.h"
#include "Spheres.h"

extern char** environ;

namespace {

constexpr int kSize = 2048;
const std::string kDir = RL_BENCH_BAKE_DIR;

struct Measured {
  double seconds = 0;
  double peakMB = 0;
  double cores = 0;  // the whole process's CPU time over its wall time
  bool ok = false;
};

std::map<std::string, std::vector<Measured>>& Results() {
  static std::map<std::string, std::vector<Measured>> results;
  return results;
}

// Runs args with its output into a file; the seconds are read from the output after
// marker (the first number that follows it).
Measured Run(std::vector<std::string> args, const std::string& marker) {
  const std::string log = kDir + "/run.log";
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const auto started = std::chrono::steady_clock::now();
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  Measured m;
  if (spawned != 0) return m;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  m.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const auto cpu = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  m.cores = (cpu(usage.ru_utime) + cpu(usage.ru_stime)) / wall;
  std::ifstream in(log);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  const std::size_t at = text.find(marker);
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && at != std::string::npos;
  if (m.ok) m.seconds = std::stod(text.substr(at + marker.size()));
  return m;
}

// The meshes as RLF files for rlf, and as OBJ files (shared corners) for Blender.
void WriteScene(const std::string& name, const std::vector<RlRawTriangle>& tris) {
  std::vector<RlRawTriangle> copy = tris;
  FILE* f = std::fopen((kDir + "/" + name + ".rlf").c_str(), "wb");
  RlWriteTriangles(f, static_cast<int>(copy.size()), copy.data());
  std::fclose(f);
  std::unordered_map<std::string, int> corners;
  std::ostringstream vertices, faces;
  for (const RlRawTriangle& t : tris) {
    faces << "f";
    for (int i = 0; i < 3; ++i) {
      char key[96];
      std::snprintf(key, sizeof key, "%.9g %.9g %.9g|%.9g %.9g %.9g|%.9g %.9g", t.vert[i].x, t.vert[i].y, t.vert[i].z,
                    t.norm[i].x, t.norm[i].y, t.norm[i].z, t.texCoord[i].u, t.texCoord[i].v);
      auto [it, added] = corners.emplace(key, static_cast<int>(corners.size()) + 1);
      if (added) {
        char line[160];
        std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\nvn %.9g %.9g %.9g\nvt %.9g %.9g\n", t.vert[i].x,
                      t.vert[i].y, t.vert[i].z, t.norm[i].x, t.norm[i].y, t.norm[i].z, t.texCoord[i].u,
                      t.texCoord[i].v);
        vertices << line;
      }
      faces << ' ' << it->second << '/' << it->second << '/' << it->second;
    }
    faces << '\n';
  }
  std::ofstream((kDir + "/" + name + ".obj")) << vertices.str() << faces.str();
}

double Distance() { return RlDefaultMaxDistance(Sphere(32, 64, false)); }

// Runs a bake each iteration, its time as the iteration's, its measures kept under key.
void Measure(benchmark::State& state, std::vector<std::string> args, const std::string& marker,
             const std::string& key) {
  for (auto _ : state) {
    const Measured m = Run(args, marker);
    if (!m.ok) {
      state.SkipWithError((args[0] + " failed (is it installed?)").c_str());
      return;
    }
    state.SetIterationTime(m.seconds);
    Results()[key].push_back(m);
  }
}

std::vector<std::string> RlfBake(const std::string& out, const std::string& samples) {
  return {RLF_PROGRAM,      "bake",   kDir + "/low.rlf",     kDir + "/high.rlf", "-o",
          kDir + "/" + out, "--size", std::to_string(kSize), "--samples",        samples};
}

std::vector<std::string> BlenderBake(const std::string& out, const std::string& samples) {
  return {"blender",
          "-b",
          "--factory-startup",
          "--python",
          RL_BLENDER_BAKE_SCRIPT,
          "--",
          kDir + "/low.obj",
          kDir + "/high.obj",
          std::to_string(kSize),
          samples,
          std::to_string(Distance()),
          kDir + "/" + out};
}

void BM_RlfBake(benchmark::State& state) {
  const std::string samples = std::to_string(state.range(0));
  Measure(state, RlfBake("rlf-" + samples + ".png", samples), "low ones in ", "rlf " + samples);
}

void BM_BlenderBake(benchmark::State& state) {
  const std::string samples = std::to_string(state.range(0));
  Measure(state, BlenderBake("blender.png", samples), "bake seconds ", "blender " + samples);
}

// The normal map with ambient occlusion (16 rays a texel) and heights, from one pass.
void BM_RlfBakeMaps(benchmark::State& state) {
  std::vector<std::string> args = RlfBake("rlf-maps_{map}.png", "1");
  args.insert(args.end(), {"--maps", "normal,ao,height", "--ao-rays", "16"});
  Measure(state, args, "low ones in ", "rlf maps");
}

// Blender's normal and AO bakes (16 samples) of the same, one after the other.
void BM_BlenderBakeMaps(benchmark::State& state) {
  std::vector<std::string> args = BlenderBake("blender-maps.png", "1");
  args.push_back("16");
  Measure(state, args, "bake seconds ", "blender maps");
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void PrintTable() {
  std::printf("\nBaking 998,000 triangles onto 3,968 at %d x %d: medians of fresh processes\n", kSize, kSize);
  std::printf("%-22s %10s %10s %12s %14s\n", "", "bake s", "peak MB", "of Blender's", "cores (process)");
  const struct {
    std::string key, rlf, blender;  // the results' key after "rlf " or "blender ", and each row's name
  } rows[] = {{"1", "rlf, 1 per texel", "blender, 1 per texel"},
              {"4", "rlf, 4 per texel", "blender, 4 per texel"},
              {"maps", "rlf, normal+ao+height", "blender, normal+ao"}};
  for (const auto& row : rows) {
    const auto column = [&](const std::string& who, double Measured::*field) {
      std::vector<double> v;
      for (const Measured& m : Results()[who + " " + row.key]) v.push_back(m.*field);
      return Median(v);
    };
    const double blender = column("blender", &Measured::seconds);
    for (const char* who : {"rlf", "blender"}) {
      if (Results()[who + std::string(" ") + row.key].empty()) continue;
      const double seconds = column(who, &Measured::seconds);
      std::printf("%-22s %10.2f %10.0f %12s %14.2f\n", (who[0] == 'r' ? row.rlf : row.blender).c_str(), seconds,
                  column(who, &Measured::peakMB),
                  blender > 0 ? std::to_string(seconds / blender).substr(0, 4).c_str() : "",
                  column(who, &Measured::cores));
    }
  }
  // rlf's maps against the analytic normals.
  for (int samples : {1, 4}) {
    int w = 0, h = 0, channels = 0;
    const std::string path = kDir + "/rlf-" + std::to_string(samples) + ".png";
    std::unique_ptr<unsigned char, void (*)(void*)> pixels(stbi_load(path.c_str(), &w, &h, &channels, 3),
                                                           stbi_image_free);
    if (!pixels) continue;
    RlBakeMap map;
    map.width = w, map.height = h;
    for (int i = 0; i < 3 * w * h; ++i) map.normals.push_back(static_cast<float>(pixels.get()[i] / 127.5 - 1));
    std::vector<double> errors = BumpAngleErrors(Sphere(32, 64, false), map);
    std::sort(errors.begin(), errors.end());
    if (errors.empty()) continue;
    std::printf(
        "rlf's 8-bit map, %d per texel, against the analytic normals: mean %.3f degrees, 99th percentile %.3f\n",
        samples, std::accumulate(errors.begin(), errors.end(), 0.0) / static_cast<double>(errors.size()),
        errors[errors.size() * 99 / 100]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  WriteScene("low", Sphere(32, 64, false));
  WriteScene("high", Sphere(500, 1000, true));
  for (int samples : {1, 4}) {
    benchmark::RegisterBenchmark("BM_RlfBake", BM_RlfBake)
        ->Arg(samples)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("BM_BlenderBake", BM_BlenderBake)
        ->Arg(samples)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
  }
  benchmark::RegisterBenchmark("BM_RlfBakeMaps", BM_RlfBakeMaps)
      ->Iterations(3)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark("BM_BlenderBakeMaps", BM_BlenderBakeMaps)
      ->Iterations(3)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::RunSpecifiedBenchmarks();
  PrintTable();
  benchmark::Shutdown();
  return 0;
}
