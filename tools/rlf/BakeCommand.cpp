// rlf bake: a normal map of a high-resolution mesh in the tangent frames of a low one, and
// the other maps the same rays give. Either input (and a cage) may be an RLF file or any
// scene rlf export reads, which is exported through the plug-in first, so that the bake
// sees exactly what an export holds.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "Commands.h"
#include "InputFile.h"
#include "Interrupts.h"
#include "MapImage.h"
#include "MeshInput.h"
#include "NonFinite.h"
#include "OutputFile.h"
#include "RlBake.h"
#include "SceneFiles.h"

namespace {

// The maps rlf bake makes, by the names --maps and {map} in the output take.
constexpr const char* kMapNames[] = {"normal",    "object-normal", "height",    "position",   "ao",
                                     "thickness", "bent-normal",   "curvature", "material-id"};

// A distance as given: absolute, or with a % sign a share of the low mesh's diagonal.
struct Distance {
  std::string text;
  double Of(double diagonal) const {
    if (text.empty()) return 0;
    const double value = std::strtod(text.c_str(), nullptr);
    return text.back() == '%' ? value / 100 * diagonal : value;
  }
};

// High meshes read once in a batch, by path, for the bakes that share them.
using MeshCache = std::map<std::string, std::vector<RlRawTriangle>>;

struct BakeArguments {
  std::string low, high, output, heightMap, cage, batch;
  std::string size = "2048";
  std::string format;  // from the output's extension unless given
  std::string space = "tangent";
  std::vector<std::string> maps = {"normal"};
  Distance maxDistance, front, rear, cageOffset, occlusionDistance, curvatureScale;
  std::string maxMemory;  // bytes, with an optional K, M, G or T; default what the machine allows
  int samples = 4, padding = 16, threads = 0, occlusionRays = 16;
  int bits = 0;  // 0: 8 for PNG and TGA, 32 for EXR
  bool udim = false;
  bool matchNames = false;
  FrameChoice frames;
  MeshCache* cache = nullptr;  // in a batch
  bool highAgain = false;      // in a batch: a later bake reads the same high mesh
};

// The bits per channel of a map in format.
int BitsOf(const BakeArguments& args, RlMapFormat format) {
  return args.bits != 0 ? args.bits : format == RlMapFormat::kExr ? 32 : 8;
}

// The high mesh's materials: each high triangle's, by number into names.
struct Materials {
  std::vector<std::string> names;
  std::vector<int> ofTriangle;

  int Number(const std::string& name) {
    const auto found = std::find(names.begin(), names.end(), name);
    if (found != names.end()) return static_cast<int>(found - names.begin());
    names.push_back(name);
    return static_cast<int>(names.size()) - 1;
  }
};

// A material's colour, from its name alone (so that it keeps it in every bake): three
// bytes of the name's 32-bit FNV-1a hash, each from 0.2 to 1.
std::array<float, 3> MaterialColour(const std::string& name) {
  uint32_t hash = 2166136261u;
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  std::array<float, 3> colour;
  for (std::size_t k = 0; k < 3; ++k) colour[k] = 0.2f + 0.8f * static_cast<float>((hash >> (8 * k)) & 0xff) / 255;
  return colour;
}

// The warning for an input's triangles left out for their non-finite values, if any.
void WarnNonFinite(const std::string& path, std::size_t count, const char* role) {
  if (count > 0) {
    std::cerr << "rlf: warning: " << path << ": left out " << count << " " << role
              << " triangles for their non-finite values\n";
  }
}

// The triangles of an input, finite ones only (the others are counted in a warning).
bool ReadFiniteMesh(const std::string& path, const char* role, std::vector<RlRawTriangle>* tris) {
  std::string error;
  if (!ReadMesh(path, tris, &error)) {
    if (!Interrupted()) std::cerr << "rlf: " << error << "\n";
    return false;
  }
  WarnNonFinite(path, std::erase_if(*tris, [](const RlRawTriangle& t) { return !IsFinite(t); }), role);
  return true;
}

// The high mesh, read once in a batch: kept while a later bake needs it, and handed over
// to the last.
bool ReadHighMesh(const BakeArguments& args, std::vector<RlRawTriangle>* tris) {
  if (args.cache != nullptr) {
    if (const auto read = args.cache->find(args.high); read != args.cache->end()) {
      if (args.highAgain) {
        *tris = read->second;
      } else {
        *tris = std::move(read->second);
        args.cache->erase(read);
      }
      return true;
    }
  }
  if (!ReadFiniteMesh(args.high, "high", tris)) return false;
  if (args.cache != nullptr && args.highAgain) (*args.cache)[args.high] = *tris;
  return true;
}

// The name an object is paired by: its own, less a "_low" or "_high" ending in any case.
std::string PairName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string ending : {"_low", "_high"}) {
    if (lower.size() > ending.size() && lower.ends_with(ending)) return name.substr(0, name.size() - ending.size());
  }
  return name;
}

