#include "GridFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// The layout: `meshes` grids of rows x columns quads, stacked along y.
struct Layout {
  int meshes, rows, columns;
};

Layout LayoutOf(int64_t triangles, bool manyMeshes) {
  if (manyMeshes) {
    return {2000, static_cast<int>(triangles / 2000 / 2 / 50), 50};
  }
  return {1, static_cast<int>(triangles / 2 / 500), 500};
}

// Vertex (i, j) of mesh k: a gently rippled sheet, uv from its place in the mesh.
void Vertex(const Layout& l, int k, int i, int j, float* position, float* uv) {
  const double totalRows = static_cast<double>(l.meshes) * l.rows;
  position[0] = static_cast<float>(static_cast<double>(i) / l.columns);
  position[1] = static_cast<float>((static_cast<double>(k) * l.rows + j) / totalRows * 4.0);
  position[2] = static_cast<float>(0.05 * ((i * 7 + j * 3) % 11) / 11.0);
  uv[0] = static_cast<float>(static_cast<double>(i) / l.columns);
  uv[1] = static_cast<float>(static_cast<double>(j) / l.rows);
}

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

bool WriteObj(FILE* out, const Layout& l) {
  std::fputs("# a grid for the export benchmarks\nvn 0 0 1\n", out);
  const int64_t perMesh = static_cast<int64_t>(l.rows + 1) * (l.columns + 1);
  for (int k = 0; k < l.meshes; ++k) {
    if (l.meshes > 1) std::fprintf(out, "o piece%d\n", k);
    float p[3], t[2];
    for (int j = 0; j <= l.rows; ++j) {
      for (int i = 0; i <= l.columns; ++i) {
        Vertex(l, k, i, j, p, t);
        std::fprintf(out, "v %.6f %.6f %.6f\n", p[0], p[1], p[2]);
      }
    }
    for (int j = 0; j <= l.rows; ++j) {
      for (int i = 0; i <= l.columns; ++i) {
        Vertex(l, k, i, j, p, t);
        std::fprintf(out, "vt %.6f %.6f\n", t[0], t[1]);
      }
    }
    const int64_t first = 1 + k * perMesh;
    for (int j = 0; j < l.rows; ++j) {
      for (int i = 0; i < l.columns; ++i) {
        const int64_t a = first + static_cast<int64_t>(j) * (l.columns + 1) + i, b = a + 1, c = a + l.columns + 2,
                      d = a + l.columns + 1;
        std::fprintf(out, "f %lld/%lld/1 %lld/%lld/1 %lld/%lld/1 %lld/%lld/1\n", static_cast<long long>(a),
                     static_cast<long long>(a), static_cast<long long>(b), static_cast<long long>(b),
                     static_cast<long long>(c), static_cast<long long>(c), static_cast<long long>(d),
                     static_cast<long long>(d));
      }
    }
  }
  return std::ferror(out) == 0;
}

void Append(std::vector<unsigned char>& bytes, const void* data, std::size_t size) {
  const auto* begin = static_cast<const unsigned char*>(data);
  bytes.insert(bytes.end(), begin, begin + size);
}

// One grid mesh's vertex attributes (glTF's v runs down the image) and triangle indices.
struct GlbMesh {
  std::vector<float> positions, normals, uvs;
  std::vector<uint32_t> indices;
  float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};

  GlbMesh(const Layout& l, int k) {
    for (int j = 0; j <= l.rows; ++j) {
      for (int i = 0; i <= l.columns; ++i) {
        float p[3], t[2];
        Vertex(l, k, i, j, p, t);
        positions.insert(positions.end(), p, p + 3);
        normals.insert(normals.end(), {0.0f, 0.0f, 1.0f});
        uvs.insert(uvs.end(), {t[0], 1.0f - t[1]});
        for (int c = 0; c < 3; ++c) lo[c] = std::min(lo[c], p[c]), hi[c] = std::max(hi[c], p[c]);
      }
    }
    for (int j = 0; j < l.rows; ++j) {
      for (int i = 0; i < l.columns; ++i) {
        const uint32_t a = static_cast<uint32_t>(j * (l.columns + 1) + i), b = a + 1,
                       c = a + static_cast<uint32_t>(l.columns) + 2, d = a + static_cast<uint32_t>(l.columns) + 1;
        indices.insert(indices.end(), {a, b, c, a, c, d});
      }
    }
  }
};

