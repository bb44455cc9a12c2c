// One texture convention inside (the host's: origin at the image's bottom left, v up),
// converted on the way in from glTF and on the way out to glTF.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <tiny_gltf.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "RlfProgram.h"

namespace {

// What rlf weld writes into a glb, read back with tinygltf.
struct Glb {
  std::vector<float> position, normal, uv, tangent;
  std::vector<uint32_t> index;
};

template <typename T>
std::vector<T> Elements(const tinygltf::Model& model, int accessor, std::size_t width) {
  const tinygltf::Accessor& a = model.accessors.at(static_cast<std::size_t>(accessor));
  const tinygltf::BufferView& view = model.bufferViews.at(static_cast<std::size_t>(a.bufferView));
  const unsigned char* data = model.buffers.at(0).data.data() + view.byteOffset + a.byteOffset;
  std::vector<T> out(a.count * width);
  std::memcpy(out.data(), data, out.size() * sizeof(T));
  return out;
}

Glb ReadGlb(const std::string& path) {
  tinygltf::Model model;
  tinygltf::TinyGLTF loader;
  std::string error, warning;
  Glb glb;
  if (!loader.LoadBinaryFromFile(&model, &error, &warning, path)) {
    ADD_FAILURE() << path << ": " << error;
    return glb;
  }
  const tinygltf::Primitive& p = model.meshes.at(0).primitives.at(0);
  glb.position = Elements<float>(model, p.attributes.at("POSITION"), 3);
  glb.normal = Elements<float>(model, p.attributes.at("NORMAL"), 3);
  glb.uv = Elements<float>(model, p.attributes.at("TEXCOORD_0"), 2);
  glb.tangent = Elements<float>(model, p.attributes.at("TANGENT"), 4);
  glb.index = Elements<uint32_t>(model, p.indices, 1);
  return glb;
}

}  // namespace

class TextureConvention : public RlfProgramTest {
 protected:
  void SetUp() override {
    RlfProgramTest::SetUp();
    RL_REQUIRE_TOOL(!std::string(RL_NODE).empty(), "node");
    RL_REQUIRE_TOOL(access(RL_CHROMIUM, X_OK) == 0, std::string(RL_CHROMIUM));
  }
};

// The same model as OBJ and as glb (converted by obj2gltf, which follows glTF's
// convention) exports the same triangles.
TEST_F(TextureConvention, ObjAndGlbOfOneModelAgree) {
  CopyScene("slanted.obj");  // a quad, and a triangle above it leaning back, mapped unevenly
  const std::string convert =
      NodeCommand(RL_NODE_MODULES "/obj2gltf/bin/obj2gltf.js",
                  "-i '" + Path("slanted.obj") + "' -o '" + Path("model.glb") + "' > /dev/null");
  ASSERT_EQ(std::system(convert.c_str()), 0) << convert;
  ASSERT_EQ(Rlf({"export", "slanted.obj", "-o", "obj.rlf"}).status, 0);
  ASSERT_EQ(Rlf({"export", "model.glb", "-o", "glb.rlf"}).status, 0);
  const std::vector<RlRawTriangle> fromObj = Triangles("obj.rlf"), fromGlb = Triangles("glb.rlf");
  ASSERT_EQ(fromObj.size(), 3u);
  ASSERT_EQ(fromGlb.size(), fromObj.size());
  for (std::size_t t = 0; t < fromObj.size(); ++t) {
    for (int i = 0; i < 3; ++i) {
      for (int k = 0; k < 3; ++k) EXPECT_EQ(fromObj[t].vert[i].v[k], fromGlb[t].vert[i].v[k]);
      for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(fromObj[t].texCoord[i].uv[k], fromGlb[t].texCoord[i].uv[k], 1e-7) << t << " " << i << " " << k;
      }
    }
  }
  EXPECT_EQ(fromObj[2].texCoord[2].v, 0.9f);  // the host's v, as the OBJ file has it
}