// The objects of both scenes paired by name, as groups: each low object with the high
// objects whose names pair with its own. Unmatched objects are named in warnings: a low
// one is baked against nothing (a flat map there), a high one is left out. Triangles
// holding non-finite values are left out too.
bool ReadPairedObjects(const BakeArguments& args, std::vector<RlRawTriangle>* low, std::vector<RlRawTriangle>* high,
                       std::vector<int>* lowGroups, std::vector<int>* highGroups, Materials* materials) {
  std::vector<NamedMesh> lows, highs;
  std::string error;
  if (!ReadMeshObjects(args.low, false, &lows, &error) ||
      !ReadMeshObjects(args.high, materials != nullptr, &highs, &error)) {
    if (!Interrupted()) std::cerr << "rlf: " << error << "\n";
    return false;
  }
  std::map<std::string, int> groupOf;
  for (const NamedMesh& object : lows) groupOf.emplace(PairName(object.name), static_cast<int>(groupOf.size()));
  std::vector<bool> matched(groupOf.size(), false);
  std::size_t nonFinite = 0;
  const auto add = [&nonFinite](const std::vector<RlRawTriangle>& tris, int group, std::vector<RlRawTriangle>* into,
                                std::vector<int>* groups, std::vector<int>* ofTriangle = nullptr, int material = 0) {
    for (const RlRawTriangle& t : tris) {
      if (!IsFinite(t)) {
        ++nonFinite;
        continue;
      }
      into->push_back(t);
      groups->push_back(group);
      if (ofTriangle != nullptr) ofTriangle->push_back(material);
    }
  };
  for (const NamedMesh& object : highs) {
    const auto found = groupOf.find(PairName(object.name));
    if (found == groupOf.end()) {
      std::cerr << "rlf: warning: " << args.high << ": no low object pairs with \"" << object.name << "\"; left out\n";
      continue;
    }
    matched[static_cast<std::size_t>(found->second)] = true;
    add(object.tris, found->second, high, highGroups, materials != nullptr ? &materials->ofTriangle : nullptr,
        materials != nullptr ? materials->Number(object.material) : 0);
  }
  for (const NamedMesh& object : lows) {
    const int group = groupOf[PairName(object.name)];
    if (!matched[static_cast<std::size_t>(group)]) {
      std::cerr << "rlf: warning: " << args.low << ": no high object pairs with \"" << object.name
                << "\"; its texels stay flat\n";
    }
    add(object.tris, matched[static_cast<std::size_t>(group)] ? group : -1, low, lowGroups);
  }
  if (nonFinite > 0) std::cerr << "rlf: warning: left out " << nonFinite << " triangles for their non-finite values\n";
  std::printf("paired %zu of %zu low objects with high ones by name\n",
              static_cast<std::size_t>(std::count(matched.begin(), matched.end(), true)), lows.size());
  return true;
}

// The high mesh of a scene with each triangle's shading set, finite triangles only (the
// others are counted in a warning).
bool ReadMaterialMesh(const std::string& path, std::vector<RlRawTriangle>* tris, Materials* materials) {
  std::vector<NamedMesh> parts;
  std::string error;
  if (!ReadMeshObjects(path, true, &parts, &error)) {
    if (!Interrupted()) std::cerr << "rlf: " << error << "\n";
    return false;
  }
  std::size_t nonFinite = 0;
  for (const NamedMesh& part : parts) {
    const int material = materials->Number(part.material);
    for (const RlRawTriangle& t : part.tris) {
      if (!IsFinite(t)) {
        ++nonFinite;
        continue;
      }
      tris->push_back(t);
      materials->ofTriangle.push_back(material);
    }
  }
  WarnNonFinite(path, nonFinite, "high");
  return true;
}

// The low mesh of a glTF file with its own tangents, and its triangles; triangles
// holding non-finite values are left out of both (and counted in a warning).
bool ReadTangentMesh(const std::string& path, std::vector<RlRawTriangle>* tris, RlGltfMesh* mesh) {
  RlGltfMesh file;
  try {
    file = LoadGltfTangentMesh(path);
  } catch (const SceneError& e) {
    std::cerr << "rlf: " << e.what() << "\n";
    return false;
  }
  std::size_t nonFinite = 0;
  mesh->vertices = std::move(file.vertices);
  for (const RlIndex& corners : file.indices) {
    RlRawTriangle t;
    bool finite = true;
    for (int i = 0; i < 3; ++i) {
      const RlGltfVertex& v = mesh->vertices[static_cast<std::size_t>(corners.idx[i])];
      t.vert[i] = {{v.position[0], v.position[1], v.position[2]}};
      t.norm[i] = {{v.normal[0], v.normal[1], v.normal[2]}};
      t.texCoord[i] = {{v.uv[0], 1.0f - v.uv[1]}};
      for (const float f : v.tangent) finite = finite && std::isfinite(f);
    }
    if (!finite || !IsFinite(t)) {
      ++nonFinite;
      continue;
    }
    tris->push_back(t);
    mesh->indices.push_back(corners);
  }
  WarnNonFinite(path, nonFinite, "low");
  return true;
}

// The format a map is written in: --format, else the output's extension (PNG when it has
// none). Empty when the extension names another kind of file.
std::optional<RlMapFormat> FormatOf(const std::string& path, const std::string& named) {
  const std::string extension = named.empty() ? ExtensionOf(path) : "." + named;
  if (extension == ".tga") return RlMapFormat::kTga;
  if (extension == ".exr") return RlMapFormat::kExr;
  if (extension == ".png" || extension.empty()) return RlMapFormat::kPng;
  return std::nullopt;
}

