// rlf info: what an RLF file holds.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>
#include <sstream>

#include "Commands.h"
#include "MacSpecific.h"
#include "MeshInput.h"
#include "NonFinite.h"

namespace {

struct Chunk {
  std::string tag;
  uint32_t size;
  long offset;
};

// The chunk headers: the top-level ones, and those inside "RLF ".
std::vector<Chunk> ListChunks(FILE* fp) {
  std::vector<Chunk> chunks;
  std::rewind(fp);
  RlHeader header;
  long at = 0;
  while (chunks.size() < 1000 && std::fread(&header, sizeof header, 1, fp) == 1) {
    uint32_t size;
    std::memcpy(&size, &header.size, sizeof size);
    if (std::endian::native == std::endian::big) {
      VekByteSwap_uint32(&size, 1);
    }
    const std::string tag(header.hdr, 4);
    chunks.push_back({tag, size, at});
    // Step into "RLF ", over anything else; a "TRIS" body is skipped too.
    const long next = tag == "RLF " ? at + 8 : at + 8 + static_cast<long>(size);
    if (std::fseek(fp, next, SEEK_SET) != 0) {
      break;
    }
    at = next;
  }
  return chunks;
}

struct Stats {
  std::size_t triangles = 0, degenerate = 0, nonUnitNormals = 0, nonFinite = 0;
  float min[3], max[3], uvMin[2], uvMax[2];
};

Stats Measure(const std::vector<RlRawTriangle>& tris) {
  Stats s;
  const float inf = std::numeric_limits<float>::infinity();
  for (int k = 0; k < 3; ++k) s.min[k] = inf, s.max[k] = -inf;
  for (int k = 0; k < 2; ++k) s.uvMin[k] = inf, s.uvMax[k] = -inf;
  s.triangles = tris.size();
  for (const RlRawTriangle& t : tris) {
    for (int i = 0; i < 3; ++i) {
      for (int k = 0; k < 3; ++k) {
        if (std::isfinite(t.vert[i].v[k])) {
          s.min[k] = std::min(s.min[k], t.vert[i].v[k]);
          s.max[k] = std::max(s.max[k], t.vert[i].v[k]);
        }
      }
      for (int k = 0; k < 2; ++k) {
        if (std::isfinite(t.texCoord[i].uv[k])) {
          s.uvMin[k] = std::min(s.uvMin[k], t.texCoord[i].uv[k]);
          s.uvMax[k] = std::max(s.uvMax[k], t.texCoord[i].uv[k]);
        }
      }
      const double n = std::sqrt(double{t.norm[i].x} * t.norm[i].x + double{t.norm[i].y} * t.norm[i].y +
                                 double{t.norm[i].z} * t.norm[i].z);
      s.nonUnitNormals += std::fabs(n - 1.0) > 1e-3;
    }
    s.nonFinite += !IsFinite(t);
    // Degenerate: no area (twice the area below a millionth of the longest edge squared).
    double e1[3], e2[3];
    for (int k = 0; k < 3; ++k) {
      e1[k] = double{t.vert[1].v[k]} - t.vert[0].v[k];
      e2[k] = double{t.vert[2].v[k]} - t.vert[0].v[k];
    }
    const double c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const double area2 = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    const double scale =
        std::max(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2], e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2]);
    s.degenerate += !(area2 > 1e-6 * scale);
  }
  return s;
}

int RunInfo(const std::string& path, bool json) {
  std::vector<RlRawTriangle> tris;
  std::string error;
  MeshInput input;
  if (!input.Open(path, &error) || !ReadTriangles(input.Stream(), path, &tris, &error)) {
    std::cerr << "rlf: " << error << "\n";
    return 1;
  }
  const std::vector<Chunk> chunks = ListChunks(input.Stream());
  const Stats s = Measure(tris);
  std::ostringstream out;
  const bool empty = s.triangles == 0;
  auto range = [&](const float* lo, const float* hi, int n) {
    std::ostringstream r;
    r << (json ? "[[" : "(");
    for (int k = 0; k < n; ++k) r << (k ? ", " : "") << (empty ? 0.0f : lo[k]);
    r << (json ? "], [" : ") to (");
    for (int k = 0; k < n; ++k) r << (k ? ", " : "") << (empty ? 0.0f : hi[k]);
    r << (json ? "]]" : ")");
    return r.str();
  };
  if (json) {
    out << "{\"file\": \"" << path << "\", \"chunks\": [";
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      out << (i ? ", " : "") << "{\"tag\": \"" << chunks[i].tag << "\", \"offset\": " << chunks[i].offset
          << ", \"size\": " << chunks[i].size << "}";
    }
    out << "], \"triangles\": " << s.triangles << ", \"bounds\": " << range(s.min, s.max, 3)
        << ", \"uvRange\": " << range(s.uvMin, s.uvMax, 2) << ", \"degenerateTriangles\": " << s.degenerate
        << ", \"nonUnitNormals\": " << s.nonUnitNormals << ", \"nonFiniteTriangles\": " << s.nonFinite << "}\n";
  } else {
    out << path << "\n  chunks:";
    for (const Chunk& c : chunks) out << " \"" << c.tag << "\" (" << c.size << " bytes at " << c.offset << ")";
    out << "\n  triangles: " << s.triangles << "\n  bounds: " << range(s.min, s.max, 3)
        << "\n  uv range: " << range(s.uvMin, s.uvMax, 2) << "\n  degenerate triangles: " << s.degenerate
        << "\n  non-unit normals (corners): " << s.nonUnitNormals
        << "\n  triangles with non-finite values: " << s.nonFinite << "\n";
  }
  std::cout << out.str();
  return 0;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  CLI::App* command = app.add_subcommand(
      "info", "Show the chunks, counts, bounds and oddities of an RLF file (or of a scene's export)");
  command->add_option("file", *path, "RLF file, or any scene rlf export reads")->required();
  command->add_flag("--json", *json, "Print one JSON object");
  command->callback([path, json, &exitStatus] { exitStatus = RunInfo(*path, *json); });
}