// RLF -> weld -> glb -> export -> RLF keeps every texture coordinate; and in the glb,
// w * cross(N, T) points up the image (towards decreasing glTF v) wherever a triangle
// is properly mapped.
TEST_F(TextureConvention, GlbRoundTripsAndItsBitangentsPointUpTheImage) {
  ASSERT_EQ(Rlf({"export", "-o", "sample.rlf"}).status, 0);
  ASSERT_EQ(Rlf({"weld", "sample.rlf", "-o", "sample.glb"}).status, 0);
  ASSERT_EQ(Rlf({"export", "sample.glb", "-o", "again.rlf"}).status, 0);
  const std::vector<RlRawTriangle> before = Triangles("sample.rlf"), after = Triangles("again.rlf");
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t t = 0; t < before.size(); ++t) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(before[t].texCoord[i].u, after[t].texCoord[i].u, 2.5e-7) << t;
      EXPECT_NEAR(before[t].texCoord[i].v, after[t].texCoord[i].v, 2.5e-7) << t;
    }
  }

  const Glb glb = ReadGlb(Path("sample.glb"));
  int checked = 0;
  for (std::size_t t = 0; t + 2 < glb.index.size(); t += 3) {
    const uint32_t* c = &glb.index[t];
    auto p = [&](int i, int k) { return double{glb.position[3 * c[i] + static_cast<uint32_t>(k)]}; };
    auto uv = [&](int i, int k) { return double{glb.uv[2 * c[i] + static_cast<uint32_t>(k)]}; };
    const double du1 = uv(1, 0) - uv(0, 0), dv1 = uv(1, 1) - uv(0, 1);
    const double du2 = uv(2, 0) - uv(0, 0), dv2 = uv(2, 1) - uv(0, 1);
    const double det = du1 * dv2 - du2 * dv1;
    if (std::fabs(det) < 1e-9) continue;  // no mapping to speak of
    double dPdv[3];                       // the direction of increasing glTF v across the triangle
    for (int k = 0; k < 3; ++k) dPdv[k] = (du1 * (p(2, k) - p(0, k)) - du2 * (p(1, k) - p(0, k))) / det;
    for (int i = 0; i < 3; ++i) {
      const float* n = &glb.normal[3 * c[i]];
      const float* tan = &glb.tangent[4 * c[i]];
      const double b[3] = {tan[3] * (double{n[1]} * tan[2] - double{n[2]} * tan[1]),
                           tan[3] * (double{n[2]} * tan[0] - double{n[0]} * tan[2]),
                           tan[3] * (double{n[0]} * tan[1] - double{n[1]} * tan[0])};
      EXPECT_LT(b[0] * dPdv[0] + b[1] * dPdv[1] + b[2] * dPdv[2], 0) << "triangle " << t / 3 << " corner " << i;
      ++checked;
    }
  }
  EXPECT_GT(checked, 6000);
}

// A texture of four coloured quarters on a quad from OBJ, drawn from the welded glb by
// three.js's glTF loader in headless Chromium, shows each quarter where it belongs.
TEST_F(TextureConvention, ATextureAppearsTheRightWayUpInAGltfRenderer) {
  CopyScene("quad.obj");
  ASSERT_EQ(Rlf({"export", "quad.obj", "-o", "quad.rlf"}).status, 0);
  ASSERT_EQ(Rlf({"weld", "quad.rlf", "-o", "quad.glb"}).status, 0);
  // Top row first, as images are stored: red and green above, blue and white below.
  constexpr int kTexture = 16;
  const unsigned char quarters[2][2][3] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}};
  std::vector<unsigned char> texture;
  for (int y = 0; y < kTexture; ++y) {
    for (int x = 0; x < kTexture; ++x) {
      const unsigned char* colour = quarters[2 * y / kTexture][2 * x / kTexture];
      texture.insert(texture.end(), colour, colour + 3);
    }
  }
  ASSERT_TRUE(stbi_write_png(Path("texture.png").c_str(), kTexture, kTexture, 3, texture.data(), 3 * kTexture));

  constexpr int kSize = 32;
  const std::string render = NodeCommand(RL_RENDER_GLTF, "'" + Path("quad.glb") + "' '" + Path("texture.png") + "' " +
                                                             std::to_string(kSize) + " '" + Path("quad.rgba") + "'");
  ASSERT_EQ(std::system(render.c_str()), 0) << render;
  std::ifstream in(Path("quad.rgba"), std::ios::binary);
  const std::string pixels((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(pixels.size(), 4u * kSize * kSize);
  for (int qy = 0; qy < 2; ++qy) {
    for (int qx = 0; qx < 2; ++qx) {
      const int x = kSize / 4 + qx * kSize / 2, y = kSize / 4 + qy * kSize / 2;
      const auto* at = reinterpret_cast<const unsigned char*>(&pixels[4 * static_cast<std::size_t>(y * kSize + x)]);
      for (int k = 0; k < 3; ++k) EXPECT_EQ(at[k], quarters[qy][qx][k]) << "quarter " << qy << qx << " channel " << k;
    }
  }
}

// Texture coordinates stored as normalized shorts, and as floats with a sparse
// substitution, are turned the host's way like any others.
TEST_F(RlfProgramTest, QuantizedAndSparseTextureCoordinatesAreTurnedToo) {
  // One triangle, mapped (0, 0), (1, 0), (0, 1) by normalized shorts in one primitive and
  // by floats whose third pair a sparse substitution makes (0.5, 0.25) in the other.
  CopyScene("uv.gltf");
  CopyScene("uv.bin");
  const RunResult r = Rlf({"export", "uv.gltf", "-o", "uv.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<RlRawTriangle> tris = Triangles("uv.rlf");
  ASSERT_EQ(tris.size(), 2u);
  const float expected[2][3][2] = {{{0, 1}, {1, 1}, {0, 0}}, {{0, 1}, {1, 1}, {0.5f, 0.75f}}};
  for (int t = 0; t < 2; ++t) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(tris[static_cast<std::size_t>(t)].texCoord[i].u, expected[t][i][0]) << t << " " << i;
      EXPECT_EQ(tris[static_cast<std::size_t>(t)].texCoord[i].v, expected[t][i][1]) << t << " " << i;
    }
  }
}
