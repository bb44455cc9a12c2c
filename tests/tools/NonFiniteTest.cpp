// Infinities and NaNs never written into a glTF file (refused by weld in every field: the
// nonfinite session).
#include "RlfProgram.h"

// What a weld keeps of a mesh with non-finite values is a valid glTF file.
TEST_F(RlfProgramTest, NonFiniteValuesNeverReachAGltfFile) {
  CopyScene("nonfinite.gltf");
  CopyScene("nonfinite.bin");
  ASSERT_EQ(Rlf({"export", "nonfinite.gltf", "-o", "scene.rlf"}).status, 0);
  ASSERT_EQ(Rlf({"weld", "scene.rlf", "-o", "scene.glb", "--skip-non-finite"}).status, 0);
  ExpectValidGltf("scene.glb");
}
