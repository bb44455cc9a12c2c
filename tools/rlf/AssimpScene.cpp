// Scenes in every other format Assimp reads: the node hierarchy with its transforms,
// each mesh with its polygons kept whole (the plug-in triangulates through the host),
// its normals (area-weighted smooth ones where the file has none) and first texture
// coordinate set, materials as shading sets, and a mesh that several nodes reference
// placed under each of them (the host's instancing), so that it is exported once per
// instance. Texture coordinates follow Assimp's convention, which is the host's.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstring>
#include <iostream>
#include <map>
#include <unordered_map>
#include <vector>

#include "SceneFiles.h"
#include "SmoothNormals.h"
#include "host/Scene.h"

namespace {

// Positions as the key of a vertex shared by faces, bit for bit.
struct PositionKey {
  uint32_t bits[3];
  bool operator==(const PositionKey& other) const { return std::memcmp(bits, other.bits, sizeof bits) == 0; }
};
struct PositionHash {
  std::size_t operator()(const PositionKey& key) const {
    return (key.bits[0] * 73856093u) ^ (key.bits[1] * 19349663u) ^ (key.bits[2] * 83492791u);
  }
};

class AssimpReader {
 public:
  AssimpReader(const std::string& path, const aiScene& scene) : path_(path), scene_(scene) {}

  void AddNode(const aiNode& node, host::NodeId parent, int depth) {
    if (depth > 256) {
      throw SceneError(path_ + ": nodes nest too deep");
    }
    host::Scene& scene = host::Scene::Active();
    const std::string name = node.mName.length > 0 ? node.mName.C_Str() : "node" + std::to_string(++unnamed_);
    const host::NodeId transform = scene.AddTransform(name, parent, LocalMatrix(node.mTransformation));
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
      const unsigned index = node.mMeshes[i];
      if (index >= scene_.mNumMeshes) {
        throw SceneError(path_ + ": node \"" + name + "\" names mesh " + std::to_string(index) + ", which does not exist");
      }
      const auto placed = shapes_.find(index);
      if (placed != shapes_.end()) {
        scene.AddParent(placed->second, transform);  // another instance
      } else {
        AddMesh(index, name, transform);
      }
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i) {
      AddNode(*node.mChildren[i], transform, depth + 1);
    }
  }

  // Faces of one or two corners (points and lines) met so far: they have no polygons.
  std::size_t SkippedFaces() const { return skipped_; }

