// glTF 2.0 scenes, read with tinygltf (and Draco for compressed primitives): nodes become
// transforms, each triangle primitive a mesh shape below its node, whose material is its
// shading set.
#include <tiny_gltf.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>

#include "GltfDraco.h"
#include "GltfMesh.h"
#include "InputFile.h"
#include "SceneFiles.h"
#include "SmoothNormals.h"
#include "host/Scene.h"

namespace {

class GltfReader {
 public:
  // Fills scene (none: only LoadGltfTangentMesh's reading).
  GltfReader(const std::string& path, const tinygltf::Model& model, host::Scene* scene)
      : path_(path), model_(model), scene_(scene) {}

  // Primitives of points or lines met so far: they have no polygons.
  int SkippedPrimitives() const { return skipped_; }

  // Checks the node graph as glTF defines it: every child exists, no node has two
  // parents, and no node is its own ancestor. Returns each node's parent (-1 for a root);
  // throws SceneError naming the nodes.
  std::vector<int> CheckNodeGraph() const {
    const std::size_t count = model_.nodes.size();
    std::vector<int> parent(count, -1);
    for (std::size_t i = 0; i < count; ++i) {
      for (const int child : model_.nodes[i].children) {
        if (child < 0 || static_cast<std::size_t>(child) >= count) {
          throw SceneError(path_ + ": node " + NodeName(static_cast<int>(i)) + " names child " + std::to_string(child) +
                           ", which does not exist");
        }
        int& of = parent[static_cast<std::size_t>(child)];
        if (of >= 0) {
          throw SceneError(path_ + ": node " + NodeName(child) + " has two parents, " + NodeName(of) + " and " +
                           NodeName(static_cast<int>(i)) + " (glTF nodes have one)");
        }
        of = static_cast<int>(i);
      }
    }
    // With one parent each, a cycle is a chain of parents that comes back to its start.
    std::vector<char> state(count, 0);  // 0 unseen, 1 on the chain being followed, 2 done
    for (std::size_t start = 0; start < count; ++start) {
      std::vector<int> chain;
      int at = static_cast<int>(start);
      while (at >= 0 && state[static_cast<std::size_t>(at)] == 0) {
        state[static_cast<std::size_t>(at)] = 1;
        chain.push_back(at);
        at = parent[static_cast<std::size_t>(at)];
      }
      if (at >= 0 && state[static_cast<std::size_t>(at)] == 1) {
        std::string cycle;
        for (auto it = std::find(chain.begin(), chain.end(), at); it != chain.end(); ++it) {
          cycle += (cycle.empty() ? "" : ", ") + NodeName(*it);
        }
        throw SceneError(path_ + ": the nodes " + cycle + " form a cycle, each below the next");
      }
      for (const int node : chain) state[static_cast<std::size_t>(node)] = 2;
    }
    return parent;
  }

  // The nodes a scene starts from: the default scene's (else the first's), or every node
  // without a parent when the file has no scenes.
  std::vector<int> Roots(const std::vector<int>& parents) const {
    if (!model_.scenes.empty()) {
      const int scene = model_.defaultScene >= 0 && model_.defaultScene < static_cast<int>(model_.scenes.size())
                            ? model_.defaultScene
                            : 0;
      return model_.scenes[static_cast<std::size_t>(scene)].nodes;
    }
    std::vector<int> roots;
    for (std::size_t i = 0; i < parents.size(); ++i) {
      if (parents[i] < 0) roots.push_back(static_cast<int>(i));
    }
    return roots;
  }

  // The triangle primitives of root and every node below it, in world space and glTF's
  // order, with their own normals, texture coordinates and tangents, appended to *mesh.
  void AddTangentTree(int root, RlGltfMesh* mesh) const {
    Walk(root, host::Matrix::Identity(), [&](int index, const host::Matrix& parentWorld) {
      const tinygltf::Node& node = model_.nodes[static_cast<std::size_t>(index)];
      const host::Matrix world = LocalMatrix(node) * parentWorld;
      if (node.mesh >= 0) {
        for (const tinygltf::Primitive& primitive : MeshOf(index).primitives) {
          AddTangentPrimitive(primitive, NodeName(index), world, mesh);
        }
      }
      return world;
    });
  }