// path with the UDIM tile's number before its extension: out.png, 1002 -> out.1002.png.
std::string TilePath(const std::string& path, int tile) {
  const std::string extension = ExtensionOf(path);
  return path.substr(0, path.size() - extension.size()) + "." + std::to_string(tile) +
         path.substr(path.size() - extension.size());
}

// One output map: checked before the bake, opened before the bake (so that a missing or
// unwritable directory is found first), committed after both are written.
struct MapOutput {
  std::string map;  // its name in kMapNames
  std::string path;
  RlMapFormat format;
  std::unique_ptr<OutputFile> file;
  double seconds = 0;  // encoding and writing it
};

// The values of a map as the image encodes them, from -1 to 1, and their channels: maps
// of 0 to 1 are stretched onto that range.
// (EXR holds the values themselves.)
std::vector<float> EncodedValues(const RlBakeMap& map, const std::string& name, RlMapFormat format,
                                 const Materials& materials, int* channels) {
  const auto stretched = [format](std::vector<float> values) {
    if (format == RlMapFormat::kExr) return values;
    for (float& value : values) value = 2 * value - 1;
    return values;
  };
  *channels = name == "height" || name == "ao" || name == "thickness" || name == "curvature" ? 1 : 3;
  if (name == "material-id") {
    std::vector<std::array<float, 3>> colours;
    for (const std::string& material : materials.names) colours.push_back(MaterialColour(material));
    std::vector<float> values(3 * map.materials.size(), 0.0f);
    for (std::size_t i = 0; i < map.materials.size(); ++i) {
      if (map.materials[i] < 0) continue;
      const std::array<float, 3>& colour = colours[static_cast<std::size_t>(map.materials[i])];
      std::copy(colour.begin(), colour.end(), &values[3 * i]);
    }
    return stretched(std::move(values));
  }
  if (name == "normal") return map.normals;
  if (name == "bent-normal") return map.bentNormals;
  if (name == "curvature") return map.curvature;
  if (name == "object-normal") return map.objectNormals.empty() ? map.normals : map.objectNormals;
  if (name == "height") return map.heights;
  if (name == "position") return stretched(map.positions);
  return stretched(name == "ao" ? map.occlusion : map.thickness);
}

// W, or W x H, each 1 to 16384.
bool ParseSize(const std::string& size, RlBakeOptions* options) {
  const std::size_t cross = size.find('x');
  const auto number = [](const std::string& text, int* value) {
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return failure == std::errc() && end == text.data() + text.size() && *value >= 1 && *value <= 16384;
  };
  return number(size.substr(0, cross), &options->width) &&
         number(cross == std::string::npos ? size : size.substr(cross + 1), &options->height);
}

// Bytes, with an optional K, M, G or T (powers of 1024).
bool ParseBytes(const std::string& text, double* bytes) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  const std::string units = "KMGT";
  if (*end != '\0') {
    const std::size_t unit = units.find(static_cast<char>(std::toupper(static_cast<unsigned char>(*end))));
    if (unit == std::string::npos || end[1] != '\0') return false;
    value *= std::pow(1024.0, static_cast<double>(unit + 1));
  }
  *bytes = value;
  return end != text.c_str() && std::isfinite(value) && value > 0;
}

// The memory this machine lets the process have: its physical memory, or less when an
// address-space or data limit is set.
double MachineMemory() {
  double bytes = static_cast<double>(sysconf(_SC_PHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGESIZE));
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit limit;
    if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      bytes = std::min(bytes, static_cast<double>(limit.rlim_cur));
    }
  }
  return bytes;
}

std::string Amount(double bytes) {
  char text[32];
  if (bytes >= 1e9) {
    std::snprintf(text, sizeof text, "%.1f GB", bytes / 1e9);
  } else {
    std::snprintf(text, sizeof text, "%.0f MB", bytes / 1e6);
  }
  return text;
}

