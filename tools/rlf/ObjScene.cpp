// Wavefront OBJ scenes, read with tinyobjloader's streaming interface: every statement
// arrives in file order, so o/g and usemtl apply to the faces that follow them.
#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "SceneFiles.h"
#include "SmoothNormals.h"
#include "host/Scene.h"

namespace {

struct ObjMesh {
  std::string name;
  host::MeshDesc mesh;
  std::map<int, int> pointOf;    // file vertex -> mesh point
  std::map<int, int> normalOf;   // file normal -> mesh normal
  std::map<int, int> uvOf;       // file texcoord -> mesh uv
  std::vector<float> uvPool;      // u, v pairs, split into the mesh's u and v at the end
  std::vector<std::string> faceMaterial;
  bool hasNormals = false;
};

struct ObjReader {
  std::string path;
  std::istringstream* stream = nullptr;
  std::size_t textSize = 0;
  std::vector<std::size_t> lineStarts;
  std::vector<float> positions, normals, uvs;
  std::vector<ObjMesh> meshes;
  std::string material = "default";
  std::string error;

  // The line just read: the stream stands just after it (or at the end of the text).
  int Line() {
    const std::streampos pos = stream->tellg();
    const std::size_t at = pos < 0 ? textSize : static_cast<std::size_t>(pos);
    return static_cast<int>(std::upper_bound(lineStarts.begin(), lineStarts.end(), at == 0 ? 0 : at - 1) -
                            lineStarts.begin());
  }
  void Fail(const std::string& what) {
    if (error.empty()) {
      error = path + ":" + std::to_string(Line()) + ": " + what;
    }
  }
  ObjMesh& Current() {
    if (meshes.empty()) {
      meshes.push_back(ObjMesh{"default", {}, {}, {}, {}, {}, {}, false});
    }
    return meshes.back();
  }
  void StartMesh(const std::string& name) {
    if (!meshes.empty() && meshes.back().mesh.faceCounts.empty()) {
      meshes.back().name = name;  // nothing of the previous one yet
      return;
    }
    meshes.push_back(ObjMesh{name, {}, {}, {}, {}, {}, {}, false});
  }
  // An OBJ index (1-based, or negative from the end; 0 = none) into count elements.
  bool Resolve(int raw, std::size_t count, int* index, const char* what) {
    const long long resolved = raw > 0 ? raw - 1LL : static_cast<long long>(count) + raw;
    if (raw == 0 || resolved < 0 || resolved >= static_cast<long long>(count)) {
      Fail(std::string(what) + " index " + std::to_string(raw) + " out of range (" +
           std::to_string(count) + " defined)");
      return false;
    }
    *index = static_cast<int>(resolved);
    return true;
  }
  // The mesh-local id of a file element, adding it on first use.
  static int Local(std::map<int, int>& of, int file, const std::vector<float>& pool, int width,
                   std::vector<float>& into) {
    const auto found = of.find(file);
    if (found != of.end()) {
      return found->second;
    }
    const int local = static_cast<int>(into.size()) / width;
    into.insert(into.end(), pool.begin() + file * width, pool.begin() + file * width + width);
    of.emplace(file, local);
    return local;
  }
  void Face(const tinyobj::index_t* indices, int count) {
    if (!error.empty()) {
      return;
    }
    if (count < 3) {
      Fail("a face needs at least 3 vertices");
      return;
    }
    ObjMesh& m = Current();
    std::vector<int> verts, norms, uvIds;
    for (int i = 0; i < count; ++i) {
      int v = 0, n = -1, t = -1;
      if (!Resolve(indices[i].vertex_index, positions.size() / 3, &v, "vertex")) return;
      if (indices[i].normal_index != 0 && !Resolve(indices[i].normal_index, normals.size() / 3, &n, "normal")) return;
      if (indices[i].texcoord_index != 0 && !Resolve(indices[i].texcoord_index, uvs.size() / 2, &t, "texture coordinate")) return;
      verts.push_back(Local(m.pointOf, v, positions, 3, m.mesh.points));
      norms.push_back(n < 0 ? -1 : Local(m.normalOf, n, normals, 3, m.mesh.normals));
      uvIds.push_back(t < 0 ? -1 : Local(m.uvOf, t, uvs, 2, m.uvPool));
    }
    m.mesh.faceCounts.push_back(count);
    m.mesh.faceVerts.insert(m.mesh.faceVerts.end(), verts.begin(), verts.end());
    m.mesh.faceNormalIds.insert(m.mesh.faceNormalIds.end(), norms.begin(), norms.end());
    m.mesh.faceUVIds.insert(m.mesh.faceUVIds.end(), uvIds.begin(), uvIds.end());
    m.faceMaterial.push_back(material);
    m.hasNormals = m.hasNormals || std::any_of(norms.begin(), norms.end(), [](int x) { return x >= 0; });
  }
};

}  // namespace

