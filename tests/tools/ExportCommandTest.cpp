// rlf export on the OBJ and glTF scenes of tests/scenes, read back with the library.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "RlfProgram.h"

TEST_F(RlfProgramTest, ExportsAnObjSceneSetBySet) {
  CopyScene("scene.obj");  // two objects, two materials; one face without uvs
  const RunResult r = Rlf({"export", "scene.obj", "-o", "out.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<RlRawTriangle> tris = Triangles("out.rlf");
  ASSERT_EQ(tris.size(), 2u + 1u + 3u);  // n - 2 per polygon, kept whole until the export
  // The quad: normal +z, uvs from its corners.
  for (int t = 0; t < 2; ++t) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(tris[t].norm[i].z, 1.0f);
      EXPECT_EQ(tris[t].texCoord[i].u, tris[t].vert[i].x);
      EXPECT_EQ(tris[t].texCoord[i].v, tris[t].vert[i].y);
    }
  }
  // The pentagon object: its "red" triangle first (sets in the order they were first
  // used), unmapped; then the "blue" pentagon with normal -z.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(tris[2].texCoord[i].u, 0.0f);
    EXPECT_EQ(tris[2].norm[i].z, 1.0f);
  }
  for (int t = 3; t < 6; ++t) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(tris[t].norm[i].z, -1.0f);
      EXPECT_GE(tris[t].vert[i].x, 1.5f);
    }
  }
}

