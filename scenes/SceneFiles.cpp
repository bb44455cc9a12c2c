#include "SceneFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "host/Scene.h"

const std::vector<SceneFormat>& SceneFormats() {
  static const std::vector<SceneFormat> formats = [] {
    std::vector<SceneFormat> table = {
        {"Wavefront OBJ", {".obj"}, LoadObjScene},
        {"glTF 2.0", {".gltf", ".glb"}, LoadGltfScene},
    };
    // Assimp takes every extension the readers above do not.
    SceneFormat assimp{"through Assimp", {}, LoadAssimpScene};
    for (const std::string& extension : AssimpExtensions()) {
      const bool taken = std::any_of(table.begin(), table.end(), [&](const SceneFormat& f) {
        return std::find(f.extensions.begin(), f.extensions.end(), extension) != f.extensions.end();
      });
      if (!taken) assimp.extensions.push_back(extension);
    }
    table.push_back(std::move(assimp));
    return table;
  }();
  return formats;
}

std::vector<std::string> LoadSceneFile(const std::string& path, host::Scene& scene, const SceneOptions& options) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::vector<SceneFormat>& formats = SceneFormats();
  const auto format = std::find_if(formats.begin(), formats.end(), [&](const SceneFormat& f) {
    return std::find(f.extensions.begin(), f.extensions.end(), extension) != f.extensions.end();
  });
  if (format == formats.end()) {
    throw SceneError(path + ": unknown scene format (rlf export --list-formats lists those it reads)");
  }
  scene.Reset();
  try {
    SceneRead read = format->load(path, scene, options);
    if (!read.read) read = formats.back().load(path, scene, options);  // an older version, Assimp's to read
    return read.warnings;
  } catch (const SceneError&) {
    scene.Reset();
    throw;
  } catch (const std::invalid_argument& e) {  // the scene model refused a mesh
    scene.Reset();
    throw SceneError(path + ": " + e.what());
  }
}
