// Infinities and NaNs never written into a glTF file, and refused by weld in every field.
#include <cmath>
#include <limits>

#include "RlfProgram.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

}  // namespace

// What a weld keeps of a mesh with non-finite values is a valid glTF file.
TEST_F(RlfProgramTest, NonFiniteValuesNeverReachAGltfFile) {
  CopyScene("nonfinite.gltf");
  CopyScene("nonfinite.bin");
  ASSERT_EQ(Rlf({"export", "nonfinite.gltf", "-o", "scene.rlf"}).status, 0);
  ASSERT_EQ(Rlf({"weld", "scene.rlf", "-o", "scene.glb", "--skip-non-finite"}).status, 0);
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
