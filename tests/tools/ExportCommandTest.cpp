// rlf export on OBJ and glTF scenes the tests write, read back with the library.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "RlfProgram.h"

namespace {

// Two objects and two materials; the pentagon object also holds a face without uvs.
const char kObj[] = R"(# test scene
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
v 2 0 0
v 3 0 0
v 3.5 1 0
v 2.5 2 0
v 1.5 1 0
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vn 0 0 1
vn 0 0 -1
o quad
usemtl red
f 1/1/1 2/2/1 3/3/1 4/4/1
o pentagon
usemtl blue
f 5/1/2 6/2/2 7/3/2 8/4/2 9/1/2
usemtl red
f 1//1 2//1 4//1
)";

}  // namespace

TEST_F(RlfProgramTest, ExportsAnObjSceneSetBySet) {
  Write("scene.obj", kObj);
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

  ASSERT_EQ(Rlf({"export", "scene.obj", "-o", "picked.rlf", "--select", "pentagon"}).status, 0);
  EXPECT_EQ(Triangles("picked.rlf").size(), 4u);
}

// What files written elsewhere hold: CRLF line ends, tabs, comments after statements,
// signs and exponents, negative (relative) indices, a group of several names.
TEST_F(RlfProgramTest, ReadsObjFilesAsOtherToolsWriteThem) {
  Write("other.obj",
        "# made elsewhere\r\nv\t0 0 0 # origin\r\nv +1e0 0 0\r\nv 0 1.0E+00 0\r\n"
        "vt 0 0\r\nvt 1 0\r\nvt 0 1\r\ng first second\r\nf -3/-3 -2/-2 -1/-1\r\n");
  const RunResult r = Rlf({"export", "other.obj", "-o", "out.rlf", "--select", "first"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<RlRawTriangle> tris = Triangles("out.rlf");
  ASSERT_EQ(tris.size(), 1u);
  EXPECT_EQ(tris[0].vert[1].x, 1.0f);
  EXPECT_EQ(tris[0].vert[2].y, 1.0f);
  EXPECT_EQ(tris[0].texCoord[2].v, 1.0f);
  EXPECT_EQ(tris[0].norm[0].z, 1.0f);

  // A polygon of more corners than the plug-in takes is counted in the summary.
  std::string ngon = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf";
  for (int i = 0; i < 1025; ++i) ngon += " " + std::to_string(1 + i % 3);
  Write("ngon.obj", ngon + "\n");
  const RunResult large = Rlf({"export", "ngon.obj", "-o", "out.rlf"});
  EXPECT_EQ(large.out, "exported ngon.obj to out.rlf (1 polygon of more than 1024 corners left out by the plug-in)\n");
  EXPECT_EQ(Triangles("out.rlf").size(), 1u);
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
  Write("bent.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nf 1 2 3 4\nf 1 5 2\n");
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

TEST_F(RlfProgramTest, ExportsAGltfHierarchyInWorldSpace) {
  // One triangle: positions then normals, 36 bytes each.
  std::string bin;
  const float data[18] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1};
  bin.assign(reinterpret_cast<const char*>(data), sizeof data);
  Write("tri.bin", bin);
  Write("scene.gltf", R"({
  "asset": {"version": "2.0"},
  "scene": 0,
  "scenes": [{"nodes": [0]}],
  "nodes": [
    {"name": "parent", "translation": [10, 0, 0], "scale": [2, 2, 2], "children": [1]},
    {"name": "child", "mesh": 0, "translation": [0, 1, 0]}
  ],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1}, "material": 0}]}],
  "materials": [{"name": "steel"}],
  "buffers": [{"uri": "tri.bin", "byteLength": 72}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 72}],
  "accessors": [
    {"bufferView": 0, "byteOffset": 0, "componentType": 5126, "count": 3, "type": "VEC3",
     "min": [0, 0, 0], "max": [1, 1, 0]},
    {"bufferView": 0, "byteOffset": 36, "componentType": 5126, "count": 3, "type": "VEC3"}
  ]
})");
  const RunResult r = Rlf({"export", "scene.gltf", "-o", "out.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<RlRawTriangle> tris = Triangles("out.rlf");
  ASSERT_EQ(tris.size(), 1u);
  // (x, y, z) in the child is (2x + 10, 2y + 2, 2z) in the world.
  EXPECT_EQ(tris[0].vert[1].x, 12.0f);
  EXPECT_EQ(tris[0].vert[1].y, 2.0f);
  EXPECT_EQ(tris[0].vert[2].y, 4.0f);
  EXPECT_EQ(tris[0].norm[0].z, 1.0f);
}

// Strips and fans come out as triangles in glTF's winding (each facing +z here);
// points and lines are skipped with a warning.
TEST_F(RlfProgramTest, ReadsGltfStripsAndFansAndSaysWhatItSkips) {
  const float square[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};  // strip order: a zigzag
  const float fan[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};     // fan order: around the first
  std::string bin(reinterpret_cast<const char*>(square), sizeof square);
  bin.append(reinterpret_cast<const char*>(fan), sizeof fan);
  Write("modes.bin", bin);
  Write("modes.gltf", R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0, 1, 2]}],
  "nodes": [{"mesh": 0}, {"mesh": 1}, {"mesh": 2}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "mode": 5}]},
             {"primitives": [{"attributes": {"POSITION": 1}, "mode": 6}]},
             {"primitives": [{"attributes": {"POSITION": 0}, "mode": 0}]}],
  "buffers": [{"uri": "modes.bin", "byteLength": 96}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48, "byteLength": 48}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
                {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]}]})");
  const RunResult r = Rlf({"export", "modes.gltf", "-o", "out.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "rlf: warning: modes.gltf: 1 primitives of points or lines skipped (they have no polygons)\n");
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
  // last 3: the triangle (0, 1, 3).
  const float corners[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  const uint16_t indices[4] = {0, 1, 2, 0}, sparseTarget[2] = {2, 0}, sparseValue[2] = {3, 0};
  std::string bin(reinterpret_cast<const char*>(corners), sizeof corners);
  bin.append(reinterpret_cast<const char*>(indices), sizeof indices);
  bin.append(reinterpret_cast<const char*>(sparseTarget), sizeof sparseTarget);
  bin.append(reinterpret_cast<const char*>(sparseValue), sizeof sparseValue);
  Write("quad.bin", bin);
  std::string nodes;
  const int depth = 2000;
  for (int i = 0; i < depth; ++i) nodes += R"({"children": [)" + std::to_string(i + 1) + "]}, ";
  Write("sparse.gltf", R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0]}], "nodes": [)" + nodes +
                           R"({"mesh": 0, "translation": [0, 0, 5]}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],
    "buffers": [{"uri": "quad.bin", "byteLength": 64}],
    "bufferViews": [{"buffer": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48, "byteLength": 8},
                    {"buffer": 0, "byteOffset": 56, "byteLength": 4}, {"buffer": 0, "byteOffset": 60, "byteLength": 4}],
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [0,0,0], "max": [1,1,0]},
                  {"bufferView": 1, "componentType": 5123, "count": 3, "type": "SCALAR",
                   "sparse": {"count": 1, "indices": {"bufferView": 2, "componentType": 5123},
                              "values": {"bufferView": 3}}}]})");
  RunResult r = Rlf({"export", "sparse.gltf", "-o", "sparse.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<RlRawTriangle> tris = Triangles("sparse.rlf");
  ASSERT_EQ(tris.size(), 1u);
  EXPECT_EQ(tris[0].vert[2].x, 0.0f);
  EXPECT_EQ(tris[0].vert[2].y, 1.0f);
  EXPECT_EQ(tris[0].vert[2].z, 5.0f);  // below every level of the chain

  Write("scene.obj", kObj);
  ASSERT_EQ(Rlf({"export", "scene.obj", "-o", "scene.rlf"}).status, 0);
  ASSERT_EQ(Rlf({"weld", "scene.rlf", "-o", "welded.glb"}).status, 0);
  std::filesystem::copy_file(Path("welded.glb"), Path("named.gltf"));
  r = Rlf({"export", "named.gltf", "-o", "named.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Triangles("named.rlf").size(), Triangles("scene.rlf").size());
}

TEST_F(RlfProgramTest, BadScenesGetOneLineAndNoOutput) {
  Write("range.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n");
  Write("zero.obj", "v 0 0 0\nv 1 0 0\n\nv 0 1 0\nf 1 2 0\n");
  Write("number.obj", "v 0 0 0\nv 1,5 0 0\n");
  Write("broken.gltf", "{ this is not json");
  Write("badindex.gltf", R"({"asset": {"version": "2.0"}, "nodes": [{"mesh": 0}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],
    "buffers": [{"uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAABwAIAAkAAAA=", "byteLength": 44}],
    "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 6}],
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0,0,0], "max": [0,0,0]},
                  {"bufferView": 1, "componentType": 5123, "count": 3, "type": "SCALAR"}]})");
  Write("scene.txt", "hello");
  Write("v3.gltf", R"({"asset": {"version": "3.0"}, "scenes": [{"nodes": []}]})");
  // Compressed primitives whose block is not Draco data, or not there.
  for (const char* view : {"0", "7"}) {
    Write(std::string("draco") + view + ".gltf",
          std::string(R"({"asset": {"version": "2.0"}, "extensionsRequired": ["KHR_draco_mesh_compression"],
      "extensionsUsed": ["KHR_draco_mesh_compression"], "nodes": [{"mesh": 0, "name": "n"}],
      "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1,
        "extensions": {"KHR_draco_mesh_compression": {"bufferView": )") +
              view + R"(, "attributes": {"POSITION": 0}}}}]}],
      "buffers": [{"uri": "data:application/octet-stream;base64,AAAAAAAAAAA=", "byteLength": 8}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 8}],
      "accessors": [{"componentType": 5126, "count": 3, "type": "VEC3", "min": [0,0,0], "max": [0,0,0]},
                    {"componentType": 5123, "count": 3, "type": "SCALAR"}]})");
  }
  Write("instanced.gltf", R"({"asset": {"version": "2.0"}, "extensionsRequired": ["EXT_mesh_gpu_instancing"],
    "extensionsUsed": ["EXT_mesh_gpu_instancing"], "scenes": [{"nodes": []}]})");
  // Shapes glTF forbids, buffers that are not files, and data under another format's name.
  const std::string triangle = R"("meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "mode": MODE}]}],
    "buffers": [{"uri": "URI", "byteLength": 36}], "bufferViews": [{"buffer": 0, "byteLength": 36}],
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0,0,0], "max": [0,0,0]}]})";
  const auto gltf = [&](const std::string& nodes, const std::string& uri, int mode = 4) {
    std::string body = triangle;
    body.replace(body.find("URI"), 3, uri);
    body.replace(body.find("MODE"), 4, std::to_string(mode));
    return R"({"asset": {"version": "2.0"}, "nodes": )" + nodes + ", " + body;
  };
  const std::string zeros = "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
  Write("dag.gltf", gltf(R"([{"children": [1, 1]}, {"mesh": 0}])", zeros));
  Write("cycle.gltf", gltf(R"([{"mesh": 0}, {"children": [2]}, {"children": [1]}])", zeros));
  Write("mode7.gltf", gltf(R"([{"mesh": 0, "name": "n"}])", zeros, 7));
  Write("dirbuffer.gltf", gltf(R"([{"mesh": 0}])", "."));
  Write("fifobuffer.gltf", gltf(R"([{"mesh": 0}])", "pipe.bin"));
  ASSERT_EQ(mkfifo(Path("pipe.bin").c_str(), 0666), 0);
  ASSERT_EQ(mkfifo(Path("fifo.obj").c_str(), 0666), 0);
  Write("ply.obj", "ply\nformat ascii 1.0\nelement vertex 3\n");
  struct Case {
    const char* scene;
    const char* expected;  // in the message
  };
  const Case cases[] = {
      {"missing.obj", "missing.obj"},
      {"range.obj", "range.obj:4: vertex index 9 out of range (3 defined)"},
      {"zero.obj", "zero.obj:5: vertex index 0 out of range"},
      {"number.obj", "number.obj:2: \"1,5\" is not a number"},
      {"broken.gltf", "broken.gltf"},
      {"badindex.gltf", "badindex.gltf: index 7 out of range (3 vertices)"},
      {"scene.txt", "scene.txt: unknown scene format"},
      {"v3.gltf", "v3.gltf: glTF 3.0 is not read; only glTF 1.0 and 2.0 are"},
      {"draco0.gltf", "draco0.gltf: the compressed primitive of \"nShape\" cannot be decoded: "},
      {"draco7.gltf", "draco7.gltf: the compressed primitive of \"nShape\" names buffer view 7, which does not exist"},
      {"instanced.gltf",
       "instanced.gltf: requires the extension EXT_mesh_gpu_instancing, which this reader does not "
       "follow"},
      {"dag.gltf", "dag.gltf: node 1 has two parents, 0 and 0 (glTF nodes have one)"},
      {"cycle.gltf", "cycle.gltf: the nodes 1, 2 form a cycle, each below the next"},
      {"mode7.gltf", "mode7.gltf: a primitive of \"nShape\" has mode 7, which glTF does not define (0 to 6)"},
      {"dirbuffer.gltf", "Is a directory"},
      {"fifobuffer.gltf", "pipe.bin: not a regular file (a FIFO or a device)"},
      {"fifo.obj", "fifo.obj: not a regular file (a FIFO or a device)"},
      {"ply.obj", "ply.obj: holds PLY data, not Wavefront OBJ text; name the file by its format"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scene);
    const RunResult r = Rlf({"export", c.scene, "-o", "out.rlf"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(Exists("out.rlf"));
  }
  Write("scene.obj", kObj);
  const RunResult unknown = Rlf({"export", "scene.obj", "-o", "out.rlf", "--select", "nobody"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_FALSE(Exists("out.rlf"));
  EXPECT_EQ(Rlf({"export", "scene.obj"}).status, 2);  // no output: bad usage
}

TEST_F(RlfProgramTest, TheBuiltInSampleExportsWithoutInput) {
  const RunResult r = Rlf({"export", "-o", "sample.rlf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Triangles("sample.rlf").size(), 2u * 48 * 24 + 12 + 6 + 2);
}