// Checks what can be checked before anything is read: the size, the maps, the formats,
// the outputs. Returns 0, or the exit status of a bad request (2) with its line printed.
int CheckRequest(const BakeArguments& args, RlBakeOptions* options, std::vector<MapOutput>* outputs) {
  if (!ParseSize(args.size, options)) {
    std::cerr << "rlf: --size takes W or WxH, 1 to 16384 texels each\n";
    return 2;
  }
  if (args.matchNames && args.frames.Input()) {
    std::cerr << "rlf: --match-names bakes in frames of its own making: --tangents input cannot be given with it\n";
    return 2;
  }
  const std::size_t slot = args.output.find("{map}");
  if (args.maps.size() > 1 && slot == std::string::npos) {
    std::cerr << "rlf: " << args.output << ": several maps need {map} in the output's name, such as out_{map}.png\n";
    return 2;
  }
  for (const std::string& map : args.maps) {
    if (std::any_of(outputs->begin(), outputs->end(), [&](const MapOutput& o) { return o.map == map; })) continue;
    std::string path = args.output;
    if (slot != std::string::npos) path.replace(slot, 5, map);
    outputs->push_back({map, path, {}, {}});
  }
  if (!args.heightMap.empty()) outputs->push_back({"height", args.heightMap, {}, {}});
  for (MapOutput& output : *outputs) {
    const std::optional<RlMapFormat> format = FormatOf(output.path, &output == &outputs->front() ? args.format : "");
    if (!format) {
      std::cerr << "rlf: " << output.path << ": maps are written as PNG, TGA or EXR; name the file so\n";
      return 2;
    }
    const int bits = BitsOf(args, *format);
    const char* refusal = *format == RlMapFormat::kTga && bits != 8    ? "TGA holds 8 bits per channel"
                          : *format == RlMapFormat::kPng && bits == 32 ? "PNG holds 8 or 16 bits per channel"
                          : *format == RlMapFormat::kExr && bits != 16 && bits != 32
                              ? "EXR holds 16 or 32 bits per channel"
                              : nullptr;
    if (refusal != nullptr) {
      std::cerr << "rlf: " << output.path << ": " << refusal << "\n";
      return 2;
    }
    output.format = *format;
  }
  const auto resolved = [](const std::string& path) {
    std::error_code error;
    const auto full = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    return error ? std::filesystem::path(path) : full;
  };
  for (std::size_t i = 0; i < outputs->size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (resolved((*outputs)[i].path) == resolved((*outputs)[j].path)) {
        std::cerr << "rlf: " << (*outputs)[i].path << ": the " << (*outputs)[j].map << " map and the "
                  << (*outputs)[i].map << " map cannot be one file\n";
        return 2;
      }
    }
  }
  RlBakeMaps& maps = options->maps;
  for (const MapOutput& output : *outputs) {
    maps.heights = maps.heights || output.map == "height";
    maps.objectNormals = maps.objectNormals || (output.map == "object-normal" && args.space != "object");
    maps.positions = maps.positions || output.map == "position";
    maps.occlusion = maps.occlusion || output.map == "ao";
    maps.thickness = maps.thickness || output.map == "thickness";
    maps.bentNormals = maps.bentNormals || output.map == "bent-normal";
    maps.curvature = maps.curvature || output.map == "curvature";
    maps.materials = maps.materials || output.map == "material-id";
  }
  return 0;
}

// What the bake and the writing of its maps need at most, in bytes: per texel, while
// baking, the map, its coverage and its padding rings, and while writing, the map and an
// image's raw rows, compressed rows and file; per triangle the inputs, the welded low
// mesh and the ray-tracing structure of the high one.
double EstimateBytes(const RlBakeOptions& options, const BakeArguments& args, std::size_t low, std::size_t high) {
  const double texels = static_cast<double>(options.width) * options.height;
  const RlBakeMaps& maps = options.maps;
  const double map = 12 + (maps.heights ? 4 : 0) + (maps.objectNormals ? 12 : 0) + (maps.positions ? 12 : 0) +
                     (maps.occlusion ? 4 : 0) + (maps.thickness ? 4 : 0) + (maps.bentNormals ? 12 : 0) +
                     (maps.curvature ? 28 : 0) + (maps.materials ? 4 : 0);
  const double baking = map + 1 + 4 + 2;
  const double writing = map + 3.0 * 3 * (std::max(args.bits, 8) / 8);
  return texels * std::max(baking, writing) + static_cast<double>(low) * 400 + static_cast<double>(high) * 250;
}

// The bake's options beyond the map's size and maps, which CheckRequest sets; distances
// relative to the low mesh's diagonal.
void SetOptions(const BakeArguments& args, const RlGltfMesh* lowMesh, const std::vector<RlRawTriangle>& low,
                const std::vector<RlRawTriangle>* cage, RlBakeOptions* options) {
  const double diagonal = 20 * RlDefaultMaxDistance(low);
  options->maxDistance = args.maxDistance.Of(diagonal);
  options->front = args.front.Of(diagonal);
  options->rear = args.rear.Of(diagonal);
  options->cageOffset = args.cageOffset.Of(diagonal);
  options->cage = cage;
  options->occlusionRays = args.occlusionRays;
  options->occlusionDistance = args.occlusionDistance.Of(diagonal);
  options->curvatureScale = args.curvatureScale.Of(diagonal);
  options->samples = args.samples;
  options->padding = args.padding;
  options->space = args.space == "object" ? RlBakeSpace::kObject : RlBakeSpace::kTangent;
  options->threads = args.threads;
  options->basis = args.frames.Basis();
  options->bitangent = args.frames.bitangent;
  options->lowMesh = args.frames.Input() ? lowMesh : nullptr;
  options->cancel = &StopFlag();
}

// Whether a finished map holds something of the high mesh; says why not.
bool HoldsTheHighMesh(const BakeArguments& args, const RlBakeMap& map) {
  if (map.covered == 0) {
    std::cerr << "rlf: cannot bake onto " << args.low << ": no texel centre of the map lies in its texture "
              << "coordinates' triangles (they must cover some of [0, 1] x [0, 1] with some area)\n";
    return false;
  }
  if (map.misses == map.samples) {
    std::cerr << "rlf: cannot bake " << args.high << " onto " << args.low << ": none of the " << map.samples
              << " samples met it within " << map.maxDistance << " of the low mesh (are both at the same place and "
              << "scale? --max-distance widens the search)\n";
    return false;
  }
  return true;
}

