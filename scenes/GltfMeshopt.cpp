#include "GltfMeshopt.h"

#include <meshoptimizer.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <vector>

#include "InputFile.h"
#include "SceneError.h"

namespace {

constexpr const char* kExtension = "EXT_meshopt_compression";
// The most bytes a decoded buffer may hold: what glTF's 32-bit lengths allow.
constexpr uint64_t kMaxDecoded = UINT32_MAX;

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(const std::vector<unsigned char>& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const uint32_t b0 = bytes[i], b1 = i + 1 < bytes.size() ? bytes[i + 1] : 0,
                   b2 = i + 2 < bytes.size() ? bytes[i + 2] : 0;
    const uint32_t n = b0 << 16 | b1 << 8 | b2;
    out += kBase64[n >> 18 & 63];
    out += kBase64[n >> 12 & 63];
    out += i + 1 < bytes.size() ? kBase64[n >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kBase64[n & 63] : '=';
  }
  return out;
}

// The bytes of base64 text; false on a character outside the alphabet.
bool FromBase64(std::string_view text, std::vector<unsigned char>* out) {
  uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    if (c == '=') break;
    const char* at = std::strchr(kBase64, c);
    if (c == '\0' || at == nullptr) return false;
    bits = bits << 6 | static_cast<uint32_t>(at - kBase64);
    if ((count += 6) >= 8) {
      count -= 8;
      out->push_back(static_cast<unsigned char>(bits >> count & 0xFF));
    }
  }
  return true;
}

uint64_t Number(const nlohmann::json& object, const char* key, uint64_t otherwise) {
  const auto it = object.find(key);
  return it != object.end() && it->is_number_unsigned() ? it->get<uint64_t>() : otherwise;
}

class Decoder {
 public:
  Decoder(nlohmann::json& document, std::string_view bin, const std::string& directory, const std::string& path)
      : document_(document), bin_(bin), directory_(directory), path_(path) {}

  bool Run() {
    const auto viewsAt = document_.find("bufferViews"), buffersAt = document_.find("buffers");
    if (viewsAt == document_.end() || buffersAt == document_.end() || !viewsAt->is_array() || !buffersAt->is_array()) {
      return false;
    }
    nlohmann::json& views = *viewsAt;
    nlohmann::json& buffers = *buffersAt;
    std::map<uint64_t, std::vector<unsigned char>> fallbacks;  // buffer -> its decoded bytes
    for (std::size_t v = 0; v < views.size(); ++v) {
      const nlohmann::json& view = views[v];
      if (!view.is_object() || !view.contains("extensions") || !view["extensions"].is_object() ||
          !view["extensions"].contains(kExtension)) {
        continue;
      }
      const uint64_t target = Number(view, "buffer", UINT64_MAX);
      if (target >= buffers.size() || !buffers[target].is_object()) Fail(v, "names no buffer");
      if (buffers[target].contains("uri")) continue;  // a fallback with data of its own
      const uint64_t length = Number(buffers[target], "byteLength", UINT64_MAX);
      if (length > kMaxDecoded) Fail(v, "decodes into a buffer larger than glTF allows");
      auto [at, added] = fallbacks.try_emplace(target);
      if (added) Allocate(&at->second, static_cast<std::size_t>(length), v);
      DecodeView(v, view, &at->second);
    }
    if (fallbacks.empty()) return false;
    for (const auto& [index, bytes] : fallbacks) {
      buffers[index]["uri"] = "data:application/octet-stream;base64," + Base64(bytes);
    }
    if (const auto required = document_.find("extensionsRequired");
        required != document_.end() && required->is_array()) {
      for (auto it = required->begin(); it != required->end();) it = *it == kExtension ? required->erase(it) : it + 1;
    }
    return true;
  }

 private:
  [[noreturn]] void Fail(std::size_t view, const std::string& why) const {
    throw SceneError(path_ + ": " + Owner(view) + " (meshopt-compressed) " + why);
  }

  // "the primitive of "mesh"" using the view, else "buffer view N".
  std::string Owner(std::size_t view) const {
    const nlohmann::json& accessors = document_.value("accessors", nlohmann::json::array());
    const auto onView = [&](const nlohmann::json& accessor) {
      return accessor.is_number_unsigned() && accessor.get<uint64_t>() < accessors.size() &&
             accessors[accessor.get<std::size_t>()].is_object() &&
             Number(accessors[accessor.get<std::size_t>()], "bufferView", UINT64_MAX) == view;
    };
    const nlohmann::json& meshes = document_.value("meshes", nlohmann::json::array());
    for (std::size_t m = 0; meshes.is_array() && m < meshes.size(); ++m) {
      if (!meshes[m].is_object() || !meshes[m].contains("primitives") || !meshes[m]["primitives"].is_array()) continue;
      for (const nlohmann::json& primitive : meshes[m]["primitives"]) {
        if (!primitive.is_object()) continue;
        bool uses = primitive.contains("indices") && onView(primitive["indices"]);
        if (primitive.contains("attributes") && primitive["attributes"].is_object()) {
          for (const auto& attribute : primitive["attributes"]) uses = uses || onView(attribute);
        }
        if (uses) {
          const std::string name = meshes[m].value("name", std::string());
          return "the primitive of mesh " + std::to_string(m) + (name.empty() ? "" : " (\"" + name + "\")");
        }
      }
    }
    return "buffer view " + std::to_string(view);
  }

