// rlf bake: a normal map of a high-resolution mesh in the tangent frames of a low one.
// Either input may be an RLF file or any scene rlf export reads, which is exported
// through the plug-in first, so that the bake sees exactly what an export holds.
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "Commands.h"
#include "MapImage.h"
#include "NonFinite.h"
#include "OutputFile.h"
#include "RlBake.h"
#include "RlfFile.h"

namespace {

struct BakeArguments {
  std::string low, high, output, heightMap;
  std::string size = "2048";
  std::string format;  // from the output's extension unless given
  std::string space = "tangent";
  double maxDistance = 0;
  int samples = 4, padding = 16, bits = 8, threads = 0;
};

std::atomic<bool> gStop{false};
extern "C" void OnBakeInterrupt(int) { gStop.store(true); }

bool IsRlfFile(const std::string& path) {
  char magic[4] = {};
  FILE* f = std::fopen(path.c_str(), "rb");
  const bool rlf = f != nullptr && std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "RLF ", 4) == 0;
  if (f != nullptr) std::fclose(f);
  return rlf;
}

// The triangles of an input, finite ones only (the others are counted in a warning).
bool ReadInput(const std::string& path, const char* role, std::vector<RlRawTriangle>* tris) {
  std::string error;
  if (IsRlfFile(path)) {
    if (!ReadRlfFile(path, tris, &error)) {
      std::cerr << "rlf: " << error << "\n";
      return false;
    }
  } else {
    char scratch[] = "/tmp/rlf-bake-XXXXXX";
    const int fd = mkstemp(scratch);
    if (fd < 0) {
      std::cerr << "rlf: no scratch file for exporting " << path << ": " << std::strerror(errno) << "\n";
      return false;
    }
    close(fd);
    const bool read = ExportScene(path, scratch, &error) && ReadRlfFile(scratch, tris, &error);
    std::remove(scratch);
    if (!read) {
      std::cerr << "rlf: " << error << "\n";
      return false;
    }
  }
  const std::size_t nonFinite = std::erase_if(*tris, [](const RlRawTriangle& t) { return !IsFinite(t); });
  if (nonFinite > 0) {
    std::cerr << "rlf: warning: " << path << ": left out " << nonFinite << " " << role
              << " triangles for their non-finite values\n";
  }
  return true;
}

bool WriteImage(const std::string& path, const std::vector<float>& values, int channels, const RlBakeMap& map,
                const BakeArguments& args, RlMapFormat format) {
  std::vector<unsigned char> bytes;
  std::string error;
  if (!RlEncodeMap(values, channels, map.width, map.height, args.bits, format, &bytes, &error)) {
    std::cerr << "rlf: " << path << ": " << error << "\n";
    return false;
  }
  OutputFile file(path);
  if (!file.Open() || !file.Write(bytes.data(), bytes.size()) || !file.Commit()) {
    std::cerr << "rlf: " << file.Error() << "\n";
    return false;
  }
  return true;
}

RlMapFormat FormatOf(const std::string& path, const std::string& named) {
  if (!named.empty()) return named == "tga" ? RlMapFormat::kTga : RlMapFormat::kPng;
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".tga" ? RlMapFormat::kTga : RlMapFormat::kPng;
}