// What files written elsewhere hold: CRLF line ends, tabs, comments after statements,
// signs and exponents, negative (relative) indices, a group of several names.
TEST_F(RlfProgramTest, ReadsObjFilesAsOtherToolsWriteThem) {
  CopyScene("crlf.obj");
  const RunResult r = Rlf({"export", "crlf.obj", "-o", "out.rlf", "--select", "first"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<RlRawTriangle> tris = Triangles("out.rlf");
  ASSERT_EQ(tris.size(), 1u);
  EXPECT_EQ(tris[0].vert[1].x, 1.0f);
  EXPECT_EQ(tris[0].vert[2].y, 1.0f);
  EXPECT_EQ(tris[0].texCoord[2].v, 1.0f);
  EXPECT_EQ(tris[0].norm[0].z, 1.0f);
}

// A file of megabytes is read in stretches side by side: relative and absolute indices,
// objects and materials, and the line of an error must come out as if read in one go.
TEST_F(RlfProgramTest, ReadsLargeObjFilesAsIfInOneGo) {
  std::string text;
  constexpr int kQuads = 24000;
  for (int q = 0; q < kQuads; ++q) {
    if (q % 1000 == 0) {
      text += "o part" + std::to_string(q / 1000) + "\nusemtl m" + std::to_string(q % 3000 / 1000) + "\n";
    }
    const std::string x0 = std::to_string(q), x1 = std::to_string(q + 1);
    text += "v " + x0 + " 0 0\nv " + x1 + " 0 0\nv " + x1 + " 1 0\nv " + x0 + " 1 0\nf -4 -3 -2 -1\n";
  }
  text += "f 1 2 3\n";
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  ASSERT_GT(text.size(), 1u << 20);  // read in two stretches
  Write("large.obj", text);
  const RunResult r = Rlf({"export", "large.obj", "-o", "out.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<RlRawTriangle> tris = Triangles("out.rlf");
  ASSERT_EQ(tris.size(), 2u * kQuads + 1);
  for (const RlRawTriangle& t : tris) {  // every triangle within one quad
    const float lo = std::min({t.vert[0].x, t.vert[1].x, t.vert[2].x});
    const float hi = std::max({t.vert[0].x, t.vert[1].x, t.vert[2].x});
    ASSERT_EQ(hi - lo, 1.0f);
  }
  struct Ending {
    const char* line;
    std::string expected;
  };
  const Ending endings[] = {
      {"v 1 2 x\n", ":" + std::to_string(lines + 1) + ": \"x\" is not a number"},
      {"f 1 2 96001\n", ":" + std::to_string(lines + 1) + ": vertex index 96001 out of range (96000 defined)"},
  };
  for (const Ending& e : endings) {
    Write("bad.obj", text + e.line);
    const RunResult bad = Rlf({"export", "bad.obj", "-o", "bad.rlf"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "rlf: bad.obj" + e.expected + "\n");
  }
}

TEST_F(RlfProgramTest, GivesMeshesWithoutNormalsSmoothOnes) {
  CopyScene("bent.obj");  // a unit quad facing +z and a triangle facing +y
  ASSERT_EQ(Rlf({"export", "bent.obj", "-o", "out.rlf"}).status, 0);
  const std::vector<RlRawTriangle> tris = Triangles("out.rlf");
  ASSERT_EQ(tris.size(), 3u);
  for (const RlRawTriangle& t : tris) {
    for (const RlRawPoint& n : t.norm) {
      EXPECT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0, 1e-6);
    }
  }
  // Point 1 (the origin) lies on both faces: the quad (area 1, facing +z) weighs twice
  // the triangle (area 0.5, facing +y), so its normal is (0, 0.5, 1) brought to unit length.
  const RlRawPoint& shared = tris[2].norm[0];
  EXPECT_NEAR(shared.x, 0.0, 1e-6);
  EXPECT_NEAR(shared.y, 0.5 / std::sqrt(1.25), 1e-6);
  EXPECT_NEAR(shared.z, 1.0 / std::sqrt(1.25), 1e-6);
}

// Strips and fans come out as triangles in glTF's winding (each facing +z here).
TEST_F(RlfProgramTest, ReadsGltfStripsAndFansAndSaysWhatItSkips) {
  // A square as a strip, as a fan, and as points.
  CopyScene("modes.gltf");
  CopyScene("modes.bin");
  const RunResult r = Rlf({"export", "modes.gltf", "-o", "out.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<RlRawTriangle> tris = Triangles("out.rlf");
  ASSERT_EQ(tris.size(), 4u);
  for (const RlRawTriangle& t : tris) {
    const float turn = (t.vert[1].x - t.vert[0].x) * (t.vert[2].y - t.vert[0].y) -
                       (t.vert[1].y - t.vert[0].y) * (t.vert[2].x - t.vert[0].x);
    EXPECT_EQ(turn, 1.0f);  // counter-clockwise, half the square
  }
}

// What glTF allows and simple readers miss: a chain of nodes deeper than any fixed limit,
// index accessors with sparse substitutions, and a binary file named .gltf.
TEST_F(RlfProgramTest, ReadsDeepChainsSparseIndicesAndGlbByContent) {
  // A quad's four corners, then the indices 0 1 2, of which the sparse part makes the
  // last 3: the triangle (0, 1, 3), 2,000 nodes down.
  CopyScene("sparse.gltf");
  CopyScene("quad.bin");
  RunResult r = Rlf({"export", "sparse.gltf", "-o", "sparse.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<RlRawTriangle> tris = Triangles("sparse.rlf");
  ASSERT_EQ(tris.size(), 1u);
  EXPECT_EQ(tris[0].vert[2].x, 0.0f);
  EXPECT_EQ(tris[0].vert[2].y, 1.0f);
  EXPECT_EQ(tris[0].vert[2].z, 5.0f);  // below every level of the chain

  CopyScene("scene.obj");
  ASSERT_EQ(Rlf({"export", "scene.obj", "-o", "scene.rlf"}).status, 0);
  ASSERT_EQ(Rlf({"weld", "scene.rlf", "-o", "welded.glb"}).status, 0);
  std::filesystem::copy_file(Path("welded.glb"), Path("named.gltf"));
  r = Rlf({"export", "named.gltf", "-o", "named.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Triangles("named.rlf").size(), Triangles("scene.rlf").size());
}
