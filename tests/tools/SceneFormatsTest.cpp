// glTF files as other tools write them, read by rlf export: compressed and quantized.
#include <algorithm>
#include <cmath>

#include "RlfProgram.h"

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
// buffer in a file beside) export the same triangles within their quantization. (Damaged
// meshopt data: the export-refusals session.)
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
  float extent = 0;  // the longest side of the bounding box
  for (int k = 0; k < 3; ++k) {
    float lo = INFINITY, hi = -INFINITY;
    for (const RlRawTriangle& t : plain) {
      for (const RlRawPoint& p : t.vert) lo = std::min(lo, p.v[k]), hi = std::max(hi, p.v[k]);
    }
    extent = std::max(extent, hi - lo);
  }
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
}
