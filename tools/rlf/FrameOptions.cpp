// The options that choose tangent frames, the same for every command that has them.
#include <map>

#include "Commands.h"

void AddFrameOptions(CLI::App* command, RlTangentBasis* basis, RlBitangent* bitangent) {
  const std::map<std::string, RlTangentBasis> bases{{"mikktspace", RlTangentBasis::kMikkTSpace},
                                                     {"library", RlTangentBasis::kLibrary}};
  command
      ->add_option("--tangents", *basis,
                   "Tangent frames: mikktspace (what Blender, Unity, Unreal, Godot and glTF viewers rebuild; the "
                   "default) or library (the geometry library's own)")
      ->transform(CLI::CheckedTransformer(bases, CLI::ignore_case));
  if (bitangent == nullptr) return;
  const std::map<std::string, RlBitangent> bitangents{{"pixel", RlBitangent::kPixel},
                                                      {"vertex", RlBitangent::kVertex}};
  command
      ->add_option("--bitangent", *bitangent,
                   "Bitangent built per pixel from the interpolated normal and tangent (Blender, Unreal, Unity HDRP; "
                   "the default) or per vertex and interpolated (Unity's built-in pipeline)")
      ->transform(CLI::CheckedTransformer(bitangents, CLI::ignore_case));
}