// Every map of one bake is written into its new file.
bool WriteMaps(const BakeArguments& args, const RlBakeMap& map, const Materials& materials,
               std::vector<MapOutput>* outputs) {
  std::string error;
  for (MapOutput& output : *outputs) {
    const auto started = std::chrono::steady_clock::now();
    int channels = 0;
    const std::vector<float> values = EncodedValues(map, output.map, output.format, materials, &channels);
    std::vector<unsigned char> bytes;
    if (!RlEncodeMap(values, channels, map.width, map.height, BitsOf(args, output.format), output.format, &bytes,
                     &error)) {
      std::cerr << "rlf: " << output.path << ": " << error << "\n";
      return false;
    }
    if (!output.file->Write(bytes.data(), bytes.size())) {
      std::cerr << "rlf: " << output.file->Error() << "\n";
      return false;
    }
    output.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  }
  return true;
}

// The tiles of a UDIM bake: each tile (1001 + k + 10 j) that a low triangle's centre lies
// in, u in [k, k + 1) for k 0 to 9 and the host's v in [j, j + 1); *outside counts the
// triangles in none.
std::vector<int> UdimTiles(const std::vector<RlRawTriangle>& low, std::size_t* outside) {
  std::vector<int> tiles;
  *outside = 0;
  for (const RlRawTriangle& t : low) {
    const double u = (double{t.texCoord[0].u} + t.texCoord[1].u + t.texCoord[2].u) / 3;
    const double v = (double{t.texCoord[0].v} + t.texCoord[1].v + t.texCoord[2].v) / 3;
    if (!(u >= 0 && u < 10 && v >= 0 && v < 1000)) {
      ++*outside;
      continue;
    }
    const int tile = 1001 + static_cast<int>(u) + 10 * static_cast<int>(v);
    if (std::find(tiles.begin(), tiles.end(), tile) == tiles.end()) tiles.push_back(tile);
  }
  std::sort(tiles.begin(), tiles.end());
  return tiles;
}

// low (and the file's own mesh) with the tile's texture space moved onto [0, 1] x [0, 1].
void MoveToTile(int tile, std::vector<RlRawTriangle>* low, RlGltfMesh* mesh) {
  const float k = static_cast<float>((tile - 1001) % 10), j = static_cast<float>((tile - 1001) / 10);
  for (RlRawTriangle& t : *low) {
    for (RlRawTexCoord& c : t.texCoord) c.u -= k, c.v -= j;
  }
  for (RlGltfVertex& v : mesh->vertices) v.uv[0] -= k, v.uv[1] += j;  // glTF's v runs down
}

void Report(const BakeArguments& args, int tile, const std::vector<MapOutput>& outputs, const RlBakeMap& map,
            std::size_t high, std::size_t low, double seconds) {
  if (tile != 0) std::printf("tile %d: ", tile);
  std::printf("baked %zu high triangles onto %zu low ones in %.2f s: %dx%d texels, %lld covered, %lld padded\n", high,
              low, seconds, map.width, map.height, map.covered, map.padded);
  std::printf(
      "maximum distance %.6g%s; %lld samples, %lld met nothing\n", map.maxDistance,
      args.maxDistance.text.empty() && args.front.text.empty() && args.rear.text.empty() && args.cageOffset.text.empty()
          ? " (5% of the low mesh's diagonal)"
          : "",
      map.samples, map.misses);
  if (map.overlapped > 0) {
    std::printf(
        "warning: %lld texels lie under two or more low triangles (overlapping islands); the first keeps them\n",
        map.overlapped);
  }
  for (const MapOutput& output : outputs) {
    std::printf("wrote the %s map to %s (encoded in %.2f s)\n", output.map.c_str(), output.path.c_str(),
                output.seconds);
  }
}

// The bake itself, a line of progress on a terminal naming the maps of the pass; its
// time in *seconds.
RlBakeStatus Bake(const std::vector<RlRawTriangle>& low, const std::vector<RlRawTriangle>& high, RlBakeOptions options,
                  const std::vector<MapOutput>& outputs, RlBakeMap* map, std::string* error, double* seconds) {
  const bool terminal = isatty(STDERR_FILENO);
  auto last = std::chrono::steady_clock::now();
  std::string maps;
  for (const MapOutput& output : outputs) maps += (maps.empty() ? "" : ", ") + output.map;
  if (terminal) {
    options.progress = [&last, &maps](double done) {
      const auto now = std::chrono::steady_clock::now();
      if (now - last < std::chrono::milliseconds(100) && done < 1) return;
      last = now;
      std::fprintf(stderr, "\rbaking %s: %d%%", maps.c_str(), static_cast<int>(100 * done));
    };
  }
  const auto started = std::chrono::steady_clock::now();
  RlBakeStatus status;
  {
    const Deferral deferral;
    status = RlBake(low, high, options, map, error);
  }
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (terminal) std::fputs("\r\033[K", stderr);
  return status;
}

