// Infinities and NaNs: recorded by export and info, refused or dropped by weld, left
// out of a render, and never written into a glTF file.
#include <tiny_obj_loader.h>

#include <cmath>
#include <limits>

#include "RlfProgram.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST_F(RlfProgramTest, NonFiniteValuesAreReportedRefusedDroppedAndLeftOut) {
  // One mesh of four triangles side by side at x = 0, 2, 4 and 6: the first finite, the
  // second with a NaN texture coordinate, the third and fourth with an infinite one. It is
  // placed twice, the second time scaled by 1e38, where positions past x = 3.4 overflow
  // single precision (the third and fourth triangles again). So 6 of the 8 exported
  // triangles are not finite, the first being triangle 1.
  CopyScene("nonfinite.gltf");
  CopyScene("nonfinite.bin");
  RunResult r = Rlf({"export", "nonfinite.gltf", "-o", "scene.rlf"});
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
    WriteRlf("kind.rlf", tris);
    const RunResult r = Rlf({"weld", "kind.rlf", "-o", "kind.glb"});
    EXPECT_EQ(r.status, 1) << kind;
    EXPECT_NE(r.err.find("non-finite values in 1 of 3 triangles, the first in triangle 2"), std::string::npos)
        << kind << ": " << r.err;
  }
}
