// Infinities and NaNs: recorded by export and info, refused or dropped by weld, left
// out of a render, and never written into a glTF file.
#include <tiny_obj_loader.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "RlfProgram.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A glTF scene of one mesh, four triangles side by side at x = 0, 2, 4 and 6: the
// first finite, the second with a NaN texture coordinate, the third and fourth with an
// infinite one. It is placed twice, the second time scaled by 1e38, where positions
// past x = 3.4 overflow single precision (the third and fourth triangles again). So 6
// of the 8 exported triangles are not finite, the first being triangle 1.
void WriteScene(const std::filesystem::path& dir) {
  std::vector<float> pos, nor, uv;
  for (int t = 0; t < 4; ++t) {
    const float corners[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    for (int i = 0; i < 3; ++i) {
      pos.insert(pos.end(), {corners[i][0] + 2.0f * t, corners[i][1], 0});
      nor.insert(nor.end(), {0, 0, 1});
      const float u = t == 1 && i == 2 ? kNaN : t >= 2 && i == 1 ? kInf : corners[i][0];
      uv.insert(uv.end(), {u, corners[i][1]});
    }
  }
  std::ofstream bin(dir / "scene.bin", std::ios::binary);
  for (const std::vector<float>* v : {&pos, &nor, &uv}) {
    bin.write(reinterpret_cast<const char*>(v->data()), static_cast<std::streamsize>(v->size() * 4));
  }
  std::ofstream(dir / "scene.gltf") << R"({"asset": {"version": "2.0"},
  "buffers": [{"uri": "scene.bin", "byteLength": 384}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 144},
                  {"buffer": 0, "byteOffset": 144, "byteLength": 144},
                  {"buffer": 0, "byteOffset": 288, "byteLength": 96}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 12, "type": "VEC3"},
                {"bufferView": 1, "componentType": 5126, "count": 12, "type": "VEC3"},
                {"bufferView": 2, "componentType": 5126, "count": 12, "type": "VEC2"}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2}}]}],
  "nodes": [{"mesh": 0}, {"mesh": 0, "scale": [1e38, 1e38, 1e38]}],
  "scenes": [{"nodes": [0, 1]}], "scene": 0})";
}

}  // namespace

TEST_F(RlfProgramTest, NonFiniteValuesAreReportedRefusedDroppedAndLeftOut) {
  WriteScene(dir_);
  RunResult r = Rlf({"export", "scene.gltf", "-o", "scene.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;  // the file records the scene as it is
  EXPECT_EQ(r.err,
            "rlf: warning: scene.rlf: non-finite values in 6 of 8 triangles, the first in triangle 1 "
            "(counting from 0)\n");
  const std::vector<RlRawTriangle> exported = Triangles("scene.rlf");
  ASSERT_EQ(exported.size(), 8u);
  EXPECT_TRUE(std::isinf(exported[6].vert[1].x));

  r = Rlf({"info", "scene.rlf", "--json"});
  EXPECT_NE(r.out.find("\"nonFiniteTriangles\": 6"), std::string::npos) << r.out;

  for (const char* out : {"scene.glb", "scene.obj"}) {
    r = Rlf({"weld", "scene.rlf", "-o", out});
    EXPECT_EQ(r.status, 1) << out;
    EXPECT_EQ(r.err,
              "rlf: scene.rlf: non-finite values in 6 of 8 triangles, the first in triangle 1 "
              "(counting from 0); --skip-non-finite drops them\n");
    EXPECT_FALSE(Exists(out));
    r = Rlf({"weld", "scene.rlf", "-o", out, "--skip-non-finite"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "dropped 6 of 8 triangles for their non-finite values");
    EXPECT_NE(r.out.find("welded 2 triangles"), std::string::npos) << r.out;
  }
  tinyobj::ObjReader reader;
  ASSERT_TRUE(reader.ParseFromFile(Path("scene.obj"))) << reader.Error();
  EXPECT_EQ(reader.GetShapes().at(0).mesh.num_face_vertices.size(), 2u);

  r = Rlf({"render", "scene.rlf", "-o", "scene.png", "--shade", "tangent"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "rendered 2 triangles (tangent) to scene.png; left out 6 triangles for their non-finite values\n");

  ExpectValidGltf("scene.glb");
}

// Each kind of value on its own: an infinite position, a NaN normal, an infinite
// texture coordinate, in an RLF file written directly.
TEST_F(RlfProgramTest, WeldRefusesEachKindOfNonFiniteValue) {
  for (int kind = 0; kind < 3; ++kind) {
    std::vector<RlRawTriangle> tris(3);
    for (RlRawTriangle& t : tris) {
      t = RlRawTriangle{{{{0, 0, 0}}, {{1, 0, 0}}, {{0, 1, 0}}},
                        {{{0, 0, 1}}, {{0, 0, 1}}, {{0, 0, 1}}},
                        {{{0, 0}}, {{1, 0}}, {{0, 1}}}};
    }
    float* poisoned[] = {&tris[2].vert[1].y, &tris[2].norm[0].z, &tris[2].texCoord[2].v};
    *poisoned[kind] = kind == 1 ? kNaN : -kInf;
    FILE* fp = std::fopen(Path("kind.rlf").c_str(), "wb");
    ASSERT_TRUE(RlWriteTriangles(fp, 3, tris.data()));
    std::fclose(fp);
    const RunResult r = Rlf({"weld", "kind.rlf", "-o", "kind.glb"});
    EXPECT_EQ(r.status, 1) << kind;
    EXPECT_NE(r.err.find("non-finite values in 1 of 3 triangles, the first in triangle 2"), std::string::npos)
        << kind << ": " << r.err;
  }
}