  // The node and everything below it, parents before children, in glTF's order; depth is
  // bounded by memory alone. The graph was checked.
  void AddTree(int root) {
    Walk(root, host::kWorld, [&](int index, host::NodeId parent) { return AddNode(index, parent); });
  }

 private:
  // Visits root and every node below it, parents before children, in glTF's order:
  // visit(node, what its parent's visit returned) returns what its children get. Depth
  // is bounded by memory alone; the graph was checked.
  template <typename State, typename Visit>
  void Walk(int root, State top, Visit&& visit) const {
    CheckNode(root);
    std::vector<std::pair<int, State>> pending{{root, top}};
    while (!pending.empty()) {
      const auto [index, parent] = pending.back();
      pending.pop_back();
      const State mine = visit(index, parent);
      const std::vector<int>& children = model_.nodes[static_cast<std::size_t>(index)].children;
      for (auto child = children.rbegin(); child != children.rend(); ++child) pending.emplace_back(*child, mine);
    }
  }

  void CheckNode(int root) const {
    if (root < 0 || static_cast<std::size_t>(root) >= model_.nodes.size()) {
      throw SceneError(path_ + ": the scene names node " + std::to_string(root) + ", which does not exist");
    }
  }

  const tinygltf::Mesh& MeshOf(int index) const {
    const tinygltf::Node& node = model_.nodes[static_cast<std::size_t>(index)];
    if (node.mesh >= static_cast<int>(model_.meshes.size())) {
      throw SceneError(path_ + ": node " + NodeName(index) + " names mesh " + std::to_string(node.mesh) +
                       ", which does not exist");
    }
    return model_.meshes[static_cast<std::size_t>(node.mesh)];
  }

  std::string NodeName(int index) const {
    const std::string& name = model_.nodes[static_cast<std::size_t>(index)].name;
    return std::to_string(index) + (name.empty() ? "" : " (\"" + name + "\")");
  }

  host::NodeId AddNode(int index, host::NodeId parent) {
    const tinygltf::Node& node = model_.nodes[static_cast<std::size_t>(index)];
    host::Scene& scene = *scene_;
    const std::string name = node.name.empty() ? "node" + std::to_string(index) : node.name;
    const host::NodeId transform = scene.AddTransform(name, parent, LocalMatrix(node));
    if (node.mesh >= 0) {
      const tinygltf::Mesh& mesh = MeshOf(index);
      for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
        AddPrimitive(mesh.primitives[p], name + "Shape" + (p == 0 ? "" : std::to_string(p)), transform);
      }
    }
    return transform;
  }