int RunBake(const BakeArguments& args) {
  RlBakeOptions options;
  {
    // W, or W x H.
    const std::size_t cross = args.size.find('x');
    const auto number = [](const std::string& text, int* value) {
      const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), *value);
      return failure == std::errc() && end == text.data() + text.size() && *value >= 1 && *value <= 16384;
    };
    if (!number(args.size.substr(0, cross), &options.width) ||
        !number(cross == std::string::npos ? args.size : args.size.substr(cross + 1), &options.height)) {
      std::cerr << "rlf: --size takes W or WxH, 1 to 16384 texels each\n";
      return 2;
    }
  }
  const RlMapFormat format = FormatOf(args.output, args.format);
  if (format == RlMapFormat::kTga && args.bits != 8) {
    std::cerr << "rlf: " << args.output << ": TGA holds 8 bits per channel; use PNG for 16\n";
    return 2;
  }
  // Ctrl-C from here on stops the command between its steps, and the bake within.
  gStop.store(false);
  std::signal(SIGINT, OnBakeInterrupt);
  struct DefaultOnReturn {
    ~DefaultOnReturn() { std::signal(SIGINT, SIG_DFL); }
  } restore;
  const auto interrupted = [&args] {
    std::cerr << "rlf: interrupted; " << args.output << " not written\n";
    return 1;
  };
  std::vector<RlRawTriangle> low, high;
  if (!ReadInput(args.low, "low", &low) || !ReadInput(args.high, "high", &high)) return 1;
  if (gStop.load()) return interrupted();

  options.maxDistance = args.maxDistance;
  options.samples = args.samples;
  options.padding = args.padding;
  options.space = args.space == "object" ? RlBakeSpace::kObject : RlBakeSpace::kTangent;
  options.threads = args.threads;
  options.heights = !args.heightMap.empty();
  options.cancel = &gStop;
  const bool terminal = isatty(STDERR_FILENO);
  auto last = std::chrono::steady_clock::now();
  if (terminal) {
    options.progress = [&last](double done) {
      const auto now = std::chrono::steady_clock::now();
      if (now - last < std::chrono::milliseconds(100) && done < 1) return;
      last = now;
      std::fprintf(stderr, "\rbaking: %d%%", static_cast<int>(100 * done));
    };
  }
  RlBakeMap map;
  std::string error;
  const auto started = std::chrono::steady_clock::now();
  const RlBakeStatus status = RlBake(low, high, options, &map, &error);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::signal(SIGINT, SIG_DFL);  // from here Ctrl-C ends the program, and a file being written goes
  if (terminal) std::fputs("\r\033[K", stderr);
  if (status == RlBakeStatus::kCancelled || gStop.load()) return interrupted();
  if (status == RlBakeStatus::kFailed) {
    std::cerr << "rlf: cannot bake " << args.high << " onto " << args.low << ": " << error << "\n";
    return 1;
  }
  if (!WriteImage(args.output, map.normals, 3, map, args, format)) return 1;
  if (!args.heightMap.empty() && !WriteImage(args.heightMap, map.heights, 1, map, args, FormatOf(args.heightMap, {}))) {
    return 1;
  }
  std::printf("baked %zu high triangles onto %zu low ones in %.2f s: %dx%d texels, %lld covered, %lld padded\n",
              high.size(), low.size(), seconds, map.width, map.height, map.covered, map.padded);
  std::printf("maximum distance %.6g%s; %lld samples, %lld met nothing\n", map.maxDistance,
              args.maxDistance > 0 ? "" : " (5% of the low mesh's diagonal)", map.samples, map.misses);
  if (map.overlapped > 0) {
    std::printf("warning: %lld texels lie under two or more low triangles (overlapping islands); the first keeps them\n",
                map.overlapped);
  }
  std::printf("wrote %s%s%s\n", args.output.c_str(), args.heightMap.empty() ? "" : " and ", args.heightMap.c_str());
  return 0;
}

}  // namespace

void AddBakeCommand(CLI::App& app, int& exitStatus) {
  auto args = std::make_shared<BakeArguments>();
  CLI::App* command = app.add_subcommand(
      "bake", "Bake a normal map of HIGH in the tangent frames of LOW (as rlf weld writes them into glTF)");
  command->add_option("low", args->low, "The low-resolution mesh: an RLF file or any scene rlf export reads")->required();
  command->add_option("high", args->high, "The high-resolution mesh, likewise")->required();
  command->add_option("-o,--output", args->output, "The map: a PNG or TGA file")->required();
  command->add_option("--size", args->size, "W or WxH texels")->capture_default_str();
  command->add_option("--max-distance", args->maxDistance,
                      "How far on either side of LOW to look for HIGH (default: 5% of LOW's diagonal)")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--samples", args->samples, "Samples per texel, on a stratified grid")
      ->check(CLI::Range(1, 256))
      ->capture_default_str();
  command->add_option("--padding", args->padding, "Texels of dilation beyond the islands")
      ->check(CLI::Range(0, 4096))
      ->capture_default_str();
  command->add_option("--bits", args->bits, "Bits per channel")->check(CLI::IsMember({8, 16}))->capture_default_str();
  command->add_option("--format", args->format, "png or tga (default: from the output's extension)")
      ->check(CLI::IsMember({"png", "tga"}));
  command->add_option("--space", args->space, "tangent or object")
      ->check(CLI::IsMember({"tangent", "object"}))
      ->capture_default_str();
  command->add_option("--threads", args->threads, "Threads (default: one per processor)")->check(CLI::Range(1, 1024));
  command->add_option("--height-map", args->heightMap,
                      "Also write the signed distance from LOW to HIGH along LOW's normal, over the maximum distance, "
                      "as grey (0.5 on LOW)");
  command->callback([args, &exitStatus] { exitStatus = RunBake(*args); });
}
