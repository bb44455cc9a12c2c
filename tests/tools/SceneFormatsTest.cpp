// The formats rlf export reads: its own OBJ and glTF readers, and every other format
// through Assimp, checked against the same scene in OBJ.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>

#include "RlfProgram.h"

namespace {

// Triangle count, total area and bounds of an export: what must agree across formats.
struct Summary {
  std::size_t triangles = 0;
  double area = 0;
  std::array<float, 3> lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
};

Summary Summarise(const std::vector<RlRawTriangle>& tris) {
  Summary s;
  s.triangles = tris.size();
  for (const RlRawTriangle& t : tris) {
    double e1[3], e2[3];
    for (int k = 0; k < 3; ++k) {
      e1[k] = double{t.vert[1].v[k]} - t.vert[0].v[k];
      e2[k] = double{t.vert[2].v[k]} - t.vert[0].v[k];
      for (const RlRawPoint& p : t.vert) {
        s.lo[static_cast<std::size_t>(k)] = std::min(s.lo[static_cast<std::size_t>(k)], p.v[k]);
        s.hi[static_cast<std::size_t>(k)] = std::max(s.hi[static_cast<std::size_t>(k)], p.v[k]);
      }
    }
    const double c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    s.area += std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / 2;
  }
  return s;
}

}  // namespace