  // The node's matrix, for row vectors: the transpose of glTF's column-vector matrix.
  static host::Matrix LocalMatrix(const tinygltf::Node& node) {
    double column[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // column-major
    if (node.matrix.size() == 16) {
      std::copy(node.matrix.begin(), node.matrix.end(), column);
    } else {
      const double t[3] = {node.translation.size() == 3 ? node.translation[0] : 0.0,
                           node.translation.size() == 3 ? node.translation[1] : 0.0,
                           node.translation.size() == 3 ? node.translation[2] : 0.0};
      double q[4] = {0, 0, 0, 1};
      if (node.rotation.size() == 4) {
        std::copy(node.rotation.begin(), node.rotation.end(), q);
      }
      const double s[3] = {node.scale.size() == 3 ? node.scale[0] : 1.0, node.scale.size() == 3 ? node.scale[1] : 1.0,
                           node.scale.size() == 3 ? node.scale[2] : 1.0};
      const double x = q[0], y = q[1], z = q[2], w = q[3];
      const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                              {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                              {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
      // T * R * S, column-major.
      for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < 3; ++row) {
          column[4 * c + row] = r[row][c] * s[c];
        }
        column[12 + c] = t[c];
      }
    }
    host::Matrix m;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        m.m[i][j] = column[4 * i + j];
      }
    }
    return m;
  }

  // The elements of an accessor of `width` components each, as floats: float components
  // as they are, integer ones as their values or, when normalized, scaled to [0, 1]
  // (unsigned) or [-1, 1] (signed) as glTF defines them; then the sparse substitutions.
  // An accessor without a buffer view starts from zeros. Bounds-checked throughout.
  std::vector<float> Floats(int accessorIndex, int width, const char* what) const {
    const tinygltf::Accessor& accessor = Accessor(accessorIndex, what);
    const int type = accessor.componentType;
    const std::size_t componentSize =
        type == TINYGLTF_COMPONENT_TYPE_FLOAT                                                     ? 4
        : type == TINYGLTF_COMPONENT_TYPE_SHORT || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ? 2
        : type == TINYGLTF_COMPONENT_TYPE_BYTE || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE   ? 1
                                                                                                  : 0;
    if (componentSize == 0 || tinygltf::GetNumComponentsInType(static_cast<uint32_t>(accessor.type)) != width) {
      throw SceneError(path_ + ": " + what + " must be " + std::to_string(width) +
                       " floats, bytes or shorts per element");
    }
    const auto w = static_cast<std::size_t>(width);
    const std::size_t elementSize = w * componentSize;
    const bool dense = accessor.bufferView >= 0 || !accessor.sparse.isSparse;
    const Elements elements =
        dense ? View(accessor.bufferView, accessor.byteOffset, accessor.count, elementSize) : Elements{nullptr, 0};
    if (!dense && accessor.count > BufferBytes()) {
      throw SceneError(path_ + ": " + what + " claims more elements than the file holds");
    }
    std::vector<float> out;
    if (dense) {
      // Filled in order: no zeros written first.
      out.reserve(accessor.count * w);
      for (std::size_t i = 0; i < accessor.count; ++i) {
        for (std::size_t c = 0; c < w; ++c) {
          out.push_back(Component(elements[i] + c * componentSize, type, accessor.normalized));
        }
      }
    } else {
      out.assign(accessor.count * w, 0.0f);
    }
    const auto convert = [&](std::size_t i, const unsigned char* element) {
      for (std::size_t c = 0; c < w; ++c) {
        out[i * w + c] = Component(element + c * componentSize, type, accessor.normalized);
      }
    };
    if (accessor.sparse.isSparse) {
      const std::vector<int> targets = SparseTargets(accessor, what);
      const Elements values =
          View(accessor.sparse.values.bufferView, static_cast<std::size_t>(accessor.sparse.values.byteOffset),
               targets.size(), elementSize);
      for (std::size_t i = 0; i < targets.size(); ++i) {
        convert(static_cast<std::size_t>(targets[i]), values[i]);
      }
    }
    return out;
  }

  // The elements a sparse accessor replaces, checked against its size.
  std::vector<int> SparseTargets(const tinygltf::Accessor& accessor, const char* what) const {
    const auto& sparse = accessor.sparse;
    if (sparse.count < 1 || static_cast<std::size_t>(sparse.count) > accessor.count || sparse.indices.byteOffset < 0 ||
        sparse.values.byteOffset < 0) {
      throw SceneError(path_ + ": " + what + " has a sparse part of a wrong size");
    }
    return ReadIndices(sparse.indices.bufferView, static_cast<std::size_t>(sparse.indices.byteOffset),
                       static_cast<std::size_t>(sparse.count), sparse.indices.componentType, accessor.count);
  }

  static float Component(const unsigned char* p, int type, bool normalized) {
    switch (type) {
      case TINYGLTF_COMPONENT_TYPE_BYTE: {
        const auto v = static_cast<int8_t>(p[0]);
        return normalized ? std::max(static_cast<float>(v) / 127.0f, -1.0f) : static_cast<float>(v);
      }
      case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return normalized ? static_cast<float>(p[0]) / 255.0f : static_cast<float>(p[0]);
      case TINYGLTF_COMPONENT_TYPE_SHORT: {
        int16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? std::max(static_cast<float>(v) / 32767.0f, -1.0f) : static_cast<float>(v);
      }
      case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? static_cast<float>(v) / 65535.0f : static_cast<float>(v);
      }
      default: {
        float v;
        std::memcpy(&v, p, 4);
        return v;
      }
    }
  }

  // count unsigned indices of the given component type, each below `limit`.
  std::vector<int> ReadIndices(int bufferView, std::size_t byteOffset, std::size_t count, int type,
                               std::size_t limit) const {
    const std::size_t size = type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE    ? 1
                             : type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ? 2
                             : type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT   ? 4
                                                                              : 0;
    if (size == 0) {
      throw SceneError(path_ + ": indices must be unsigned integers");
    }
    const Elements elements = View(bufferView, byteOffset, count, size);
    const std::size_t bound = std::min<std::size_t>(limit, INT32_MAX);
    std::vector<int> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned char* element = elements[i];
      uint32_t value = 0;
      if (size == 1) value = element[0];
      if (size == 2) {
        uint16_t v16;
        std::memcpy(&v16, element, 2);
        value = v16;
      }
      if (size == 4) std::memcpy(&value, element, 4);
      if (value >= bound) {
        throw SceneError(path_ + ": index " + std::to_string(value) + " out of range (" + std::to_string(limit) +
                         " vertices)");
      }
      out.push_back(static_cast<int>(value));
    }
    return out;
  }

  std::vector<int> Indices(int accessorIndex, std::size_t vertexCount) const {
    const tinygltf::Accessor& accessor = Accessor(accessorIndex, "indices");
    if (accessor.type != TINYGLTF_TYPE_SCALAR) {
      throw SceneError(path_ + ": indices must be unsigned integers");
    }
    if (accessor.bufferView >= 0 || !accessor.sparse.isSparse) {
      std::vector<int> indices =
          ReadIndices(accessor.bufferView, accessor.byteOffset, accessor.count, accessor.componentType, vertexCount);
      ApplySparseIndices(accessor, vertexCount, &indices);
      return indices;
    }
    // Without a buffer view the indices start as zeros, as glTF defines it.
    if (accessor.count > BufferBytes() || (accessor.count > 0 && vertexCount == 0)) {
      throw SceneError(path_ + ": indices claim more elements than the file holds");
    }
    std::vector<int> indices(accessor.count, 0);
    ApplySparseIndices(accessor, vertexCount, &indices);
    return indices;
  }

  void ApplySparseIndices(const tinygltf::Accessor& accessor, std::size_t vertexCount,
                          std::vector<int>* indices) const {
    if (!accessor.sparse.isSparse) return;
    const std::vector<int> targets = SparseTargets(accessor, "indices");
    const std::vector<int> values =
        ReadIndices(accessor.sparse.values.bufferView, static_cast<std::size_t>(accessor.sparse.values.byteOffset),
                    targets.size(), accessor.componentType, vertexCount);
    for (std::size_t i = 0; i < targets.size(); ++i) (*indices)[static_cast<std::size_t>(targets[i])] = values[i];
  }

  const tinygltf::Accessor& Accessor(int index, const char* what) const {
    if (index < 0 || index >= static_cast<int>(model_.accessors.size())) {
      throw SceneError(path_ + ": " + what + " accessor " + std::to_string(index) + " does not exist");
    }
    return model_.accessors[static_cast<std::size_t>(index)];
  }

  // count elements of elementSize bytes each, from byteOffset into the buffer view on, at
  // the view's stride when it has one: checked to lie within the view and its buffer.
  struct Elements {
    const unsigned char* first;
    std::size_t stride;
    const unsigned char* operator[](std::size_t i) const { return first + i * stride; }
  };
  Elements View(int bufferView, std::size_t byteOffset, std::size_t count, std::size_t elementSize) const {
    if (bufferView < 0 || bufferView >= static_cast<int>(model_.bufferViews.size())) {
      throw SceneError(path_ + ": accessor without a valid buffer view");
    }
    const tinygltf::BufferView& view = model_.bufferViews[static_cast<std::size_t>(bufferView)];
    if (view.buffer < 0 || view.buffer >= static_cast<int>(model_.buffers.size())) {
      throw SceneError(path_ + ": buffer view without a valid buffer");
    }
    const std::vector<unsigned char>& data = model_.buffers[static_cast<std::size_t>(view.buffer)].data;
    const std::size_t stride = view.byteStride != 0 ? view.byteStride : elementSize;
    const std::size_t start = view.byteOffset + byteOffset;
    const std::size_t needed = count == 0 ? 0 : (count - 1) * stride + elementSize;
    if (count > data.size() || start > data.size() || needed > data.size() - start ||
        view.byteOffset + view.byteLength > data.size() || byteOffset + needed > view.byteLength) {
      throw SceneError(path_ + ": an accessor reaches past the end of its buffer");
    }
    return {data.data() + start, stride};
  }

  // All the bytes the file's buffers hold: more elements than this no accessor can mean.
  std::size_t BufferBytes() const {
    std::size_t bytes = 0;
    for (const tinygltf::Buffer& buffer : model_.buffers) bytes += buffer.data.size();
    return bytes;
  }

  // A strip's or fan's triangles as a list, in the winding glTF defines: triangle i of a
  // strip is (i, i + 1 + i % 2, i + 2 - i % 2), of a fan (i + 1, i + 2, 0).
  static std::vector<int> TriangleList(int mode, const std::vector<int>& corners) {
    if (mode != TINYGLTF_MODE_TRIANGLE_STRIP && mode != TINYGLTF_MODE_TRIANGLE_FAN) {
      return corners;
    }
    std::vector<int> list;
    const std::size_t triangles = corners.size() < 3 ? 0 : corners.size() - 2;
    list.reserve(3 * triangles);
    for (std::size_t i = 0; i < triangles; ++i) {
      if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
        list.insert(list.end(), {corners[i], corners[i + 1 + i % 2], corners[i + 2 - i % 2]});
      } else {
        list.insert(list.end(), {corners[i + 1], corners[i + 2], corners[0]});
      }
    }
    return list;
  }

  // A primitive's geometry: corners as a triangle list, 3 floats per point and normal,
  // 2 per texture coordinate in glTF's convention.
  struct Geometry {
    std::vector<int> corners;
    std::vector<float> points, normals, uvs;
  };

  Geometry ReadAccessors(const tinygltf::Primitive& primitive, int mode, const std::string& name) const {
    const auto position = primitive.attributes.find("POSITION");
    if (position == primitive.attributes.end()) {
      throw SceneError(path_ + ": a primitive of \"" + name + "\" has no POSITION");
    }
    Geometry geometry;
    geometry.points = Floats(position->second, 3, "POSITION");
    const std::size_t vertices = geometry.points.size() / 3;
    geometry.corners = TriangleList(
        mode, primitive.indices >= 0 ? Indices(primitive.indices, vertices) : [&] {
          std::vector<int> all(vertices);
          for (std::size_t i = 0; i < vertices; ++i) all[i] = static_cast<int>(i);
          return all;
        }());
    const auto normal = primitive.attributes.find("NORMAL");
    if (normal != primitive.attributes.end()) {
      geometry.normals = Floats(normal->second, 3, "NORMAL");
    }
    const auto uv = primitive.attributes.find("TEXCOORD_0");
    if (uv != primitive.attributes.end()) {
      geometry.uvs = Floats(uv->second, 2, "TEXCOORD_0");
    }
    return geometry;
  }

  // The primitive's mode; -1 for points and lines, which have no polygons.
  int TriangleMode(const tinygltf::Primitive& primitive, const std::string& name) const {
    const int mode = primitive.mode == -1 ? TINYGLTF_MODE_TRIANGLES : primitive.mode;
    if (mode < TINYGLTF_MODE_POINTS || mode > TINYGLTF_MODE_TRIANGLE_FAN) {
      throw SceneError(path_ + ": a primitive of \"" + name + "\" has mode " + std::to_string(mode) +
                       ", which glTF does not define (0 to 6)");
    }
    return mode == TINYGLTF_MODE_TRIANGLES || mode == TINYGLTF_MODE_TRIANGLE_STRIP || mode == TINYGLTF_MODE_TRIANGLE_FAN
               ? mode
               : -1;
  }

  // A triangle primitive's vertices in world space as glTF holds them: positions, unit
  // normals and tangents (w times the sign of the transform's determinant, since a
  // mirroring transform turns the bitangent around), texture coordinates as they are.
  void AddTangentPrimitive(const tinygltf::Primitive& primitive, const std::string& name, const host::Matrix& world,
                           RlGltfMesh* mesh) const {
    const int mode = TriangleMode(primitive, name);
    if (mode < 0) return;
    if (IsCompressed(primitive)) {
      throw SceneError(path_ + ": a primitive of " + name + " is compressed, and its decoder gives no tangents");
    }
    const Geometry geometry = ReadAccessors(primitive, mode, name);
    const std::size_t vertices = geometry.points.size() / 3;
    const auto tangent = primitive.attributes.find("TANGENT");
    if (tangent == primitive.attributes.end() || geometry.normals.size() != 3 * vertices ||
        geometry.uvs.size() != 2 * vertices) {
      throw SceneError(path_ + ": a primitive of " + name +
                       " lacks TANGENT, NORMAL or TEXCOORD_0, which baking in the file's own tangents needs");
    }
    const std::vector<float> tangents = Floats(tangent->second, 4, "TANGENT");
    if (tangents.size() != 4 * vertices || geometry.corners.size() % 3 != 0) {
      throw SceneError(path_ + ": a primitive of " + name + " has a TANGENT of another length than its POSITION");
    }
    const double(&m)[4][4] = world.m;
    const double determinant = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    const host::Matrix normalMatrix = world.NormalMatrix();
    const std::size_t first = mesh->vertices.size();
    for (std::size_t v = 0; v < vertices; ++v) {
      RlGltfVertex out;
      world.TransformPoint(&geometry.points[3 * v], out.position);
      normalMatrix.TransformNormal(&geometry.normals[3 * v], out.normal);
      double t[3], length = 0;
      for (int k = 0; k < 3; ++k) {
        t[k] = tangents[4 * v] * m[0][k] + tangents[4 * v + 1] * m[1][k] + tangents[4 * v + 2] * m[2][k];
        length += t[k] * t[k];
      }
      length = std::sqrt(length);
      for (int k = 0; k < 3; ++k) out.tangent[k] = length > 0 ? static_cast<float>(t[k] / length) : 0.0f;
      out.tangent[3] = (tangents[4 * v + 3] < 0) != (determinant < 0) ? -1.0f : 1.0f;
      out.uv[0] = geometry.uvs[2 * v];
      out.uv[1] = geometry.uvs[2 * v + 1];
      mesh->vertices.push_back(out);
    }
    for (std::size_t c = 0; c + 2 < geometry.corners.size(); c += 3) {
      RlIndex triangle;
      for (std::size_t i = 0; i < 3; ++i)
        triangle.idx[i] = static_cast<int>(first + static_cast<std::size_t>(geometry.corners[c + i]));
      mesh->indices.push_back(triangle);
    }
  }

  void AddPrimitive(const tinygltf::Primitive& primitive, const std::string& name, host::NodeId parent) {
    const int mode = TriangleMode(primitive, name);
    if (mode < 0) {
      ++skipped_;  // points and lines have no polygons
      return;
    }
    // A compressed block decodes to a triangle list whatever the mode.
    Geometry geometry;
    if (IsCompressed(primitive)) {
      DecodedPrimitive decoded = DecodeCompressed(path_, name, model_, primitive);
      geometry = {std::move(decoded.corners), std::move(decoded.points), std::move(decoded.normals),
                  std::move(decoded.uvs)};
    } else {
      geometry = ReadAccessors(primitive, mode, name);
    }
    if (geometry.corners.size() % 3 != 0) {
      throw SceneError(path_ + ": \"" + name + "\" has a triangle list whose length is not a multiple of 3");
    }
    host::MeshDesc mesh;
    mesh.points = std::move(geometry.points);
    const std::size_t vertices = mesh.points.size() / 3;
    mesh.faceCounts.assign(geometry.corners.size() / 3, 3);
    mesh.faceVerts = geometry.corners;
    mesh.faceNormalIds = geometry.corners;
    mesh.normals = std::move(geometry.normals);
    if (mesh.normals.size() != mesh.points.size()) {
      SmoothNormals(mesh);
    }
    // glTF's texture origin is the image's top left, v downwards; the host's is the
    // bottom left, v upwards.
    mesh.u.reserve(geometry.uvs.size() / 2);
    mesh.v.reserve(geometry.uvs.size() / 2);
    for (std::size_t i = 0; i + 1 < geometry.uvs.size(); i += 2) {
      mesh.u.push_back(geometry.uvs[i]);
      mesh.v.push_back(1.0f - geometry.uvs[i + 1]);
    }
    if (!mesh.u.empty() && mesh.u.size() == vertices) {
      mesh.faceUVIds = std::move(geometry.corners);
    }
    host::Scene& scene = *scene_;
    const host::NodeId shape = scene.AddMesh(name, parent, std::move(mesh));
    const int material = primitive.material;
    std::string setName = "default";
    if (material >= 0 && material < static_cast<int>(model_.materials.size())) {
      setName = model_.materials[static_cast<std::size_t>(material)].name;
      if (setName.empty()) setName = "material" + std::to_string(material);
    }
    auto [set, added] = sets_.try_emplace(setName, 0);
    if (added) {
      set->second = scene.AddShadingSet(setName);
    }
    scene.AssignObject(set->second, shape);
  }

  std::string path_;
  const tinygltf::Model& model_;
  host::Scene* scene_;
  std::map<std::string, int> sets_;
  int skipped_ = 0;
};