 private:
  // Assimp's matrices act on column vectors; the host's on row vectors.
  static host::Matrix LocalMatrix(const aiMatrix4x4& t) {
    const float* rows[4] = {t[0], t[1], t[2], t[3]};
    host::Matrix m;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        m.m[i][j] = rows[j][i];
      }
    }
    return m;
  }

  void AddMesh(unsigned index, const std::string& nodeName, host::NodeId parent) {
    const aiMesh& source = *scene_.mMeshes[index];
    host::MeshDesc mesh;
    const bool normals = source.HasNormals();
    const bool uvs = source.HasTextureCoords(0);
    // Without normals, vertices at one position are one point, so that smoothing
    // reaches across the faces that meet there.
    std::unordered_map<PositionKey, int, PositionHash> pointAt;
    std::vector<int> pointOf(source.mNumVertices);
    for (unsigned v = 0; v < source.mNumVertices; ++v) {
      const aiVector3D& p = source.mVertices[v];
      int point = static_cast<int>(mesh.points.size() / 3);
      if (!normals) {
        PositionKey key;
        std::memcpy(key.bits, &p.x, 4), std::memcpy(key.bits + 1, &p.y, 4), std::memcpy(key.bits + 2, &p.z, 4);
        const auto [found, added] = pointAt.try_emplace(key, point);
        point = found->second;
        if (!added) {
          pointOf[v] = point;
          continue;
        }
      }
      pointOf[v] = point;
      mesh.points.insert(mesh.points.end(), {p.x, p.y, p.z});
    }
    if (normals) {
      for (unsigned v = 0; v < source.mNumVertices; ++v) {
        const aiVector3D& n = source.mNormals[v];
        mesh.normals.insert(mesh.normals.end(), {n.x, n.y, n.z});
      }
    }
    if (uvs) {
      for (unsigned v = 0; v < source.mNumVertices; ++v) {
        mesh.u.push_back(source.mTextureCoords[0][v].x);
        mesh.v.push_back(source.mTextureCoords[0][v].y);
      }
    }
    for (unsigned f = 0; f < source.mNumFaces; ++f) {
      const aiFace& face = source.mFaces[f];
      if (face.mNumIndices < 3) {
        ++skipped_;
        continue;
      }
      mesh.faceCounts.push_back(static_cast<int>(face.mNumIndices));
      for (unsigned c = 0; c < face.mNumIndices; ++c) {
        const unsigned v = face.mIndices[c];
        if (v >= source.mNumVertices) {
          throw SceneError(path_ + ": a face of mesh " + std::to_string(index) + " names vertex " + std::to_string(v) +
                           ", which does not exist");
        }
        mesh.faceVerts.push_back(pointOf[v]);
        if (normals) mesh.faceNormalIds.push_back(static_cast<int>(v));
        if (uvs) mesh.faceUVIds.push_back(static_cast<int>(v));
      }
    }
    if (mesh.faceCounts.empty()) {
      return;  // points or lines only
    }
    if (!normals) {
      SmoothNormals(mesh);
    }
    host::Scene& scene = host::Scene::Active();
    const std::string name = source.mName.length > 0 ? source.mName.C_Str() : nodeName + "Shape";
    const host::NodeId shape = scene.AddMesh(name, parent, std::move(mesh));
    shapes_.emplace(index, shape);
    scene.AssignObject(SetOf(source.mMaterialIndex), shape);
  }

  // The shading set of a material, made on first use.
  int SetOf(unsigned material) {
    std::string name = "default";
    if (material < scene_.mNumMaterials) {
      aiString text;
      name = scene_.mMaterials[material]->Get(AI_MATKEY_NAME, text) == AI_SUCCESS && text.length > 0
                 ? text.C_Str()
                 : "material" + std::to_string(material);
    }
    const auto [set, added] = sets_.try_emplace(name, 0);
    if (added) {
      set->second = host::Scene::Active().AddShadingSet(name);
    }
    return set->second;
  }

  std::string path_;
  const aiScene& scene_;
  std::map<unsigned, host::NodeId> shapes_;  // Assimp mesh -> its host shape
  std::map<std::string, int> sets_;
  std::size_t skipped_ = 0;
  int unnamed_ = 0;
};

// One line of Assimp's error text.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text.empty() ? "not a scene Assimp can read" : text;
}

}  // namespace

void LoadAssimpScene(const std::string& path) {
  Assimp::Importer importer;
  // No post-processing: polygons stay whole, vertices as the file has them.
  const aiScene* scene = importer.ReadFile(path, 0);
  if (scene == nullptr || scene->mRootNode == nullptr || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0) {
    throw SceneError(path + ": " + OneLine(importer.GetErrorString()));
  }
  AssimpReader reader(path, *scene);
  reader.AddNode(*scene->mRootNode, host::kWorld, 0);
  if (reader.SkippedFaces() > 0) {
    std::cerr << "rlf: warning: " << path << ": " << reader.SkippedFaces()
              << " points or lines skipped (they have no polygons)\n";
  }
}

std::vector<std::string> AssimpExtensions() {
  std::string list;
  Assimp::Importer().GetExtensionList(list);  // "*.3ds;*.obj;..."
  std::vector<std::string> extensions;
  for (std::size_t at = 0; at < list.size();) {
    std::size_t end = list.find(';', at);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(at, end - at);
    if (item.rfind("*", 0) == 0) item.erase(0, 1);
    if (!item.empty()) extensions.push_back(item);
    at = end + 1;
  }
  return extensions;
}