int RunBake(const BakeArguments& args) {
  RlBakeOptions options;
  std::vector<MapOutput> outputs;
  if (const int status = CheckRequest(args, &options, &outputs); status != 0) return status;
  double budget = MachineMemory();
  if (!args.maxMemory.empty() && !ParseBytes(args.maxMemory, &budget)) {
    std::cerr << "rlf: --max-memory takes bytes, such as 8G or 512M\n";
    return 2;
  }
  // A signal from here on ends the command with this line: while a scene is read at once,
  // while the plug-in exports one or the bake runs as soon as they stop.
  const std::string interrupted =
      "rlf: interrupted; " + (outputs.size() == 1 ? outputs[0].path : args.output) + " not written\n";
  EndInterruptsWith(interrupted);
  std::vector<RlRawTriangle> low, high, cage;
  std::vector<int> lowGroups, highGroups;
  Materials materials;
  RlGltfMesh lowMesh;
  bool read;
  {
    const Deferral deferral;
    const bool byMaterial = options.maps.materials;
    if (args.matchNames) {
      read = ReadPairedObjects(args, &low, &high, &lowGroups, &highGroups, byMaterial ? &materials : nullptr);
    } else {
      read =
          (args.frames.Input() ? ReadTangentMesh(args.low, &low, &lowMesh) : ReadFiniteMesh(args.low, "low", &low)) &&
          (byMaterial ? ReadMaterialMesh(args.high, &high, &materials) : ReadHighMesh(args, &high)) &&
          (args.cage.empty() || ReadFiniteMesh(args.cage, "cage", &cage));
    }
  }
  if (Interrupted()) return std::fputs(interrupted.c_str(), stderr), 1;
  if (!read) return 1;
  if (const double needed = EstimateBytes(options, args, low.size(), high.size()); needed > budget) {
    std::cerr << "rlf: a " << options.width << "x" << options.height << " bake of " << high.size()
              << " high triangles needs about " << Amount(needed) << ", more than the " << Amount(budget)
              << (args.maxMemory.empty() ? " this machine allows" : " of --max-memory") << "; bake a smaller map\n";
    return 1;
  }
  // The tiles: one, or with --udim every tile the low mesh uses; each tile's outputs are
  // opened before any bake, and all are committed once every map is written.
  std::vector<int> tiles = {0};
  if (args.udim) {
    std::size_t outside = 0;
    tiles = UdimTiles(low, &outside);
    if (outside > 0) {
      std::cerr << "rlf: warning: " << args.low << ": " << outside
                << " low triangles lie in no UDIM tile (u 0 to 10, v 0 and up) and are left out\n";
    }
    if (tiles.empty()) {
      std::cerr << "rlf: cannot bake onto " << args.low << ": none of its triangles lies in a UDIM tile\n";
      return 1;
    }
  }
  std::vector<std::vector<MapOutput>> tileOutputs(tiles.size());
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    for (const MapOutput& output : outputs) {
      const std::string path = tiles[i] == 0 ? output.path : TilePath(output.path, tiles[i]);
      tileOutputs[i].push_back({output.map, path, output.format, std::make_unique<OutputFile>(path)});
      if (!tileOutputs[i].back().file->Open()) {
        std::cerr << "rlf: " << tileOutputs[i].back().file->Error() << "\n";
        return 1;
      }
    }
  }
  std::vector<std::pair<RlBakeMap, double>> baked;  // each tile's counts and time
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    std::vector<RlRawTriangle> tileLow = low;
    RlGltfMesh tileMesh = lowMesh;
    if (tiles[i] != 0) MoveToTile(tiles[i], &tileLow, &tileMesh);
    SetOptions(args, &tileMesh, tileLow, args.cage.empty() ? nullptr : &cage, &options);
    if (args.matchNames) options.lowGroups = &lowGroups, options.highGroups = &highGroups;
    if (options.maps.materials) options.highMaterials = &materials.ofTriangle;
    RlBakeMap map;
    std::string error;
    double seconds = 0;
    const RlBakeStatus status = Bake(tileLow, high, options, outputs, &map, &error, &seconds);
    if (status == RlBakeStatus::kCancelled || Interrupted()) return std::fputs(interrupted.c_str(), stderr), 1;
    if (status == RlBakeStatus::kFailed) {
      std::cerr << "rlf: cannot bake " << args.high << " onto " << args.low << ": " << error << "\n";
      return 1;
    }
    if (!HoldsTheHighMesh(args, map) || !WriteMaps(args, map, materials, &tileOutputs[i])) return 1;
    for (std::vector<float>* values : {&map.normals, &map.heights, &map.objectNormals, &map.positions, &map.occlusion,
                                       &map.thickness, &map.bentNormals, &map.curvature, &map.materials}) {
      *values = {};  // the counts stay for the report
    }
    baked.push_back({map, seconds});
  }
  for (std::vector<MapOutput>& written : tileOutputs) {
    for (MapOutput& output : written) {
      if (!output.file->Commit()) {
        std::cerr << "rlf: " << output.file->Error() << "\n";
        return 1;
      }
    }
  }
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    Report(args, tiles[i], tileOutputs[i], baked[i].first, high.size(), low.size(), baked[i].second);
  }
  return 0;
}

void AddBakeOptions(CLI::App* command, BakeArguments* args);

