// The tangents rlf weld writes against the frames viewers rebuild from the same glb: the
// reference MikkTSpace algorithm (the npm package mikktspace), over a table of meshes and
// a shuffled copy of each. Every triangle's corners must share one handedness.
#include <algorithm>
#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>
#include <numbers>

#include "Meshes.h"
#include "RlfProgram.h"
#include "Triangles.h"

namespace {

std::string Quoted(const std::string& arg) { return "'" + arg + "'"; }

// The triangles in a fixed shuffled order; order[k] is where triangle k came from.
std::vector<RlRawTriangle> Shuffled(const std::vector<RlRawTriangle>& tris, std::vector<std::size_t>* order) {
  order->resize(tris.size());
  for (std::size_t k = 0; k < tris.size(); ++k) (*order)[k] = k;
  uint32_t state = 12345;
  for (std::size_t k = tris.size(); k > 1; --k) {
    state = state * 1664525u + 1013904223u;
    std::swap((*order)[k - 1], (*order)[(state >> 8) % k]);
  }
  std::vector<RlRawTriangle> out;
  for (const std::size_t k : *order) out.push_back(tris[k]);
  return out;
}

// Degenerate mappings on a torus: some triangles with all three texture coordinates
// equal, some with them on a line, and one with two equal positions.
std::vector<RlRawTriangle> DegenerateUvs() {
  std::vector<RlRawTriangle> tris = Torus(10, 6);
  for (std::size_t t = 0; t < tris.size(); t += 7) tris[t].texCoord[1] = tris[t].texCoord[2] = tris[t].texCoord[0];
  for (std::size_t t = 3; t < tris.size(); t += 11) {
    tris[t].texCoord[2] = {
        {2 * tris[t].texCoord[1].u - tris[t].texCoord[0].u, 2 * tris[t].texCoord[1].v - tris[t].texCoord[0].v}};
  }
  tris[5].vert[1] = tris[5].vert[0];
  return tris;
}

// How many corners turn more than 90 degrees from their own normal.
int SharplyTurnedCorners(const std::vector<RlRawTriangle>& tris) {
  int count = 0;
  for (const RlRawTriangle& t : tris) {
    const RlRawPoint &a = t.vert[0], &b = t.vert[1], &c = t.vert[2];
    const double e[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, f[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    const double n[3] = {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
    for (const RlRawPoint& m : t.norm) count += n[0] * m.x + n[1] * m.y + n[2] * m.z < 0;
  }
  return count;
}

class TangentFrames : public RlfProgramTest {
 protected:
  // The glb's tangents compared with the reference algorithm's: corners, maxDifference,
  // signMismatches and mixedTriangles (none of them when the comparison fails).
  nlohmann::json AgainstReference(const std::string& glb) {
    const std::string command = "NODE_PATH=" + Quoted(RL_NODE_MODULES) + " " + Quoted(RL_NODE) + " " +
                                Quoted(RL_MIKKTSPACE_CHECK) + " " + Quoted(Path(glb)) + " > " +
                                Quoted(Path("check.json"));
    nlohmann::json check;
    if (std::system(command.c_str()) == 0) check = nlohmann::json::parse(Slurp(Path("check.json")), nullptr, false);
    return check.is_object() ? check : nlohmann::json::object();
  }
};

TEST_F(TangentFrames, AreTheReferenceFramesWithOneHandednessPerTriangle) {
  RL_REQUIRE_TOOL(!std::string(RL_NODE).empty(), "node (for the reference algorithm)");
  ASSERT_EQ(Rlf({"export", "-o", "sample.rlf"}).status, 0);
  // Each mesh also shuffled: the reference's frames follow the triangles' order only for
  // triangles without texture area, and the glb must follow them in any order.
  struct Case {
    std::string name;
    std::vector<RlRawTriangle> tris;
  };
  const std::vector<Case> table = {
      {"bent tube, mirrored", BentTube(6, 6, 7)},    {"degenerate mappings", DegenerateUvs()},
      {"one shell with a seam", Torus(16, 8)},       {"mixed trouble", TroubleMesh(300, 3)},
      {"the sample scene", Triangles("sample.rlf")},
  };
  ASSERT_GT(SharplyTurnedCorners(table[0].tris), 0) << "the bent tube has no corner that tests the rule";
  for (const auto& [name, tris] : table) {
    std::vector<std::size_t> order;
    WriteRlf("mesh.rlf", tris);
    WriteRlf("shuffled.rlf", Shuffled(tris, &order));
    for (const char* file : {"mesh", "shuffled"}) {
      SCOPED_TRACE(name + ", " + file);
      ASSERT_EQ(Rlf({"weld", std::string(file) + ".rlf", "-o", std::string(file) + ".glb"}).status, 0);
      const nlohmann::json c = AgainstReference(std::string(file) + ".glb");
      EXPECT_EQ(c.value("corners", -1), static_cast<int>(3 * tris.size()));
      EXPECT_LE(c.value("maxDifference", INFINITY), 1e-6);
      EXPECT_EQ(c.value("signMismatches", -1), 0);
      EXPECT_EQ(c.value("mixedTriangles", -1), 0);
      ASSERT_EQ(Rlf({"weld", std::string(file) + ".rlf", "-o", "library.glb", "--tangents", "library"}).status, 0);
      EXPECT_EQ(AgainstReference("library.glb").value("mixedTriangles", -1), 0);
    }
  }
}

}  // namespace
