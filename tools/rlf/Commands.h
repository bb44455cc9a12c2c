// The subcommands of rlf. Each adds itself to the application; its callback stores the
// process's exit status (0 success, 1 failure; bad usage is CLI11's, 2).
#ifndef RLF_COMMANDS_H
#define RLF_COMMANDS_H

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "TangentFrame.h"

void AddExportCommand(CLI::App& app, int& exitStatus);
void AddInfoCommand(CLI::App& app, int& exitStatus);
void AddConvertCommand(CLI::App& app, int& exitStatus);
void AddWeldCommand(CLI::App& app, int& exitStatus);
void AddRenderCommand(CLI::App& app, int& exitStatus);
void AddBakeCommand(CLI::App& app, int& exitStatus);

// The tangent frames a command is asked for.
struct FrameChoice {
  std::string tangents = "mikktspace";  // or "library", or "input" (the low mesh's own)
  RlBitangent bitangent = RlBitangent::kPixel;
  RlTangentBasis Basis() const;  // for "mikktspace" and "library"
  bool Input() const { return tangents == "input"; }
};

// Adds --tangents to command (mikktspace or library, and with withInput input), and
// with withBitangent --bitangent (pixel or vertex), storing them in *choice.
void AddFrameOptions(CLI::App* command, FrameChoice* choice, bool withBitangent, bool withInput);

// Exports the scene file through the plug-in into the RLF file output, as rlf export
// does without a selection. False with *error (one line naming the file) on failure.
bool ExportScene(const std::string& sceneFile, const std::string& output, std::string* error);

// A mesh object of the active scene: its name (its transform's, or its own without a
// "Shape" ending when it has none), its node, and the renderable shading sets (by id and
// name) its faces belong to, in set order.
struct SceneObject {
  struct Set {
    int id;
    std::string name;
  };
  std::string name;
  int node;
  std::vector<Set> sets;
};

// Loads the scene file into the active scene and lists its mesh objects in the order of
// the scene's walk. False with *error (one line naming the file) on failure.
bool LoadSceneObjects(const std::string& sceneFile, std::vector<SceneObject>* objects, std::string* error);

// Exports one object of the active scene (and what lies below it) through the plug-in
// into output, as rlf export --select does; with a set id, only that set's faces (the
// scene's other sets are made unrenderable for the export, and restored).
bool ExportObject(const SceneObject& object, int set, const std::string& output, std::string* error);

#endif
