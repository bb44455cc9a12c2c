// Compressed glTF: the loader is shown a file whose Draco-compressed primitives have no
// index accessor and whose meshopt-compressed buffers are decoded (GltfMeshopt.h); then
// each Draco block is decoded and read in place of the primitive's accessors.
#include "GltfDraco.h"

#include <draco/compression/decode.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>

#include "GltfMeshopt.h"
#include "SceneError.h"

namespace {

constexpr const char* kExtension = "KHR_draco_mesh_compression";

constexpr uint32_t kGlbMagic = 0x46546C67;       // "glTF"
constexpr uint32_t kJsonChunkType = 0x4E4F534A;  // "JSON"
constexpr uint32_t kBinChunkType = 0x004E4942;   // "BIN\0"
constexpr const char* kMeshoptExtension = "EXT_meshopt_compression";
constexpr std::size_t kGlbHeader = 12, kChunkHeader = 8;

uint32_t ReadU32(std::string_view bytes, std::size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

void AppendU32(std::string& out, std::size_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

// Takes "indices" out of every compressed primitive; false when there is none.
bool StripIndices(nlohmann::json& document) {
  bool stripped = false;
  const auto meshes = document.find("meshes");
  if (meshes == document.end() || !meshes->is_array()) return false;
  for (nlohmann::json& mesh : *meshes) {
    const auto primitives = mesh.is_object() ? mesh.find("primitives") : mesh.end();
    if (primitives == mesh.end() || !primitives->is_array()) continue;
    for (nlohmann::json& primitive : *primitives) {
      if (!primitive.is_object()) continue;
      const auto extensions = primitive.find("extensions");
      if (extensions != primitive.end() && extensions->is_object() && extensions->contains(kExtension)) {
        stripped = primitive.erase("indices") > 0 || stripped;
      }
    }
  }
  return stripped;
}

}  // namespace

std::string RewrittenForLoader(std::string_view file, bool binary, const std::string& directory,
                               const std::string& path) {
  std::string_view json = file, bin;
  if (binary) {
    if (file.size() < kGlbHeader + kChunkHeader || ReadU32(file, 0) != kGlbMagic ||
        ReadU32(file, kGlbHeader + 4) != kJsonChunkType ||
        ReadU32(file, kGlbHeader) > file.size() - kGlbHeader - kChunkHeader) {
      return {};
    }
    json = file.substr(kGlbHeader + kChunkHeader, ReadU32(file, kGlbHeader));
    const std::size_t next = kGlbHeader + kChunkHeader + json.size();
    if (file.size() - next >= kChunkHeader && ReadU32(file, next + 4) == kBinChunkType) {
      bin = file.substr(next + kChunkHeader,
                        std::min<std::size_t>(ReadU32(file, next), file.size() - next - kChunkHeader));
    }
  }
  if (json.find(kExtension) == std::string_view::npos && json.find(kMeshoptExtension) == std::string_view::npos)
    return {};
  nlohmann::json document = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
  if (document.is_discarded() || !document.is_object()) return {};
  const bool stripped = StripIndices(document);
  if (!DecodeMeshopt(document, bin, directory, path) && !stripped) return {};
  std::string text = document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  if (!binary) return text;
  // The same container around the new JSON chunk: padded with spaces to 4 bytes, the
  // chunks after it unchanged.
  text.resize((text.size() + 3) / 4 * 4, ' ');
  const std::string_view rest = file.substr(kGlbHeader + kChunkHeader + json.size());
  const std::size_t length = kGlbHeader + kChunkHeader + text.size() + rest.size();
  if (length > UINT32_MAX) return {};
  std::string glb(file.substr(0, 8));
  AppendU32(glb, length);
  AppendU32(glb, text.size());
  AppendU32(glb, kJsonChunkType);
  glb += text;
  glb += rest;
  return glb;
}

bool IsCompressed(const tinygltf::Primitive& primitive) { return primitive.extensions.count(kExtension) != 0; }

namespace {

// The Draco block the extension names, decoded.
std::unique_ptr<draco::Mesh> DecodeBlock(const std::string& where, const tinygltf::Model& model,
                                         const tinygltf::Value& viewValue) {
  const int viewIndex = viewValue.GetNumberAsInt();
  if (viewIndex < 0 || viewIndex >= static_cast<int>(model.bufferViews.size())) {
    throw SceneError(where + " names buffer view " + std::to_string(viewIndex) + ", which does not exist");
  }
  const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(viewIndex)];
  if (view.buffer < 0 || view.buffer >= static_cast<int>(model.buffers.size()) ||
      view.byteOffset > model.buffers[static_cast<std::size_t>(view.buffer)].data.size() ||
      view.byteLength > model.buffers[static_cast<std::size_t>(view.buffer)].data.size() - view.byteOffset) {
    throw SceneError(where + " reaches past the end of its buffer");
  }
  const std::vector<unsigned char>& data = model.buffers[static_cast<std::size_t>(view.buffer)].data;
  draco::DecoderBuffer block;
  block.Init(reinterpret_cast<const char*>(data.data() + view.byteOffset), view.byteLength);
  draco::Decoder decoder;
  auto decoded = decoder.DecodeMeshFromBuffer(&block);
  if (!decoded.ok()) {
    throw SceneError(where + " cannot be decoded: " + decoded.status().error_msg_string());
  }
  std::unique_ptr<draco::Mesh> mesh = std::move(decoded).value();
  if (mesh->num_points() > static_cast<uint32_t>(INT_MAX)) {
    throw SceneError(where + " has more points than this reader takes");
  }
  return mesh;
}

// The values of the attribute the extension maps semantic to, width floats a point;
// none when it maps none.
void ReadAttribute(const std::string& where, const draco::Mesh& mesh, const tinygltf::Value& attributes,
                   const char* semantic, int width, std::vector<float>* values) {
  if (!attributes.Has(semantic)) return;
  const tinygltf::Value& id = attributes.Get(semantic);
  const draco::PointAttribute* attribute = id.IsNumber() && id.GetNumberAsInt() >= 0
                                               ? mesh.GetAttributeByUniqueId(static_cast<uint32_t>(id.GetNumberAsInt()))
                                               : nullptr;
  if (attribute == nullptr || attribute->num_components() != width) {
    throw SceneError(where + " maps " + semantic + " to no Draco attribute of " + std::to_string(width) +
                     " components");
  }
  if (!attribute->is_mapping_identity() && attribute->indices_map_size() < mesh.num_points()) {
    throw SceneError(where + " has " + semantic + " values for fewer than its points");
  }
  values->resize(static_cast<std::size_t>(mesh.num_points()) * static_cast<std::size_t>(width));
  for (draco::PointIndex p(0); p < mesh.num_points(); ++p) {
    float* element = values->data() + static_cast<std::size_t>(p.value()) * static_cast<std::size_t>(width);
    if (!attribute->ConvertValue<float>(attribute->mapped_index(p), static_cast<int8_t>(width), element)) {
      throw SceneError(where + " has " + semantic + " values that are not numbers");
    }
  }
}

}  // namespace

DecodedPrimitive DecodeCompressed(const std::string& path, const std::string& name, const tinygltf::Model& model,
                                  const tinygltf::Primitive& primitive) {
  const std::string where = path + ": the compressed primitive of \"" + name + "\"";
  const tinygltf::Value& extension = primitive.extensions.at(kExtension);
  const tinygltf::Value& viewValue = extension.Has("bufferView") ? extension.Get("bufferView") : tinygltf::Value();
  const tinygltf::Value& attributes = extension.Has("attributes") ? extension.Get("attributes") : tinygltf::Value();
  if (!viewValue.IsNumber() || !attributes.IsObject()) {
    throw SceneError(where + " lacks its bufferView or attributes");
  }
  const std::unique_ptr<draco::Mesh> mesh = DecodeBlock(where, model, viewValue);
  DecodedPrimitive out;
  out.corners.reserve(3 * static_cast<std::size_t>(mesh->num_faces()));
  for (draco::FaceIndex f(0); f < mesh->num_faces(); ++f) {
    for (int k = 0; k < 3; ++k) {
      const uint32_t corner = mesh->face(f)[k].value();
      if (corner >= mesh->num_points()) {
        throw SceneError(where + " has a face corner past its " + std::to_string(mesh->num_points()) + " points");
      }
      out.corners.push_back(static_cast<int>(corner));
    }
  }
  ReadAttribute(where, *mesh, attributes, "POSITION", 3, &out.points);
  if (out.points.empty()) {
    throw SceneError(where + " has no POSITION");
  }
  ReadAttribute(where, *mesh, attributes, "NORMAL", 3, &out.normals);
  ReadAttribute(where, *mesh, attributes, "TEXCOORD_0", 2, &out.uvs);
  return out;
}
