// rlf export on the OBJ and glTF scenes of tests/scenes, read back with the library.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "RlfProgram.h"

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