// The glb container: header, JSON chunk (padded with spaces), binary chunk.
bool WriteGlbContainer(FILE* out, std::string json, const std::vector<unsigned char>& bin) {
  while (json.size() % 4 != 0) json += ' ';
  const uint32_t header[5] = {0x46546C67u, 2u, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()),
                              static_cast<uint32_t>(json.size()), 0x4E4F534Au};
  const uint32_t binHeader[2] = {static_cast<uint32_t>(bin.size()), 0x004E4942u};
  std::fwrite(header, sizeof header, 1, out);
  std::fwrite(json.data(), 1, json.size(), out);
  std::fwrite(binHeader, sizeof binHeader, 1, out);
  std::fwrite(bin.data(), 1, bin.size(), out);
  return std::ferror(out) == 0;
}

bool WriteGlb(FILE* out, const Layout& l) {
  // One buffer: per mesh, positions, normals, uvs and indices, each 4-byte aligned.
  std::vector<unsigned char> bin;
  std::string meshes, accessors, views, nodes, roots;
  const int vertices = (l.rows + 1) * (l.columns + 1);
  const int indices = 6 * l.rows * l.columns;
  for (int k = 0; k < l.meshes; ++k) {
    const GlbMesh mesh(l, k);
    const int view = 4 * k;
    const struct {
      const void* data;
      std::size_t size;
      int target;
    } parts[4] = {{mesh.positions.data(), mesh.positions.size() * 4, 34962},
                  {mesh.normals.data(), mesh.normals.size() * 4, 34962},
                  {mesh.uvs.data(), mesh.uvs.size() * 4, 34962},
                  {mesh.indices.data(), mesh.indices.size() * 4, 34963}};
    char entry[512];
    for (const auto& part : parts) {
      std::snprintf(entry, sizeof entry, "%s{\"buffer\":0,\"byteOffset\":%zu,\"byteLength\":%zu,\"target\":%d}",
                    views.empty() ? "" : ",", bin.size(), part.size, part.target);
      views += entry;
      Append(bin, part.data, part.size);
    }
    std::snprintf(entry, sizeof entry,
                  "%s{\"bufferView\":%d,\"componentType\":5126,\"count\":%d,\"type\":\"VEC3\","
                  "\"min\":[%.9g,%.9g,%.9g],\"max\":[%.9g,%.9g,%.9g]},"
                  "{\"bufferView\":%d,\"componentType\":5126,\"count\":%d,\"type\":\"VEC3\"},"
                  "{\"bufferView\":%d,\"componentType\":5126,\"count\":%d,\"type\":\"VEC2\"},"
                  "{\"bufferView\":%d,\"componentType\":5125,\"count\":%d,\"type\":\"SCALAR\"}",
                  accessors.empty() ? "" : ",", view, vertices, mesh.lo[0], mesh.lo[1], mesh.lo[2], mesh.hi[0],
                  mesh.hi[1], mesh.hi[2], view + 1, vertices, view + 2, vertices, view + 3, indices);
    accessors += entry;
    std::snprintf(entry, sizeof entry,
                  "%s{\"primitives\":[{\"attributes\":{\"POSITION\":%d,\"NORMAL\":%d,\"TEXCOORD_0\":%d},"
                  "\"indices\":%d}]}",
                  meshes.empty() ? "" : ",", view, view + 1, view + 2, view + 3);
    meshes += entry;
    std::snprintf(entry, sizeof entry, "%s{\"name\":\"piece%d\",\"mesh\":%d}", nodes.empty() ? "" : ",", k, k);
    nodes += entry;
    roots += (k > 0 ? "," : "") + std::to_string(k);
  }
  return WriteGlbContainer(out,
                           "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[" + roots +
                               "]}],\"nodes\":[" + nodes + "],\"meshes\":[" + meshes + "],\"accessors\":[" + accessors +
                               "],\"bufferViews\":[" + views +
                               "],\"buffers\":[{\"byteLength\":" + std::to_string(bin.size()) + "}]}",
                           bin);
}