// A unit quad and, beside it, a triangle leaning back, in each format.
TEST_F(RlfProgramTest, OneModelInManyFormatsExportsAlike) {
  for (const char* name : {"model.obj", "model.ply", "model.off", "model.stl"}) {
    std::filesystem::copy_file(std::filesystem::path(RL_TEST_SCENES) / "formats" / name, dir_ / name);
  }
  ASSERT_EQ(Rlf({"export", "model.obj", "-o", "obj.rlf"}).status, 0);
  const Summary expected = Summarise(Triangles("obj.rlf"));
  ASSERT_EQ(expected.triangles, 3u);
  for (const char* name : {"model.ply", "model.off", "model.stl"}) {
    SCOPED_TRACE(name);
    const RunResult r = Rlf({"export", name, "-o", "out.rlf"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Summary s = Summarise(Triangles("out.rlf"));
    EXPECT_EQ(s.triangles, expected.triangles);
    EXPECT_NEAR(s.area, expected.area, 1e-6);
    EXPECT_EQ(s.lo, expected.lo);
    EXPECT_EQ(s.hi, expected.hi);
  }
}

// glTF 1.0 goes to Assimp; a mesh two nodes place comes out once for each.
TEST_F(RlfProgramTest, ReadsGltf1AndInstancedMeshesThroughAssimp) {
  CopyScene("gltf1.gltf");  // one triangle, its mesh placed by two nodes
  const RunResult r = Rlf({"export", "gltf1.gltf", "-o", "out.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<RlRawTriangle> tris = Triangles("out.rlf");
  ASSERT_EQ(tris.size(), 2u);
  EXPECT_EQ(tris[1].vert[1].x - tris[0].vert[1].x, 5.0f);
}

// Whether every triangle of `other` matches one of `plain`, in any order and from any
// first corner (a compressor may reorder both), within the given tolerances.
void ExpectSameTriangles(const std::vector<RlRawTriangle>& plain, const std::vector<RlRawTriangle>& other,
                         float position, float normal, float uv) {
  ASSERT_EQ(other.size(), plain.size());
  const auto centroid = [](const RlRawTriangle& t, int k) {
    return (t.vert[0].v[k] + t.vert[1].v[k] + t.vert[2].v[k]) / 3.0f;
  };
  std::vector<bool> used(other.size(), false);
  for (std::size_t t = 0; t < plain.size(); ++t) {
    std::size_t best = other.size();
    float bestDistance = 0;
    for (std::size_t o = 0; o < other.size(); ++o) {
      float distance = 0;
      for (int k = 0; k < 3; ++k) distance += std::fabs(centroid(plain[t], k) - centroid(other[o], k));
      if (!used[o] && (best == other.size() || distance < bestDistance)) {
        best = o;
        bestDistance = distance;
      }
    }
    used[best] = true;
    const RlRawTriangle& match = other[best];
    int shift = 0;  // the corner of the match that is plain's first
    for (int i = 1; i < 3; ++i) {
      const auto gap = [&](int c) {
        float sum = 0;
        for (int k = 0; k < 3; ++k) sum += std::fabs(match.vert[c].v[k] - plain[t].vert[0].v[k]);
        return sum;
      };
      if (gap(i) < gap(shift)) shift = i;
    }
    for (int i = 0; i < 3; ++i) {
      const int j = (i + shift) % 3;
      for (int k = 0; k < 3; ++k) {
        ASSERT_NEAR(match.vert[j].v[k], plain[t].vert[i].v[k], position) << t;
        ASSERT_NEAR(match.norm[j].v[k], plain[t].norm[i].v[k], normal) << t;
      }
      for (int k = 0; k < 2; ++k) {
        ASSERT_NEAR(match.texCoord[j].uv[k], plain[t].texCoord[i].uv[k], uv) << t;
      }
    }
  }
}

// glTF files as another tool writes them: glTF Transform's quantized, Draco-compressed
// and meshopt-compressed variants of a welded glb (meshopt also as glTF text with its
// buffer in a file beside) export the same triangles within their quantization, and
// damaged meshopt data is refused with one line naming the primitive.
TEST_F(RlfProgramTest, GltfTransformVariantsMatchTheirOriginal) {
  RL_REQUIRE_TOOL(!std::string(RL_NODE).empty(), "node (for glTF Transform)");
  ASSERT_EQ(Rlf({"export", "-o", "sample.rlf"}).status, 0);
  ASSERT_EQ(Rlf({"weld", "sample.rlf", "-o", "plain.glb"}).status, 0);
  const char* const variants[] = {"quantize.glb", "draco.glb", "meshopt.glb", "meshopt.gltf"};
  for (const std::string variant : variants) {
    const std::string command = "'" + std::string(RL_NODE) + "' '" + RL_NODE_MODULES +
                                "/@gltf-transform/cli/bin/cli.js' " + variant.substr(0, variant.find('.')) + " '" +
                                Path("plain.glb") + "' '" + Path(variant) + "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  ASSERT_EQ(Rlf({"export", "plain.glb", "-o", "plain.rlf"}).status, 0);
  const std::vector<RlRawTriangle> plain = Triangles("plain.rlf");
  const Summary bounds = Summarise(plain);
  const float extent =
      std::max({bounds.hi[0] - bounds.lo[0], bounds.hi[1] - bounds.lo[1], bounds.hi[2] - bounds.lo[2]});
  // Quantization's bits: 14 for positions (all), 8 (quantize), 10 (Draco) or 8 in
  // octahedral form (meshopt, so 7 per component) for normals, 12 for texture
  // coordinates; the texture range here is 8 wide.
  for (const std::string variant : variants) {
    SCOPED_TRACE(variant);
    const RunResult r = Rlf({"export", variant, "-o", "variant.rlf"});
    ASSERT_EQ(r.status, 0) << r.err;
    const float normal = variant.rfind("meshopt", 0) == 0 ? 1.0f / (1 << 6) : 1.0f / (1 << 7);
    ExpectSameTriangles(plain, Triangles("variant.rlf"), extent / (1 << 13), normal, 8.0f / (1 << 12));
  }
  // The compressed stream of the first buffer view (the triangles' indices) cut short.
  std::ifstream in(Path("meshopt.glb"), std::ios::binary);
  std::string glb((std::istreambuf_iterator<char>(in)), {});
  uint32_t jsonLength;
  std::memcpy(&jsonLength, glb.data() + 12, 4);
  const std::size_t bin = 20 + jsonLength + 8;
  for (std::size_t i = bin; i < bin + 64 && i < glb.size(); ++i) glb[i] = static_cast<char>(0xFF);
  Write("damaged.glb", glb);
  const RunResult r = Rlf({"export", "damaged.glb", "-o", "out.rlf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "rlf: damaged.glb: the primitive of mesh 0 (\"welded\") (meshopt-compressed) cannot be decoded: its "
            "data is damaged\n");
}
