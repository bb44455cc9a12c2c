// Scenes for the host stand-in, from files or built in.
#ifndef RLF_SCENE_FILES_H
#define RLF_SCENE_FILES_H

#include <stdexcept>
#include <string>
#include <vector>

#include "GltfMesh.h"

// A scene that cannot be loaded: the message names the file (and the line, for OBJ).
struct SceneError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One format rlf reads: its name, the extensions that name its files (lower case, with
// the dot) and its reader, which fills the active scene or throws SceneError.
struct SceneFormat {
  std::string name;
  std::vector<std::string> extensions;
  void (*load)(const std::string& path);
};

// Every format, in the order they are tried: OBJ and glTF 2.0 by readers of their own,
// then everything else Assimp reads.
const std::vector<SceneFormat>& SceneFormats();

// Replaces the active scene with the scene in path, read by the format its extension
// names; throws SceneError, leaving the scene empty.
void LoadSceneFile(const std::string& path);

// Wavefront OBJ: each o/g a transform with a mesh shape, each usemtl a renderable
// shading set holding its faces; polygons kept whole; meshes without normals get
// area-weighted smooth normals; faces without texture coordinates stay unmapped.
void LoadObjScene(const std::string& path);

// glTF 2.0 (.gltf or .glb): the node hierarchy with its transforms; each triangle
// primitive a mesh shape whose material is its shading set. glTF 1.0 goes to Assimp.
void LoadGltfScene(const std::string& path);

// A glTF 2.0 file's triangles in world space, with the normals, texture coordinates and
// tangents it holds (for a bake in the frames an engine exported), vertices as the file
// has them, primitives in scene order. Throws SceneError when a triangle primitive lacks
// TANGENT, NORMAL or TEXCOORD_0, is compressed, or the file is not glTF 2.0.
RlGltfMesh LoadGltfTangentMesh(const std::string& path);

// Any format Assimp reads: see AssimpScene.cpp. The reading runs in a child process and
// gets a time limit: the seconds set here (10 unless set, at least 0.01) and one more
// per megabyte of the file; a reading that does not finish in it refuses the file.
void LoadAssimpScene(const std::string& path);
void SetAssimpReadSeconds(double seconds);
// The extensions Assimp reads, such as ".fbx".
std::vector<std::string> AssimpExtensions();

// The built-in sample: a group hierarchy with rotation and non-uniform scale, a
// UV-mapped torus with a seam, a hard-edged cube whose faces sit in two shading sets,
// a concave polygon and a mesh without texture coordinates. Returns a summary line.
std::string LoadSampleScene();

#endif