// Little-endian binary PLY: per vertex position, normal and uv; quads as faces.
bool WritePly(FILE* out, const Layout& l) {
  const int64_t perMesh = static_cast<int64_t>(l.rows + 1) * (l.columns + 1);
  std::fprintf(out,
               "ply\nformat binary_little_endian 1.0\nelement vertex %lld\nproperty float x\nproperty float y\n"
               "property float z\nproperty float nx\nproperty float ny\nproperty float nz\nproperty float s\n"
               "property float t\nelement face %lld\nproperty list uchar int vertex_indices\nend_header\n",
               static_cast<long long>(perMesh * l.meshes),
               static_cast<long long>(static_cast<int64_t>(l.rows) * l.columns * l.meshes));
  for (int k = 0; k < l.meshes; ++k) {
    for (int j = 0; j <= l.rows; ++j) {
      for (int i = 0; i <= l.columns; ++i) {
        float v[8] = {0, 0, 0, 0, 0, 1, 0, 0};
        Vertex(l, k, i, j, v, v + 6);
        std::fwrite(v, sizeof v, 1, out);
      }
    }
  }
  for (int k = 0; k < l.meshes; ++k) {
    for (int j = 0; j < l.rows; ++j) {
      for (int i = 0; i < l.columns; ++i) {
        const auto a = static_cast<int32_t>(k * perMesh + static_cast<int64_t>(j) * (l.columns + 1) + i);
        const unsigned char four = 4;
        const int32_t quad[4] = {a, a + 1, a + l.columns + 2, a + l.columns + 1};
        std::fwrite(&four, 1, 1, out);
        std::fwrite(quad, sizeof quad, 1, out);
      }
    }
  }
  return std::ferror(out) == 0;
}

// Binary STL: every quad as two triangles, each with its normal.
bool WriteStl(FILE* out, const Layout& l) {
  char header[80] = "a grid for the export benchmarks";
  const auto count = static_cast<uint32_t>(2 * static_cast<int64_t>(l.rows) * l.columns * l.meshes);
  std::fwrite(header, sizeof header, 1, out);
  std::fwrite(&count, sizeof count, 1, out);
  for (int k = 0; k < l.meshes; ++k) {
    for (int j = 0; j < l.rows; ++j) {
      for (int i = 0; i < l.columns; ++i) {
        float p[4][3], t[2];
        Vertex(l, k, i, j, p[0], t), Vertex(l, k, i + 1, j, p[1], t);
        Vertex(l, k, i + 1, j + 1, p[2], t), Vertex(l, k, i, j + 1, p[3], t);
        const int triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& c : triangles) {
          const float record[12] = {0,          0,          1,          p[c[0]][0], p[c[0]][1], p[c[0]][2],
                                    p[c[1]][0], p[c[1]][1], p[c[1]][2], p[c[2]][0], p[c[2]][1], p[c[2]][2]};
          const uint16_t attributes = 0;
          std::fwrite(record, sizeof record, 1, out);
          std::fwrite(&attributes, sizeof attributes, 1, out);
        }
      }
    }
  }
  return std::ferror(out) == 0;
}

}  // namespace

namespace {

// Writes path through write(file) unless a file of that name is already there, under a
// temporary name first, so that an interrupted run leaves no partial scene behind.
bool WriteOnce(const std::string& path, const std::function<bool(FILE*)>& write) {
  if (std::filesystem::exists(path)) {
    return true;
  }
  const std::string partial = path + ".part";
  bool written = false;
  {
    File out(std::fopen(partial.c_str(), "wb"), std::fclose);
    if (!out) return false;
    written = write(out.get()) && std::fflush(out.get()) == 0;
  }
  return written && std::rename(partial.c_str(), path.c_str()) == 0;
}

}  // namespace

bool WriteGridFile(const std::string& path, GridFormat format, int64_t triangles, bool manyMeshes) {
  return WriteOnce(path, [&](FILE* out) {
    const Layout layout = LayoutOf(triangles, manyMeshes);
    switch (format) {
      case GridFormat::kObj:
        return WriteObj(out, layout);
      case GridFormat::kGlb:
        return WriteGlb(out, layout);
      case GridFormat::kPly:
        return WritePly(out, layout);
      case GridFormat::kStl:
        return WriteStl(out, layout);
    }
    return false;
  });
}

bool WriteNodesFile(const std::string& path, int64_t nodes) {
  return WriteOnce(path, [&](FILE* out) {
    // The triangle (0 0 0) (1 0 0) (0 1 0) as base64 floats.
    std::fputs(R"({"asset":{"version":"2.0"},"buffers":[{"uri":"data:application/octet-stream;base64,)"
               R"(AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA","byteLength":36}],)"
               R"("bufferViews":[{"buffer":0,"byteLength":36}],"accessors":[{"bufferView":0,)"
               R"("componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
               R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"nodes":[)",
               out);
    for (int64_t i = 0; i < nodes; ++i) {
      std::fprintf(out, "%s{\"mesh\":0,\"translation\":[%lld,0,0]}", i == 0 ? "" : ",", static_cast<long long>(i));
    }
    std::fputs(R"(],"scenes":[{"nodes":[)", out);
    for (int64_t i = 0; i < nodes; ++i) {
      std::fprintf(out, "%s%lld", i == 0 ? "" : ",", static_cast<long long>(i));
    }
    return std::fputs("]}]}", out) >= 0;
  });
}