// The bakes of a batch file: {"options": {...}, "bakes": [{...}, ...]}, each bake's keys
// rlf bake's options by their long names ("low", "high" and "output" for its arguments):
// a string or number is the option's value, a list its values joined by commas, true a
// flag given (false: not given). A bake's own keys take the place of the shared options';
// relative paths are taken from the batch file's directory. Empty, with a line said,
// when the file or a bake is not well formed.
std::vector<BakeArguments> ReadBatch(const std::string& path) {
  const auto refuse = [&path](const std::string& why) {
    std::cerr << "rlf: " << path << ": " << why << "\n";
    return std::vector<BakeArguments>{};
  };
  std::ifstream file(path);
  if (!file) return refuse(std::strerror(errno));
  const nlohmann::json description = nlohmann::json::parse(file, nullptr, false);
  if (description.is_discarded() || !description.is_object() ||
      !description.value("bakes", nlohmann::json()).is_array() ||
      !description.value("options", nlohmann::json::object()).is_object()) {
    return refuse("not a bake description: a JSON object with a list of \"bakes\" and optional shared \"options\"");
  }
  const std::filesystem::path directory = std::filesystem::path(path).parent_path();
  std::vector<BakeArguments> bakes;
  for (std::size_t i = 0; i < description["bakes"].size(); ++i) {
    const std::string which = "bake " + std::to_string(i + 1) + ": ";
    nlohmann::json keys = description.value("options", nlohmann::json::object());
    if (!description["bakes"][i].is_object()) return refuse(which + "not a JSON object");
    keys.update(description["bakes"][i]);
    // Paths from the file's directory; then the arguments as a command line.
    for (const char* key : {"low", "high", "output", "cage", "height-map"}) {
      if (!keys.contains(key)) continue;
      if (!keys[key].is_string()) return refuse(which + "\"" + key + "\" takes a path");
      const std::filesystem::path given = keys[key].get<std::string>();
      if (given.is_relative() && !given.empty()) keys[key] = (directory / given).string();
    }
    std::vector<std::string> argv;
    for (const char* argument : {"low", "high"}) {
      if (keys.contains(argument)) argv.push_back(keys[argument].get<std::string>()), keys.erase(argument);
    }
    for (const auto& [key, value] : keys.items()) {
      const auto text = [](const nlohmann::json& v) { return v.is_string() ? v.get<std::string>() : v.dump(); };
      if (value.is_object() || value.is_null() || (value.is_array() && value.empty())) {
        return refuse(which + "\"" + key + "\" takes a string, a number, a list or true");
      }
      if (value.is_boolean() && !value.get<bool>()) continue;
      argv.push_back(key == "output" ? "-o" : "--" + key);
      if (value.is_boolean()) continue;
      std::string given = value.is_array() ? "" : text(value);
      for (std::size_t k = 0; value.is_array() && k < value.size(); ++k) given += (k > 0 ? "," : "") + text(value[k]);
      argv.push_back(given);
    }
    std::reverse(argv.begin(), argv.end());  // as CLI11 takes them
    BakeArguments args;
    CLI::App parser("bake");
    AddBakeOptions(&parser, &args);
    try {
      parser.parse(argv);
    } catch (const CLI::ParseError& e) {
      return refuse(which + e.what());
    }
    if (args.low.empty() || args.high.empty() || args.output.empty()) {
      return refuse(which + "a bake needs \"low\", \"high\" and \"output\"");
    }
    bakes.push_back(std::move(args));
  }
  if (bakes.empty()) return refuse("no bakes to run");
  return bakes;
}

// Every bake of a batch file, each checked before the first runs; the bakes that share a
// high mesh read it once. A failed bake does not stop the others; an interrupt does.
int RunBatch(const BakeArguments& batch) {
  std::vector<BakeArguments> bakes = ReadBatch(batch.batch);
  if (bakes.empty()) return 2;
  MeshCache cache;
  std::size_t failed = 0;
  for (std::size_t i = 0; i < bakes.size(); ++i) {
    std::printf("bake %zu of %zu: %s%s onto %s\n", i + 1, bakes.size(), bakes[i].high.c_str(),
                cache.contains(bakes[i].high) ? " (read before)" : "", bakes[i].low.c_str());
    std::fflush(stdout);
    bakes[i].cache = &cache;
    bakes[i].highAgain = std::any_of(bakes.begin() + static_cast<std::ptrdiff_t>(i) + 1, bakes.end(),
                                     [&](const BakeArguments& later) { return later.high == bakes[i].high; });
    const int status = RunBake(bakes[i]);
    if (Interrupted()) return 1;
    failed += status != 0;
  }
  if (failed > 0) {
    std::cerr << "rlf: " << batch.batch << ": " << failed << " of " << bakes.size() << " bakes failed\n";
    return 1;
  }
  return 0;
}