// Whether JSON text that tinygltf cannot take is glTF 1.0: its version says 1, or its
// top-level collections are objects where glTF 2.0 has arrays.
bool LooksLikeGltf1(std::string_view json) {
  const auto valueAfter = [&](std::string_view key, std::size_t from) -> char {
    std::size_t at = json.find(key, from);
    if (at == std::string_view::npos) return '\0';
    at += key.size();
    while (at < json.size() &&
           (json[at] == ' ' || json[at] == '\t' || json[at] == '\r' || json[at] == '\n' || json[at] == ':')) {
      ++at;
    }
    return at < json.size() ? json[at] : '\0';
  };
  const std::size_t version = json.find("\"version\"");
  if (version != std::string_view::npos && valueAfter("\"version\"", version) == '"' &&
      json.substr(json.find('"', json.find(':', version)) + 1, 2) == "1.") {
    return true;
  }
  for (const char* key : {"\"accessors\"", "\"meshes\"", "\"nodes\""}) {
    if (valueAfter(key, 0) == '{') return true;
  }
  return false;
}

// Extensions that change what a file's geometry is, and which this reader does not
// follow: a file that requires one is refused rather than read wrongly. (A file that
// still requires meshopt after its decoding has fallback data of its own, read as it is.)
bool ChangesGeometry(const std::string& extension) {
  return extension != "KHR_mesh_quantization" && extension != "KHR_draco_mesh_compression" &&
         extension != "EXT_meshopt_compression" && extension.rfind("KHR_materials_", 0) != 0 &&
         extension != "KHR_texture_basisu" && extension != "EXT_texture_webp" && extension != "KHR_lights_punctual" &&
         extension != "KHR_technique_webgl" && extension != "KHR_techniques_webgl";
}

}  // namespace

