#include "SceneFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "InputFile.h"
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

namespace {

// The format a file's first bytes announce, for those that announce one; empty otherwise.
std::string AnnouncedFormat(const std::string& head) {
  const auto starts = [&](std::string_view magic) { return head.compare(0, magic.size(), magic) == 0; };
  if (starts("ply\n") || starts("ply\r\n")) return "PLY";
  if (starts("Kaydara FBX Binary")) return "FBX";
  if (starts("glTF")) return "binary glTF";
  if (starts("RLF ")) return "RLF";
  const bool utf16 = starts("\xFF\xFE") || starts("\xFE\xFF");
  if (!utf16 && head.find('\0') != std::string::npos) return "binary";
  return {};
}

// An OBJ file that is something else would read as an empty scene: it is refused, naming
// what it holds.
void CheckObjContent(const std::string& path) {
  std::string error;
  FILE* fp = OpenInput(path, &error);
  if (fp == nullptr) throw SceneError(error);
  std::string head(512, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), fp));
  std::fclose(fp);
  const std::string announced = AnnouncedFormat(head);
  if (!announced.empty()) {
    throw SceneError(path + ": holds " + announced + " data, not Wavefront OBJ text" +
                     (announced == "RLF" ? " (rlf info, weld, render and bake read RLF files)"
                                         : "; name the file by its format"));
  }
}

}  // namespace

void LoadSceneFile(const std::string& path) {
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
  host::Scene::Active().Reset();
  try {
    if (format->load == LoadObjScene) CheckObjContent(path);
    format->load(path);
  } catch (const SceneError&) {
    host::Scene::Active().Reset();
    throw;
  } catch (const std::invalid_argument& e) {  // the scene model refused a mesh
    host::Scene::Active().Reset();
    throw SceneError(path + ": " + e.what());
  }
}
