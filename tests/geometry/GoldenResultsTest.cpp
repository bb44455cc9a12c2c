// Results that must be identical bit for bit on every host: RLF files, per-corner
// tangent frames and vertex buffers of fixed meshes, compared with files made on a
// little-endian host and kept in tests/golden. Arrays are compared in little-endian
// order, converted with the byte-order family where the host is big-endian.
//
// RL_UPDATE_GOLDEN=1 rewrites the files instead (only ever on a little-endian host).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "MacSpecific.h"
#include "Meshes.h"
#include "RlTangentSpace.h"
#include "Streams.h"
#include "Triangles.h"
#include "VekEndian.h"

namespace {

// The little-endian image of count records, converted by swap where needed.
template <typename T>
Bytes LittleEndian(const T* records, std::size_t count, uint32 (*swap)(void*, uint32)) {
  Bytes bytes(count * sizeof(T));
  std::memcpy(bytes.data(), records, bytes.size());
  if constexpr (kHostIsBigEndian) {
    swap(bytes.data(), static_cast<uint32>(count));
  }
  return bytes;
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

void ExpectGolden(const std::string& name, const Bytes& actual) {
  const std::string path = std::string(RL_GOLDEN_DIR) + "/" + name;
  const char* update = std::getenv("RL_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_FALSE(kHostIsBigEndian) << "golden files are made on a little-endian host";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(actual.data()), static_cast<std::streamsize>(actual.size()));
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "missing golden file " << path;
  const Bytes expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(actual.size(), expected.size()) << name;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i], expected[i]) << name << ": first difference at byte " << i;
  }
}

struct Mesh {
  const char* name;
  std::vector<RlRawTriangle> tris;
};

std::vector<Mesh> Meshes() { return {{"quad", UnitQuad()}, {"torus", Torus(8, 5)}, {"trouble", TroubleMesh(48, 17)}}; }

}  // namespace

TEST(GoldenResults, RlfFiles) {
  for (Mesh& mesh : Meshes()) {
    SCOPED_TRACE(mesh.name);
    ExpectGolden(std::string(mesh.name) + ".rlf", RlfFileOf(mesh.tris));
  }
}

TEST(GoldenResults, TangentFrames) {
  for (Mesh& mesh : Meshes()) {
    SCOPED_TRACE(mesh.name);
    const int n = static_cast<int>(mesh.tris.size());
    RlRawTangentSpaceD* raw = nullptr;
    ASSERT_TRUE(RlComputeTangentsD(n, mesh.tris.data(), &raw));
    const std::unique_ptr<RlRawTangentSpaceD[]> tan(raw);
    ExpectGolden(std::string(mesh.name) + ".tangents",
                 LittleEndian(tan.get(), mesh.tris.size(), VekByteSwap_RlRawTangentSpaceD));
  }
}

TEST(GoldenResults, VertexBuffers) {
  for (Mesh& mesh : Meshes()) {
    SCOPED_TRACE(mesh.name);
    const int n = static_cast<int>(mesh.tris.size());
    int numVerts = 0;
    RlTangentPointD* rawVerts = nullptr;
    RlIndex* rawIndices = nullptr;
    ASSERT_TRUE(RlCreateVertexBuffers(n, mesh.tris.data(), &numVerts, &rawVerts, &rawIndices));
    const std::unique_ptr<RlTangentPointD[]> verts(rawVerts);
    const std::unique_ptr<RlIndex[]> indices(rawIndices);
    // The vertex count, the vertices and the index triples, one after the other.
    Bytes image = LittleEndian(&numVerts, 1, VekByteSwap_int32);
    Append(image, LittleEndian(verts.get(), static_cast<std::size_t>(numVerts), VekByteSwap_RlTangentPointD));
    Append(image, LittleEndian(indices.get(), mesh.tris.size(), VekByteSwap_RlIndex));
    ExpectGolden(std::string(mesh.name) + ".vbuf", image);
  }
}