void LoadObjScene(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw SceneError(path + ": cannot be read");
  }
  std::ostringstream contents;
  contents << file.rdbuf();
  const std::string text = contents.str();
  std::istringstream stream(text);

  ObjReader reader;
  reader.path = path;
  reader.stream = &stream;
  reader.textSize = text.size();
  reader.lineStarts.push_back(0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      reader.lineStarts.push_back(i + 1);
    }
  }

  tinyobj::callback_t callbacks;
  callbacks.vertex_cb = [](void* r, tinyobj::real_t x, tinyobj::real_t y, tinyobj::real_t z, tinyobj::real_t) {
    static_cast<ObjReader*>(r)->positions.insert(static_cast<ObjReader*>(r)->positions.end(), {x, y, z});
  };
  callbacks.normal_cb = [](void* r, tinyobj::real_t x, tinyobj::real_t y, tinyobj::real_t z) {
    static_cast<ObjReader*>(r)->normals.insert(static_cast<ObjReader*>(r)->normals.end(), {x, y, z});
  };
  callbacks.texcoord_cb = [](void* r, tinyobj::real_t u, tinyobj::real_t v, tinyobj::real_t) {
    static_cast<ObjReader*>(r)->uvs.insert(static_cast<ObjReader*>(r)->uvs.end(), {u, v});
  };
  callbacks.index_cb = [](void* r, tinyobj::index_t* indices, int count) {
    static_cast<ObjReader*>(r)->Face(indices, count);
  };
  callbacks.usemtl_cb = [](void* r, const char* name, int) {
    static_cast<ObjReader*>(r)->material = name;
  };
  callbacks.group_cb = [](void* r, const char** names, int count) {
    static_cast<ObjReader*>(r)->StartMesh(count > 0 ? names[0] : "default");
  };
  callbacks.object_cb = [](void* r, const char* name) {
    static_cast<ObjReader*>(r)->StartMesh(name);
  };
  std::string warn, err;
  const bool parsed = tinyobj::LoadObjWithCallback(stream, callbacks, &reader, nullptr, &warn, &err);
  if (!reader.error.empty()) {
    throw SceneError(reader.error);
  }
  if (!parsed) {
    throw SceneError(path + ": " + (err.empty() ? "not an OBJ file" : err));
  }

  // One transform with a mesh shape per o/g; one renderable set per material name.
  host::Scene& scene = host::Scene::Active();
  std::map<std::string, int> sets;
  for (ObjMesh& m : reader.meshes) {
    if (m.mesh.faceCounts.empty()) {
      continue;
    }
    for (std::size_t i = 0; i < m.uvPool.size(); i += 2) {
      m.mesh.u.push_back(m.uvPool[i]);
      m.mesh.v.push_back(m.uvPool[i + 1]);
    }
    if (!m.hasNormals) {
      SmoothNormals(m.mesh);
    } else if (std::find(m.mesh.faceNormalIds.begin(), m.mesh.faceNormalIds.end(), -1) !=
               m.mesh.faceNormalIds.end()) {
      throw SceneError(path + ": mesh \"" + m.name + "\" gives normals to some face-vertices only");
    }
    const host::NodeId shape =
        scene.AddMesh(m.name + "Shape", scene.AddTransform(m.name), std::move(m.mesh));
    std::map<std::string, std::vector<int>> facesOf;
    for (std::size_t f = 0; f < m.faceMaterial.size(); ++f) {
      facesOf[m.faceMaterial[f]].push_back(static_cast<int>(f));
    }
    for (auto& [material, faces] : facesOf) {
      auto [set, added] = sets.try_emplace(material, 0);
      if (added) {
        set->second = scene.AddShadingSet(material);
      }
      scene.AssignFaces(set->second, shape, std::move(faces));
    }
  }
}
