// The options that choose tangent frames, the same for every command that has them.
#include <map>

#include "Commands.h"

RlTangentBasis FrameChoice::Basis() const {
  return tangents == "library" ? RlTangentBasis::kLibrary : RlTangentBasis::kMikkTSpace;
}

void AddFrameOptions(CLI::App* command, FrameChoice* choice, bool withBitangent, bool withInput) {
  std::vector<std::string> names{"mikktspace", "library"};
  std::string help =
      "Tangent frames: mikktspace (what Blender, Unity, Unreal, Godot and glTF viewers rebuild; the default), library "
      "(the geometry library's own)";
  if (withInput) {
    names.push_back("input");
    help += ", or input (the TANGENT of a glTF low mesh, as an engine exported it)";
  }
  command->add_option("--tangents", choice->tangents, help)->check(CLI::IsMember(names, CLI::ignore_case));
  if (!withBitangent) return;
  const std::map<std::string, RlBitangent> bitangents{{"pixel", RlBitangent::kPixel}, {"vertex", RlBitangent::kVertex}};
  command
      ->add_option("--bitangent", choice->bitangent,
                   "Bitangent built per pixel from the interpolated normal and tangent (Blender, Unreal, Unity HDRP; "
                   "the default) or per vertex and interpolated (Unity's built-in pipeline)")
      ->transform(CLI::CheckedTransformer(bitangents, CLI::ignore_case));
}
