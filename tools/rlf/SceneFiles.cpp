#include "SceneFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "host/Scene.h"

void LoadSceneFile(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  host::Scene::Active().Reset();
  try {
    if (extension == ".obj") {
      LoadObjScene(path);
    } else if (extension == ".gltf" || extension == ".glb") {
      LoadGltfScene(path);
    } else {
      throw SceneError(path + ": unknown scene format (expected .obj, .gltf or .glb)");
    }
  } catch (const SceneError&) {
    host::Scene::Active().Reset();
    throw;
  } catch (const std::invalid_argument& e) {  // the scene model refused a mesh
    host::Scene::Active().Reset();
    throw SceneError(path + ": " + e.what());
  }
}
