// Wavefront OBJ scenes, read by a parser of our own: the file is mapped whole, then walked
// line by line once, numbers converted with std::from_chars (correctly rounded), and
// every statement applied in file order, so o/g and usemtl apply to the faces that follow.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

#include "MappedFile.h"
#include "SceneFiles.h"
#include "SmoothNormals.h"
#include "host/Scene.h"

namespace {

// Where a file element (point, normal or texture coordinate) lives in the mesh that
// uses it: each mesh takes its own copy of the elements its faces name.
struct Local {
  int mesh = -1;  // the mesh that last took it
  int id = -1;    // its index there
};

struct ObjMesh {
  std::string name;
  host::MeshDesc mesh;
  std::vector<float> uvPool;     // u, v pairs, split into the mesh's u and v at the end
  std::vector<int> faceMaterial;  // per face, into ObjReader::materials
  bool hasNormals = false;
};

class ObjReader {
 public:
  explicit ObjReader(std::string path) : path_(std::move(path)) {}

  void Parse(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
      ++line_;
      std::size_t end = text.find('\n', at);
      if (end == std::string_view::npos) end = text.size();
      Statement(text.substr(at, end - at));
      at = end + 1;
    }
  }

  // One transform with a mesh shape per o/g; one renderable set per material name.
  void Build() {
    host::Scene& scene = host::Scene::Active();
    std::map<std::string, int> sets;
    for (ObjMesh& m : meshes_) {
      if (m.mesh.faceCounts.empty()) {
        continue;
      }
      m.mesh.u.reserve(m.uvPool.size() / 2);
      m.mesh.v.reserve(m.uvPool.size() / 2);
      for (std::size_t i = 0; i < m.uvPool.size(); i += 2) {
        m.mesh.u.push_back(m.uvPool[i]);
        m.mesh.v.push_back(m.uvPool[i + 1]);
      }
      if (!m.hasNormals) {
        SmoothNormals(m.mesh);
      } else if (std::find(m.mesh.faceNormalIds.begin(), m.mesh.faceNormalIds.end(), -1) !=
                 m.mesh.faceNormalIds.end()) {
        throw SceneError(path_ + ": mesh \"" + m.name + "\" gives normals to some face-vertices only");
      }
      const host::NodeId shape = scene.AddMesh(m.name + "Shape", scene.AddTransform(m.name), std::move(m.mesh));
      // The mesh's faces by material, materials in name order.
      std::vector<std::vector<int>> facesOf(materials_.size());
      for (std::size_t f = 0; f < m.faceMaterial.size(); ++f) {
        facesOf[static_cast<std::size_t>(m.faceMaterial[f])].push_back(static_cast<int>(f));
      }
      std::map<std::string_view, int> byName;
      for (std::size_t id = 0; id < facesOf.size(); ++id) {
        if (!facesOf[id].empty()) byName.emplace(materials_[id], static_cast<int>(id));
      }
      for (const auto& [name, id] : byName) {
        auto [set, added] = sets.try_emplace(std::string(name), 0);
        if (added) {
          set->second = scene.AddShadingSet(set->first);
        }
        scene.AssignFaces(set->second, shape, std::move(facesOf[static_cast<std::size_t>(id)]));
      }
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw SceneError(path_ + ":" + std::to_string(line_) + ": " + what);
  }

  static bool Space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

  // The next whitespace-separated word of s (empty at the end), s advanced past it.
  static std::string_view Word(std::string_view& s) {
    std::size_t i = 0;
    while (i < s.size() && Space(s[i])) ++i;
    std::size_t j = i;
    while (j < s.size() && !Space(s[j])) ++j;
    const std::string_view word = s.substr(i, j - i);
    s.remove_prefix(j);
    return word;
  }

  // The rest of the statement, without surrounding whitespace: a name.
  static std::string Rest(std::string_view s) {
    while (!s.empty() && Space(s.front())) s.remove_prefix(1);
    while (!s.empty() && Space(s.back())) s.remove_suffix(1);
    return std::string(s);
  }

  float Number(std::string_view word) const {
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    float value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    // Out of range: infinities and zeros are what the value means in single precision.
    if ((error != std::errc() && error != std::errc::result_out_of_range) || end != word.data() + word.size()) {
      Fail("\"" + std::string(word) + "\" is not a number");
    }
    if (error == std::errc::result_out_of_range) {
      value = static_cast<float>(std::strtod(std::string(word).c_str(), nullptr));
    }
    return value;
  }

  // Up to `count` numbers of the statement into pool; missing ones are 0, more are ignored.
  void Numbers(std::string_view rest, int count, std::vector<float>& pool) const {
    for (int k = 0; k < count; ++k) {
      const std::string_view word = Word(rest);
      pool.push_back(word.empty() ? 0.0f : Number(word));
    }
  }

  void Statement(std::string_view s) {
    if (const std::size_t hash = s.find('#'); hash != std::string_view::npos) {
      s = s.substr(0, hash);
    }
    const std::string_view keyword = Word(s);
    if (keyword == "v") {
      Numbers(s, 3, positions_);
    } else if (keyword == "vt") {
      Numbers(s, 2, uvs_);
    } else if (keyword == "vn") {
      Numbers(s, 3, normals_);
    } else if (keyword == "f") {
      Face(s);
    } else if (keyword == "o" || keyword == "g") {
      // A group of several names takes the first.
      std::string_view names = s;
      const std::string_view first = Word(names);
      StartMesh(first.empty() ? "default" : std::string(first));
    } else if (keyword == "usemtl") {
      Material(Rest(s));
    }
    // Anything else (mtllib, s, l, p, curves) carries no polygons.
  }

  void StartMesh(const std::string& name) {
    if (!meshes_.empty() && meshes_.back().mesh.faceCounts.empty()) {
      meshes_.back().name = name;  // nothing of the previous one yet
      return;
    }
    meshes_.push_back(ObjMesh{name, {}, {}, {}, false});
  }

  void Material(const std::string& name) {
    const auto [found, added] = materialIds_.try_emplace(name, static_cast<int>(materials_.size()));
    if (added) materials_.push_back(name);
    material_ = found->second;
  }

  ObjMesh& Current() {
    if (meshes_.empty()) meshes_.push_back(ObjMesh{"default", {}, {}, {}, false});
    return meshes_.back();
  }

  // An OBJ index (1-based, or negative from the end; 0 = none) into count elements.
  int Resolve(std::string_view word, std::size_t count, const char* what) const {
    long long raw = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), raw);
    if (error != std::errc() || end != word.data() + word.size()) {
      Fail(std::string(what) + " index \"" + std::string(word) + "\" is not a number");
    }
    const long long resolved = raw > 0 ? raw - 1 : static_cast<long long>(count) + raw;
    if (raw == 0 || resolved < 0 || resolved >= static_cast<long long>(count)) {
      Fail(std::string(what) + " index " + std::to_string(raw) + " out of range (" + std::to_string(count) +
           " defined)");
    }
    return static_cast<int>(resolved);
  }

  // The mesh-local id of a file element, copying it into the mesh on first use.
  int LocalId(std::vector<Local>& locals, int file, const std::vector<float>& pool, std::size_t width,
              std::vector<float>& into) {
    if (locals.size() <= static_cast<std::size_t>(file)) locals.resize(pool.size() / width);
    Local& local = locals[static_cast<std::size_t>(file)];
    const int mesh = static_cast<int>(meshes_.size()) - 1;
    if (local.mesh != mesh) {
      local = {mesh, static_cast<int>(into.size() / width)};
      const auto from = pool.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(file) * width);
      into.insert(into.end(), from, from + static_cast<std::ptrdiff_t>(width));
    }
    return local.id;
  }

  void Face(std::string_view s) {
    ObjMesh& m = Current();
    int count = 0;
    for (std::string_view corner = Word(s); !corner.empty(); corner = Word(s), ++count) {
      // v, v/t, v//n or v/t/n
      const std::size_t slash1 = corner.find('/');
      const std::string_view vertex = corner.substr(0, slash1);
      std::string_view texture, normal;
      if (slash1 != std::string_view::npos) {
        const std::size_t slash2 = corner.find('/', slash1 + 1);
        texture = corner.substr(slash1 + 1, slash2 == std::string_view::npos ? std::string_view::npos : slash2 - slash1 - 1);
        if (slash2 != std::string_view::npos) normal = corner.substr(slash2 + 1);
      }
      const int v = Resolve(vertex, positions_.size() / 3, "vertex");
      m.mesh.faceVerts.push_back(LocalId(pointLocal_, v, positions_, 3, m.mesh.points));
      if (normal.empty()) {
        m.mesh.faceNormalIds.push_back(-1);
      } else {
        const int n = Resolve(normal, normals_.size() / 3, "normal");
        m.mesh.faceNormalIds.push_back(LocalId(normalLocal_, n, normals_, 3, m.mesh.normals));
        m.hasNormals = true;
      }
      if (texture.empty()) {
        m.mesh.faceUVIds.push_back(-1);
      } else {
        const int t = Resolve(texture, uvs_.size() / 2, "texture coordinate");
        m.mesh.faceUVIds.push_back(LocalId(uvLocal_, t, uvs_, 2, m.uvPool));
      }
    }
    if (count < 3) {
      Fail("a face needs at least 3 vertices");
    }
    m.mesh.faceCounts.push_back(count);
    if (material_ < 0) Material("default");
    m.faceMaterial.push_back(material_);
  }

  std::string path_;
  int line_ = 0;
  std::vector<float> positions_, normals_, uvs_;
  std::vector<Local> pointLocal_, normalLocal_, uvLocal_;
  std::vector<ObjMesh> meshes_;
  std::vector<std::string> materials_;
  std::map<std::string, int> materialIds_;
  int material_ = -1;
};

}  // namespace

void LoadObjScene(const std::string& path) {
  ObjReader reader(path);
  {
    const MappedFile file(path);
    reader.Parse(file.Text());
  }
  reader.Build();
}