  void Allocate(std::vector<unsigned char>* bytes, std::size_t length, std::size_t view) const {
    try {
      bytes->assign(length, 0);
    } catch (const std::bad_alloc&) {
      Fail(view, "decodes into more bytes than memory holds");
    }
  }

  // The bytes of a source buffer: the glb's binary chunk, a data URI or a file beside.
  std::string_view Source(uint64_t index, std::size_t view) {
    if (const auto it = sources_.find(index); it != sources_.end()) {
      return {reinterpret_cast<const char*>(it->second.data()), it->second.size()};
    }
    const nlohmann::json& buffers = document_.at("buffers");
    if (index >= buffers.size() || !buffers[index].is_object()) Fail(view, "names no source buffer");
    const nlohmann::json& buffer = buffers[index];
    if (!buffer.contains("uri")) {
      if (index != 0 || bin_.empty()) Fail(view, "names a source buffer without data");
      return bin_;
    }
    std::vector<unsigned char>& read = sources_[index];
    const std::string uri = buffer["uri"].is_string() ? buffer["uri"].get<std::string>() : std::string();
    std::string error;
    if (uri.rfind("data:", 0) == 0) {
      const std::size_t comma = uri.find(";base64,");
      if (comma == std::string::npos || !FromBase64(std::string_view(uri).substr(comma + 8), &read)) {
        Fail(view, "names a source buffer whose data URI is not base64");
      }
    } else if (uri.empty() || uri.find("://") != std::string::npos ||
               !ReadInputFile(directory_.empty() ? uri : directory_ + "/" + uri, &read, &error)) {
      throw SceneError(path_ + ": " + Owner(view) + " (meshopt-compressed) names a source it cannot read" +
                       (error.empty() ? "" : ": " + error));
    }
    return {reinterpret_cast<const char*>(read.data()), read.size()};
  }

  void DecodeView(std::size_t v, const nlohmann::json& view, std::vector<unsigned char>* fallback) {
    const nlohmann::json& ext = view.at("extensions").at(kExtension);
    if (!ext.is_object()) Fail(v, "has no compression parameters");
    const uint64_t count = Number(ext, "count", UINT64_MAX), stride = Number(ext, "byteStride", UINT64_MAX);
    const uint64_t offset = Number(ext, "byteOffset", 0), length = Number(ext, "byteLength", UINT64_MAX);
    const uint64_t viewOffset = Number(view, "byteOffset", 0), viewLength = Number(view, "byteLength", UINT64_MAX);
    const std::string mode = ext.value("mode", std::string()), filter = ext.value("filter", std::string("NONE"));
    if (stride == 0 || stride > 256 || count > kMaxDecoded / stride) Fail(v, "has a wrong count or stride");
    if (viewOffset > fallback->size() || viewLength > fallback->size() - viewOffset || count * stride > viewLength) {
      Fail(v, "decodes past the end of its buffer");
    }
    const std::string_view source = Source(Number(ext, "buffer", UINT64_MAX), v);
    if (offset > source.size() || length > source.size() - offset) Fail(v, "reaches past the end of its source buffer");
    const auto* data = reinterpret_cast<const unsigned char*>(source.data() + offset);
    unsigned char* out = fallback->data() + viewOffset;
    const auto n = static_cast<std::size_t>(count), size = static_cast<std::size_t>(stride);
    int status = -1;
    if (mode == "ATTRIBUTES" && size % 4 == 0) {
      status = meshopt_decodeVertexBuffer(out, n, size, data, static_cast<std::size_t>(length));
      if (status == 0 && filter == "OCTAHEDRAL" && (size == 4 || size == 8)) {
        meshopt_decodeFilterOct(out, n, size);
      } else if (status == 0 && filter == "QUATERNION" && size == 8) {
        meshopt_decodeFilterQuat(out, n, size);
      } else if (status == 0 && filter == "EXPONENTIAL") {
        meshopt_decodeFilterExp(out, n, size);
      } else if (status == 0 && filter != "NONE") {
        Fail(v, "names filter " + filter + " for elements of " + std::to_string(size) + " bytes");
      }
    } else if ((mode == "TRIANGLES" && count % 3 == 0) || mode == "INDICES") {
      if (size != 2 && size != 4) Fail(v, "has indices of " + std::to_string(size) + " bytes");
      status = mode == "TRIANGLES" ? meshopt_decodeIndexBuffer(out, n, size, data, static_cast<std::size_t>(length))
                                   : meshopt_decodeIndexSequence(out, n, size, data, static_cast<std::size_t>(length));
    } else {
      Fail(v, "has mode \"" + mode + "\" for elements of " + std::to_string(size) +
                  " bytes, which meshopt does not define");
    }
    if (status != 0) Fail(v, "cannot be decoded: its data is damaged");
  }

  nlohmann::json& document_;
  std::string_view bin_;
  const std::string& directory_;
  const std::string& path_;
  std::map<uint64_t, std::vector<unsigned char>> sources_;
};

}  // namespace

bool DecodeMeshopt(nlohmann::json& document, std::string_view bin, const std::string& directory,
                   const std::string& path) {
  if (!document.is_object()) return false;
  return Decoder(document, bin, directory, path).Run();
}
