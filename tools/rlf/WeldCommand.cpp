// rlf weld: an RLF file welded into an indexed vertex buffer with tangent frames,
// written as binary glTF or as OBJ.
#include <tiny_gltf.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "GltfMesh.h"
#include "MeshInput.h"
#include "NonFinite.h"
#include "OutputFile.h"
#include "RlTangentSpace.h"

namespace {

struct Welded {
  int numVerts = 0;
  std::unique_ptr<RlTangentPointD[]> verts;
  std::unique_ptr<RlIndex[]> indices;
};

// Appends an accessor over data (count elements of `components` floats, or uint32).
int AddAccessor(tinygltf::Model& model, const void* data, std::size_t bytes, std::size_t count, int type,
                int componentType, int target, std::vector<double> min = {}, std::vector<double> max = {}) {
  tinygltf::Buffer& buffer = model.buffers[0];
  while (buffer.data.size() % 4 != 0) buffer.data.push_back(0);
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = buffer.data.size();
  view.byteLength = bytes;
  view.target = target;
  const auto* begin = static_cast<const unsigned char*>(data);
  buffer.data.insert(buffer.data.end(), begin, begin + bytes);
  model.bufferViews.push_back(view);
  tinygltf::Accessor accessor;
  accessor.bufferView = static_cast<int>(model.bufferViews.size()) - 1;
  accessor.componentType = componentType;
  accessor.count = count;
  accessor.type = type;
  accessor.minValues = std::move(min);
  accessor.maxValues = std::move(max);
  model.accessors.push_back(accessor);
  return static_cast<int>(model.accessors.size()) - 1;
}

void WriteGlb(const RlGltfMesh& mesh, OutputFile& file) {
  const std::size_t n = mesh.vertices.size(), numTris = mesh.indices.size();
  std::vector<float> positions(3 * n), normals(3 * n), uvs(2 * n), tangents(4 * n);
  std::vector<double> min(3, INFINITY), max(3, -INFINITY);
  for (std::size_t i = 0; i < n; ++i) {
    const RlGltfVertex& v = mesh.vertices[i];
    std::memcpy(&positions[3 * i], v.position, sizeof v.position);
    std::memcpy(&normals[3 * i], v.normal, sizeof v.normal);
    std::memcpy(&uvs[2 * i], v.uv, sizeof v.uv);
    std::memcpy(&tangents[4 * i], v.tangent, sizeof v.tangent);
    for (std::size_t k = 0; k < 3; ++k) {
      min[k] = std::min(min[k], double{v.position[k]});
      max[k] = std::max(max[k], double{v.position[k]});
    }
  }
  std::vector<uint32_t> indices(3 * numTris);
  for (std::size_t t = 0; t < numTris; ++t) {
    for (std::size_t j = 0; j < 3; ++j) {
      indices[3 * t + j] = static_cast<uint32_t>(mesh.indices[t].idx[j]);
    }
  }

  tinygltf::Model model;
  model.asset.version = "2.0";
  model.asset.generator = "rlf weld";
  model.buffers.resize(1);
  tinygltf::Primitive primitive;
  primitive.mode = TINYGLTF_MODE_TRIANGLES;
  primitive.attributes["POSITION"] = AddAccessor(model, positions.data(), positions.size() * 4, n, TINYGLTF_TYPE_VEC3,
                                                 TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TARGET_ARRAY_BUFFER, min, max);
  primitive.attributes["NORMAL"] = AddAccessor(model, normals.data(), normals.size() * 4, n, TINYGLTF_TYPE_VEC3,
                                               TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TARGET_ARRAY_BUFFER);
  primitive.attributes["TEXCOORD_0"] = AddAccessor(model, uvs.data(), uvs.size() * 4, n, TINYGLTF_TYPE_VEC2,
                                                   TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TARGET_ARRAY_BUFFER);
  primitive.attributes["TANGENT"] = AddAccessor(model, tangents.data(), tangents.size() * 4, n, TINYGLTF_TYPE_VEC4,
                                                TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TARGET_ARRAY_BUFFER);
  primitive.indices = AddAccessor(model, indices.data(), indices.size() * 4, indices.size(), TINYGLTF_TYPE_SCALAR,
                                  TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  tinygltf::Mesh gltfMesh;
  gltfMesh.name = "welded";
  gltfMesh.primitives.push_back(primitive);
  model.meshes.push_back(gltfMesh);
  tinygltf::Node node;
  node.mesh = 0;
  model.nodes.push_back(node);
  tinygltf::Scene scene;
  scene.nodes.push_back(0);
  model.scenes.push_back(scene);
  model.defaultScene = 0;
  tinygltf::TinyGLTF writer;
  writer.WriteGltfSceneToStream(&model, file.Ostream(), false, true);
}

// Floats as "%.9g", enough digits to read back the same float.
void WriteObj(const Welded& w, std::size_t numTris, OutputFile& file) {
  FILE* out = file.Stream();
  std::fprintf(out, "# welded by rlf weld: %d vertices, %zu triangles\n", w.numVerts, numTris);
  for (int i = 0; i < w.numVerts; ++i) {
    const RlTangentPointD v = w.verts[i];
    std::fprintf(out, "v %.9g %.9g %.9g\n", static_cast<double>(static_cast<float>(v.vertex[0])),
                 static_cast<double>(static_cast<float>(v.vertex[1])),
                 static_cast<double>(static_cast<float>(v.vertex[2])));
  }
  for (int i = 0; i < w.numVerts; ++i) {
    const RlTangentPointD v = w.verts[i];
    std::fprintf(out, "vt %.9g %.9g\n", static_cast<double>(static_cast<float>(v.uv[0])),
                 static_cast<double>(static_cast<float>(v.uv[1])));
  }
  for (int i = 0; i < w.numVerts; ++i) {
    const RlTangentPointD v = w.verts[i];
    std::fprintf(out, "vn %.9g %.9g %.9g\n", static_cast<double>(static_cast<float>(v.normal[0])),
                 static_cast<double>(static_cast<float>(v.normal[1])),
                 static_cast<double>(static_cast<float>(v.normal[2])));
  }
  for (std::size_t t = 0; t < numTris; ++t) {
    const int a = w.indices[t].idx[0] + 1, b = w.indices[t].idx[1] + 1, c = w.indices[t].idx[2] + 1;
    std::fprintf(out, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c);
  }
}

struct WeldOptions {
  std::string input, output;
  bool skipNonFinite = false;
  FrameChoice frames;
};

// The input's triangles, the non-finite ones refused or, when asked, dropped; false when
// it cannot be read, is refused, or holds no triangles (the line said).
bool ReadWeldable(const WeldOptions& options, std::vector<RlRawTriangle>* tris) {
  std::string error;
  if (!ReadMesh(options.input, tris, &error)) {
    std::cerr << "rlf: " << error << "\n";
    return false;
  }
  // glTF cannot hold infinities or NaNs, and the weld would merge them into neighbours.
  const NonFiniteCount nonFinite = CountNonFinite(*tris);
  if (nonFinite.count > 0 && !options.skipNonFinite) {
    std::cerr << "rlf: " << options.input << ": " << Describe(nonFinite) << "; --skip-non-finite drops them\n";
    return false;
  }
  if (nonFinite.count > 0) {
    std::erase_if(*tris, [](const RlRawTriangle& t) { return !IsFinite(t); });
    std::cout << "dropped " << nonFinite.count << " of " << nonFinite.total
              << " triangles for their non-finite values\n";
  }
  if (tris->empty()) {
    std::cerr << "rlf: " << options.input << " holds no triangles to weld\n";
    return false;
  }
  return true;
}

// Welds tris and writes them to file as a glb or an OBJ; false when memory runs out. The
// glb's vertices carry tangents, so a welded vertex may become several; the OBJ's are the
// library's welded vertices as they are. *vertices says how many were written.
bool WeldInto(std::vector<RlRawTriangle>& tris, bool glb, RlTangentBasis basis, OutputFile& file, int* vertices) {
  if (glb) {
    RlGltfMesh mesh;
    if (!RlWeldGltfMesh(tris, basis, &mesh)) return false;
    *vertices = static_cast<int>(mesh.vertices.size());
    WriteGlb(mesh, file);
    return true;
  }
  Welded w;
  RlTangentPointD* verts = nullptr;
  RlIndex* indices = nullptr;
  const bool ok = RlCreateVertexBuffers(static_cast<int>(tris.size()), tris.data(), &w.numVerts, &verts, &indices);
  w.verts.reset(verts);
  w.indices.reset(indices);
  if (!ok) return false;
  *vertices = w.numVerts;
  WriteObj(w, tris.size(), file);
  return true;
}

int RunWeld(const WeldOptions& options) {
  const std::string& output = options.output;
  const bool glb = output.size() >= 4 && output.compare(output.size() - 4, 4, ".glb") == 0;
  const bool obj = output.size() >= 4 && output.compare(output.size() - 4, 4, ".obj") == 0;
  if (!glb && !obj) {
    std::cerr << "rlf: " << output << ": the output must end in .glb or .obj\n";
    return 2;
  }
  std::vector<RlRawTriangle> tris;
  if (!ReadWeldable(options, &tris)) return 1;
  OutputFile file(output);
  if (!file.Open()) {
    std::cerr << "rlf: " << file.Error() << "\n";
    return 1;
  }
  int vertices = 0;
  if (!WeldInto(tris, glb, options.frames.Basis(), file, &vertices)) {
    std::cerr << "rlf: " << options.input << ": not enough memory to weld " << tris.size() << " triangles\n";
    return 1;
  }
  if (!file.Commit()) {
    std::cerr << "rlf: " << file.Error() << "\n";
    return 1;
  }
  std::cout << "welded " << tris.size() << " triangles into " << vertices << " vertices: " << output << "\n";
  return 0;
}

}  // namespace

void AddWeldCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<WeldOptions>();
  CLI::App* command =
      app.add_subcommand("weld", "Weld a mesh into an indexed mesh with tangent frames, as binary glTF (.glb) or OBJ");
  command->add_option("file", options->input, "RLF file, or any scene rlf export reads")->required();
  command->add_option("-o,--output", options->output, "OUT.glb or OUT.obj")->required();
  command->add_flag("--skip-non-finite", options->skipNonFinite,
                    "Drop triangles holding infinities or NaNs instead of refusing the file");
  AddFrameOptions(command, &options->frames, false, false);
  command->callback([options, &exitStatus] { exitStatus = RunWeld(*options); });
}