// The options of one bake, into *args: rlf bake's, and those of each bake of a batch.
void AddBakeOptions(CLI::App* command, BakeArguments* args) {
  command->add_option("low", args->low, "The low-resolution mesh: an RLF file or any scene rlf export reads");
  command->add_option("high", args->high, "The high-resolution mesh, likewise");
  command->add_option("-o,--output", args->output,
                      "The map: a PNG, TGA or EXR file; with several maps, {map} in the "
                      "name stands for each map's name");
  command
      ->add_option("--maps", args->maps,
                   "The maps to bake, from the same rays: normal, object-normal, height, "
                   "position, ao, thickness, bent-normal, curvature, material-id (HIGH a scene file)")
      ->delimiter(',')
      ->check(CLI::IsMember(std::vector<std::string>(std::begin(kMapNames), std::end(kMapNames))))
      ->capture_default_str();
  command->add_option("--size", args->size, "W or WxH texels")->capture_default_str();
  const CLI::Validator distance(
      [](std::string& text) {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        return end != text.c_str() && (*end == '\0' || (*end == '%' && end[1] == '\0')) && std::isfinite(value) &&
                       value >= 0
                   ? std::string()
                   : "takes a distance of 0 or more (or a share of LOW's diagonal, such as 5%)";
      },
      "DISTANCE");
  command
      ->add_option("--max-distance", args->maxDistance.text,
                   "How far on either side of LOW to look for HIGH (default: 5% of LOW's diagonal)")
      ->check(distance);
  command->add_option("--front", args->front.text, "How far outside LOW to look (default: --max-distance)")
      ->check(distance);
  command->add_option("--rear", args->rear.text, "How far inside LOW to look (default: --max-distance)")
      ->check(distance);
  command
      ->add_option("--cage", args->cage,
                   "A cage: LOW's triangles moved outwards, in LOW's order; rays start on it and travel inwards, "
                   "the first surface met is baked")
      ->excludes(command
                     ->add_option("--cage-offset", args->cageOffset.text,
                                  "A cage made of LOW pushed out this far along its smoothed normals")
                     ->check(distance));
  command->add_option("--ao-rays", args->occlusionRays, "Rays per texel for ao and thickness")
      ->check(CLI::Range(1, 4096))
      ->capture_default_str();
  command
      ->add_option("--curvature-scale", args->curvatureScale.text,
                   "The curvature map stores the mean curvature times this length, so that a sphere of this "
                   "radius is 1 (default: 5% of LOW's diagonal)")
      ->check(distance);
  command
      ->add_option("--ao-distance", args->occlusionDistance.text,
                   "How far ao and thickness rays reach (default: 10% of LOW's diagonal)")
      ->check(distance);
  command->add_option("--samples", args->samples, "Samples per texel, on a stratified grid")
      ->check(CLI::Range(1, 256))
      ->capture_default_str();
  command->add_option("--padding", args->padding, "Texels of dilation beyond the islands")
      ->check(CLI::Range(0, 4096))
      ->capture_default_str();
  command
      ->add_option("--bits", args->bits,
                   "Bits per channel: 8 or 16 in PNG, 8 in TGA, 16 (half) or 32 (float) in EXR "
                   "(default: 8, and 32 in EXR)")
      ->check(CLI::IsMember({8, 16, 32}));
  command->add_option("--format", args->format, "png, tga or exr (default: from the output's extension)")
      ->check(CLI::IsMember({"png", "tga", "exr"}));
  command
      ->add_flag("--match-names", args->matchNames,
                 "Pair LOW's objects with HIGH's by name (equal, or with _low and _high endings) and bake each from "
                 "its own: LOW and HIGH must be scene files")
      ->excludes("--cage");
  command->add_flag("--udim", args->udim,
                    "One image per UDIM tile LOW's triangles lie in (u in [k, k + 1), v in [j, j + 1): tile 1001 + k "
                    "+ 10 j), named with the tile before the extension");
  command->add_option("--space", args->space, "tangent or object")
      ->check(CLI::IsMember({"tangent", "object"}))
      ->capture_default_str();
  AddFrameOptions(command, &args->frames, true, true);
  command->add_option("--threads", args->threads, "Threads (default: one per processor)")->check(CLI::Range(1, 1024));
  command->add_option("--height-map", args->heightMap,
                      "Also write the signed distance from LOW to HIGH along LOW's normal, over "
                      "the maximum distance, "
                      "as grey (0.5 on LOW)");
  command->add_option("--max-memory", args->maxMemory,
                      "Refuse a bake estimated to need more bytes than this, such as 8G (default: what the machine "
                      "allows the process)");
}

}  // namespace

void AddBakeCommand(CLI::App& app, int& exitStatus) {
  auto args = std::make_shared<BakeArguments>();
  CLI::App* command = app.add_subcommand(
      "bake", "Bake a normal map of HIGH in the tangent frames of LOW (as rlf weld writes them into glTF)");
  AddBakeOptions(command, args.get());
  CLI::Option* batch = command->add_option(
      "--batch", args->batch, "Run the bakes a JSON file describes, one after another in one process (see the README)");
  for (CLI::Option* option : command->get_options()) {
    if (option != batch && option != command->get_help_ptr()) batch->excludes(option);
  }
  command->callback([args, &exitStatus] {
    if (!args->batch.empty()) {
      exitStatus = RunBatch(*args);
    } else if (args->low.empty() || args->high.empty() || args->output.empty()) {
      std::cerr << "rlf: bake needs LOW, HIGH and -o OUTPUT, or --batch FILE\n";
      exitStatus = 2;
    } else {
      exitStatus = RunBake(*args);
    }
  });
}
