// Draco-compressed glTF primitives (KHR_draco_mesh_compression), decoded with Draco's
// own decoder.
#ifndef RLF_GLTF_DRACO_H
#define RLF_GLTF_DRACO_H

#include <string>
#include <string_view>
#include <vector>

namespace tinygltf {
class Model;
struct Primitive;
}  // namespace tinygltf

// The file's bytes (glTF text, or a glb when binary) as the loader should read them:
// "indices" taken out of every Draco-compressed primitive (its index accessor has no data
// outside the compressed block, which tinygltf refuses), and meshopt-compressed buffers
// decoded (DecodeMeshopt; directory holds the files buffers name). Empty when nothing is
// compressed, or when the file is not well-formed enough to rewrite (then the loader
// reads or refuses it as it stands). Throws SceneError naming path when meshopt data
// cannot be decoded.
std::string RewrittenForLoader(std::string_view file, bool binary, const std::string& directory,
                               const std::string& path);

// Whether the primitive's geometry is in a compressed block.
bool IsCompressed(const tinygltf::Primitive& primitive);

// A compressed primitive decoded: corners as a triangle list into the decoded points,
// and the POSITION, NORMAL (3 floats each) and TEXCOORD_0 (2 floats each) values the
// extension maps, empty for an attribute it does not map. Integer attributes come out
// scaled when Draco marks them normalized, as glTF reads normalized accessors.
struct DecodedPrimitive {
  std::vector<int> corners;
  std::vector<float> points, normals, uvs;
};

// Throws SceneError naming the file and `name` (the mesh shape) when the block is
// missing, lies outside its buffer, cannot be decoded, or lacks an attribute it maps.
DecodedPrimitive DecodeCompressed(const std::string& path, const std::string& name, const tinygltf::Model& model,
                                  const tinygltf::Primitive& primitive);

#endif
