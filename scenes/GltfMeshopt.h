// meshopt-compressed glTF buffers (EXT_meshopt_compression), decoded with Debian's
// meshoptimizer library before the loader reads the file.
#ifndef RL_GLTF_MESHOPT_H
#define RL_GLTF_MESHOPT_H

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

// Decodes every compressed buffer view of document whose buffer is a fallback without
// data of its own, in every mode (attributes, triangles, indices) and filter: the
// decoded bytes are placed in their fallback buffer, which the document then carries as
// a data URI, and the extension is no longer required. A fallback buffer with data of
// its own is read as it is. bin is the glb's binary chunk (empty for glTF text);
// directory holds the files other buffers name. Returns whether the document changed.
// Throws SceneError naming path and the primitive (or buffer view) whose data is
// missing, out of bounds, damaged or too large to hold.
bool DecodeMeshopt(nlohmann::json& document, std::string_view bin, const std::string& directory,
                   const std::string& path);

#endif
