// One texture convention inside (the host's: origin at the image's bottom left, v up),
// converted on the way in from glTF and on the way out to glTF.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "RlfProgram.h"

class TextureConvention : public RlfProgramTest {
 protected:
  void SetUp() override {
    RlfProgramTest::SetUp();
    RL_REQUIRE_TOOL(!std::string(RL_NODE).empty(), "node");
    RL_REQUIRE_TOOL(access(RL_CHROMIUM, X_OK) == 0, std::string(RL_CHROMIUM));
  }
};

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