namespace {

// Buffers that a .gltf names by URI are inputs like the file itself: regular files only,
// and never opened merely to see whether they exist (a FIFO's open would wait).
bool BufferFileExists(const std::string& path, void*) { return access(path.c_str(), F_OK) == 0; }
bool ReadBufferFile(std::vector<unsigned char>* out, std::string* error, const std::string& path, void*) {
  return ReadInputFile(path, out, error);
}

}  // namespace

namespace {

// Reads a glTF 2.0 file into *model, its buffers checked, its images left undecoded.
// False for glTF 1.0, which Assimp reads; throws SceneError for anything else it cannot take.
bool LoadModel(const std::string& path, tinygltf::Model* model) {
  tinygltf::TinyGLTF loader;
  loader.SetFsCallbacks(
      {&BufferFileExists, &tinygltf::ExpandFilePath, &ReadBufferFile, &tinygltf::WriteWholeFile, nullptr});
  // Images are not needed: accept them without decoding.
  loader.SetImageLoader([](tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int,
                           void*) { return true; },
                        nullptr);
  std::string error, warning;
  const FileBytes file(path);
  const std::string_view mapped = file.Text();
  // Binary or text by what the file holds, whatever its name says.
  const bool binary = mapped.substr(0, 4) == "glTF";
  // Compressed primitives' index accessors are taken out for the loader (their indices
  // are in the compressed blocks); other files are read as they are.
  const std::string directory = std::filesystem::path(path).parent_path().string();
  const std::string rewritten = RewrittenForLoader(mapped, binary, directory, path);
  const std::string_view bytes = rewritten.empty() ? mapped : rewritten;
  if (bytes.size() > UINT32_MAX) {
    throw SceneError(path + ": larger than 4 GB, which glTF readers cannot take");
  }
  const auto length = static_cast<unsigned>(bytes.size());
  const bool loaded =
      binary ? loader.LoadBinaryFromMemory(model, &error, &warning,
                                           reinterpret_cast<const unsigned char*>(bytes.data()), length, directory)
             : loader.LoadASCIIFromString(model, &error, &warning, bytes.data(), length, directory);
  // tinygltf may stumble over meshopt-compressed meshes (their views have no data of
  // their own): name the cause instead.
  if (!loaded && LooksLikeGltf1(bytes)) return false;  // glTF 1.0, whose asset may be missing
  if (!loaded) {
    std::string reason = error.empty() ? "not a glTF file" : error;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
    for (char& c : reason) {
      if (c == '\n') c = ' ';
    }
    throw SceneError(path + ": " + reason);
  }
  if (model->asset.version.rfind("1.", 0) == 0) return false;
  if (model->asset.version.rfind("2.", 0) != 0) {
    throw SceneError(path + ": glTF " + (model->asset.version.empty() ? "of no version" : model->asset.version) +
                     " is not read; only glTF 1.0 and 2.0 are");
  }
  for (const std::string& extension : model->extensionsRequired) {
    if (ChangesGeometry(extension)) {
      throw SceneError(path + ": requires the extension " + extension + ", which this reader does not follow");
    }
  }
  return true;
}

}  // namespace

SceneRead LoadGltfScene(const std::string& path, host::Scene& scene, const SceneOptions&) {
  tinygltf::Model model;
  SceneRead read;
  if (!LoadModel(path, &model)) {
    read.read = false;  // glTF 1.0 is Assimp's to read
    return read;
  }
  GltfReader reader(path, model, &scene);
  for (const int root : reader.Roots(reader.CheckNodeGraph())) reader.AddTree(root);
  if (reader.SkippedPrimitives() > 0) {
    read.warnings.push_back(path + ": " + std::to_string(reader.SkippedPrimitives()) +
                            " primitives of points or lines skipped (they have no polygons)");
  }
  return read;
}

RlGltfMesh LoadGltfTangentMesh(const std::string& path) {
  tinygltf::Model model;
  if (!LoadModel(path, &model)) throw SceneError(path + ": glTF 1.0 holds no tangents");
  GltfReader reader(path, model, nullptr);
  RlGltfMesh mesh;
  for (const int root : reader.Roots(reader.CheckNodeGraph())) reader.AddTangentTree(root, &mesh);
  if (mesh.indices.empty()) throw SceneError(path + ": the scene holds no triangles");
  return mesh;
}
