// rlf weld and render on the built-in sample: files other readers take, pictures that show it.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <tiny_obj_loader.h>

#include "RlfProgram.h"

class FileCommands : public RlfProgramTest {
 protected:
  void SetUp() override {
    RlfProgramTest::SetUp();
    ASSERT_EQ(Rlf({"export", "-o", "sample.rlf"}).status, 0);
  }
};

// (The glb's validity: the files session.)
TEST_F(FileCommands, WeldWritesAnObjAnotherReaderTakes) {
  ASSERT_EQ(Rlf({"weld", "sample.rlf", "-o", "sample.obj"}).status, 0);
  tinyobj::ObjReader reader;
  ASSERT_TRUE(reader.ParseFromFile(Path("sample.obj"))) << reader.Error();
  EXPECT_EQ(reader.GetShapes().at(0).mesh.num_face_vertices.size(), 2324u);
  EXPECT_EQ(reader.GetAttrib().vertices.size() / 3, reader.GetAttrib().normals.size() / 3);
}

TEST_F(FileCommands, RenderShowsTheSceneAndChangesWithTheShading) {
  std::vector<std::vector<unsigned char>> images;
  for (const char* shade : {"normal", "tangent", "uv"}) {
    const std::string png = std::string(shade) + ".png";
    ASSERT_EQ(Rlf({"render", "sample.rlf", "-o", png, "--shade", shade, "--size", "128"}).status, 0);
    int w = 0, h = 0, channels = 0;
    unsigned char* pixels = stbi_load(Path(png).c_str(), &w, &h, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(w, 128);
    images.emplace_back(pixels, pixels + 3 * w * h);
    stbi_image_free(pixels);
    int drawn = 0;
    for (int p = 0; p < w * h; ++p) {
      drawn += images.back()[3 * p] != 32 || images.back()[3 * p + 1] != 32 || images.back()[3 * p + 2] != 32;
    }
    EXPECT_GT(drawn, w * h / 10) << shade;
  }
  EXPECT_NE(images[0], images[1]);
  EXPECT_NE(images[0], images[2]);
}
