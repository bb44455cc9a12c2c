// Scenes for the host stand-in, from files or built in: the scene library. Each format
// is a reader of its own (ObjScene.cpp, GltfScene.cpp, AssimpScene.cpp), and the table
// of formats (SceneFiles.cpp) is the one place that picks a reader for a file.
#ifndef RL_SCENE_FILES_H
#define RL_SCENE_FILES_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "GltfMesh.h"
#include "SceneError.h"

namespace host {
class Scene;
}

// How a caller follows the child processes a reader runs (Assimp reads in one, so that a
// reader that crashes or loops forever ends only the child). The caller's signal handling
// can then end the child with the program.
class ChildWatch {
 public:
  virtual ~ChildWatch() = default;
  // Around the fork: from before it until Started, the caller's ending signals wait.
  virtual void Forking() = 0;
  virtual void Started(pid_t child) = 0;
  // First thing in the child: nothing of the caller's signal handling stays there.
  virtual void InChild() = 0;
  // The child has ended and been waited for.
  virtual void Ended() = 0;
};

struct SceneOptions {
  // The seconds Assimp's reading gets (at least 0.01), and one more per megabyte of the
  // file; a reading that does not finish in them refuses the file.
  double assimpSeconds = 10;
  ChildWatch* childWatch = nullptr;  // not owned; none: children are not followed
};

// What a reader made of a file.
struct SceneRead {
  // False when the file is an older version of the format that the reader leaves to
  // Assimp (glTF 1.0); the scene is then untouched.
  bool read = true;
  // One line each, naming the file: what was read but left out (points and lines).
  std::vector<std::string> warnings;
};

// One format: its name, the extensions that name its files (lower case, with the dot)
// and its reader, which fills scene or throws SceneError.
struct SceneFormat {
  std::string name;
  std::vector<std::string> extensions;
  SceneRead (*load)(const std::string& path, host::Scene& scene, const SceneOptions& options);
};

// Every format, in the order they are tried: OBJ and glTF 2.0 by readers of their own,
// then everything else Assimp reads (the last row, which also takes what a reader leaves
// to it).
const std::vector<SceneFormat>& SceneFormats();

// Replaces the contents of scene with the scene in path, read by the format its
// extension names; returns the reader's warnings. Throws SceneError, leaving the scene
// empty.
std::vector<std::string> LoadSceneFile(const std::string& path, host::Scene& scene, const SceneOptions& options);

// Wavefront OBJ: each o/g a transform with a mesh shape, each usemtl a renderable
// shading set holding its faces; polygons kept whole; meshes without normals get
// area-weighted smooth normals; faces without texture coordinates stay unmapped.
SceneRead LoadObjScene(const std::string& path, host::Scene& scene, const SceneOptions& options);

// glTF 2.0 (.gltf or .glb): the node hierarchy with its transforms; each triangle
// primitive a mesh shape whose material is its shading set. glTF 1.0 is left to Assimp.
SceneRead LoadGltfScene(const std::string& path, host::Scene& scene, const SceneOptions& options);

// A glTF 2.0 file's triangles in world space, with the normals, texture coordinates and
// tangents it holds (for a bake in the frames an engine exported), vertices as the file
// has them, primitives in scene order. Throws SceneError when a triangle primitive lacks
// TANGENT, NORMAL or TEXCOORD_0, is compressed, or the file is not glTF 2.0.
RlGltfMesh LoadGltfTangentMesh(const std::string& path);

// Any format Assimp reads: see AssimpScene.cpp. The reading runs in a child process
// with the time limit of options.
SceneRead LoadAssimpScene(const std::string& path, host::Scene& scene, const SceneOptions& options);
// The extensions Assimp reads, such as ".fbx".
std::vector<std::string> AssimpExtensions();

// The built-in sample into scene: a group hierarchy with rotation and non-uniform scale,
// a UV-mapped torus with a seam, a hard-edged cube whose faces sit in two shading sets,
// a concave polygon and a mesh without texture coordinates. Returns a summary line.
std::string LoadSampleScene(host::Scene& scene);
// The same for the sample's high-detail companion: its torus, in the same place, with
// bumps and a groove the sample's torus lacks.
std::string LoadSampleDetail(host::Scene& scene);

#endif
