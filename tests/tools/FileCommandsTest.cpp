// rlf info, convert, weld and render on files the tests make.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <tiny_obj_loader.h>

#include <cstdlib>
#include <fstream>

#include "RlfProgram.h"

class FileCommands : public RlfProgramTest {
 protected:
  void SetUp() override {
    RlfProgramTest::SetUp();
    ASSERT_EQ(Rlf({"export", "-o", "sample.rlf"}).status, 0);
  }
};

TEST_F(FileCommands, InfoTellsChunksCountsAndBounds) {
  RunResult r = Rlf({"info", "sample.rlf", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"tag\": \"RLF \", \"offset\": 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"tag\": \"TRIS\", \"offset\": 8"), std::string::npos);
  EXPECT_NE(r.out.find("\"triangles\": 2324"), std::string::npos);
  EXPECT_NE(r.out.find("\"degenerateTriangles\": 0"), std::string::npos);

  Write("garbage.rlf", "this is no rlf file");
  r = Rlf({"info", "garbage.rlf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Unable to read header\nrlf: garbage.rlf: not a readable RLF file\n");
}

// Every command that reads a mesh takes a scene file too, as rlf export reads it, and
// sees what its export holds.
TEST_F(FileCommands, ScenesAreReadAsTheirExports) {
  CopyScene("quad.obj");
  const RunResult info = Rlf({"info", "quad.obj", "--json"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("\"tag\": \"TRIS\", \"offset\": 8, \"size\": 196}], \"triangles\": 2"), std::string::npos)
      << info.out;
  const RunResult weld = Rlf({"weld", "quad.obj", "-o", "quad.glb"});
  EXPECT_NE(weld.out.find("welded 2 triangles into 4 vertices"), std::string::npos) << weld.err;
  EXPECT_EQ(Rlf({"render", "quad.obj", "-o", "quad.png", "--size", "16"}).status, 0);
  const RunResult missing = Rlf({"render", "missing.obj", "-o", "missing.png"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("missing.obj"), std::string::npos) << missing.err;
}

TEST_F(FileCommands, ConvertWrapsABody) {
  std::ifstream in(Path("sample.rlf"), std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), {});
  Write("body.bin", file.substr(16));
  ASSERT_EQ(Rlf({"convert", "body.bin", "again.rlf"}).status, 0);
  std::ifstream again(Path("again.rlf"), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), file);

  const RunResult r = Rlf({"convert", "sample.rlf", "wrong.rlf"});  // a whole file is no body
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(Exists("wrong.rlf"));
}

TEST_F(FileCommands, WeldWritesAValidGlbAndARereadableObj) {
  RunResult r = Rlf({"weld", "sample.rlf", "-o", "sample.glb"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("welded 2324 triangles into"), std::string::npos);
  ExpectValidGltf("sample.glb");

  ASSERT_EQ(Rlf({"weld", "sample.rlf", "-o", "sample.obj"}).status, 0);
  tinyobj::ObjReader reader;
  ASSERT_TRUE(reader.ParseFromFile(Path("sample.obj"))) << reader.Error();
  EXPECT_EQ(reader.GetShapes().at(0).mesh.num_face_vertices.size(), 2324u);
  EXPECT_EQ(reader.GetAttrib().vertices.size() / 3, reader.GetAttrib().normals.size() / 3);

  EXPECT_EQ(Rlf({"weld", "sample.rlf", "-o", "sample.stl"}).status, 2);
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
  EXPECT_EQ(Rlf({"render", "sample.rlf", "-o", "x.png", "--shade", "depth"}).status, 2);
  const RunResult jpg = Rlf({"render", "sample.rlf", "-o", "x.jpg"});
  EXPECT_EQ(jpg.status, 2);
  EXPECT_EQ(jpg.err, "rlf: x.jpg: render writes PNG pictures; name the file .png\n");
  EXPECT_FALSE(Exists("x.jpg"));
}
