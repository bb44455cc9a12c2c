// Wavefront OBJ scenes, read by a parser of our own, in two steps. The mapped file is cut
// at a line boundary into stretches that are read side by side: each records the
// elements it defines (numbers converted with std::from_chars, correctly rounded) and
// its face, o/g and usemtl statements in order, without knowing what came before it.
// Then the stretches are applied in file order, so o/g and usemtl apply to the faces
// that follow them and every index is checked against what was defined before its face.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "InputFile.h"
#include "SceneFiles.h"
#include "SmoothNormals.h"
#include "host/Scene.h"

namespace {

// What one stretch of the file says.
struct Stretch {
  struct Statement {
    enum Kind : uint8_t { kFace, kObject, kMaterial } kind;
    int line;        // counted from the stretch's first line, 1-based
    int first;       // kFace: its first corner; otherwise its name in `names`
    int count;       // kFace: its corners
    int defined[3];  // kFace: positions, texture coordinates, normals of this stretch before it
  };
  std::vector<float> positions, uvs, normals;
  std::vector<int> corners;  // per face corner: v, t, n as written (0: not given)
  std::vector<Statement> statements;
  std::vector<std::string> names;
  int lines = 0;
  uint64_t pointsAndLines = 0;  // p and l statements: they have no polygons
  // The first malformed statement: reading stopped there.
  int errorLine = 0;
  std::string error;
};

bool Space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// The next whitespace-separated word of s (empty at the end), s advanced past it.
std::string_view Word(std::string_view& s) {
  std::size_t i = 0;
  while (i < s.size() && Space(s[i])) ++i;
  std::size_t j = i;
  while (j < s.size() && !Space(s[j])) ++j;
  const std::string_view word = s.substr(i, j - i);
  s.remove_prefix(j);
  return word;
}

// Reads one stretch of the text. Throws nothing: a malformed statement ends it with an
// error, as does running out of memory.
class StretchReader {
 public:
  explicit StretchReader(Stretch& out) : out_(out) {}

  void Read(std::string_view text) {
    try {
      std::size_t at = 0;
      while (at < text.size() && out_.error.empty()) {
        ++out_.lines;
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        Statement(text.substr(at, end - at));
        at = end + 1;
      }
    } catch (const std::bad_alloc&) {
      Fail("not enough memory to read the file");
    }
  }

 private:
  void Fail(std::string what) {
    if (out_.error.empty()) {
      out_.errorLine = out_.lines;
      out_.error = std::move(what);
    }
  }

  // A float; false (with the error set) when the word is not a number.
  bool Number(std::string_view word, float* value) {
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), *value);
    if ((error != std::errc() && error != std::errc::result_out_of_range) || end != word.data() + word.size()) {
      Fail("\"" + std::string(word) + "\" is not a number");
      return false;
    }
    if (error == std::errc::result_out_of_range) {
      // Infinities and zeros are what such values mean in single precision.
      *value = static_cast<float>(std::strtod(std::string(word).c_str(), nullptr));
    }
    return true;
  }

  // Up to `count` numbers into pool; missing ones are 0, more are ignored.
  void Numbers(std::string_view rest, int count, std::vector<float>& pool) {
    for (int k = 0; k < count; ++k) {
      const std::string_view word = Word(rest);
      float value = 0;
      if (!word.empty() && !Number(word, &value)) return;
      pool.push_back(value);
    }
  }

  // An index as written: nonzero, or 0 when the part is empty.
  bool Index(std::string_view word, const char* what, int* index) {
    if (word.empty()) {
      *index = 0;
      return true;
    }
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), *index);
    if (error == std::errc::result_out_of_range) {
      Fail(std::string(what) + " index " + std::string(word) + " out of range");
      return false;
    }
    if (error != std::errc() || end != word.data() + word.size()) {
      Fail(std::string(what) + " index \"" + std::string(word) + "\" is not a number");
      return false;
    }
    if (*index == 0) {
      Fail(std::string(what) + " index 0 out of range");
      return false;
    }
    return true;
  }

  void Face(std::string_view s) {
    Stretch::Statement face{Stretch::Statement::kFace,
                            out_.lines,
                            static_cast<int>(out_.corners.size() / 3),
                            0,
                            {static_cast<int>(out_.positions.size() / 3), static_cast<int>(out_.uvs.size() / 2),
                             static_cast<int>(out_.normals.size() / 3)}};
    for (std::string_view corner = Word(s); !corner.empty(); corner = Word(s), ++face.count) {
      // v, v/t, v//n or v/t/n
      const std::size_t slash1 = corner.find('/');
      std::string_view texture, normal;
      if (slash1 != std::string_view::npos) {
        const std::size_t slash2 = corner.find('/', slash1 + 1);
        texture =
            corner.substr(slash1 + 1, slash2 == std::string_view::npos ? std::string_view::npos : slash2 - slash1 - 1);
        if (slash2 != std::string_view::npos) normal = corner.substr(slash2 + 1);
      }
      int v = 0, t = 0, n = 0;
      const std::string_view vertex = corner.substr(0, slash1);
      if (vertex.empty()) {
        Fail("vertex index 0 out of range");
        return;
      }
      if (!Index(vertex, "vertex", &v) || !Index(texture, "texture coordinate", &t) || !Index(normal, "normal", &n)) {
        return;
      }
      out_.corners.insert(out_.corners.end(), {v, t, n});
    }
    if (face.count < 3) {
      Fail("a face needs at least 3 vertices");
      return;
    }
    out_.statements.push_back(face);
  }

  void Named(Stretch::Statement::Kind kind, std::string name) {
    out_.statements.push_back({kind, out_.lines, static_cast<int>(out_.names.size()), 0, {0, 0, 0}});
    out_.names.push_back(std::move(name));
  }

  // The rest of the statement, without surrounding whitespace: a name.
  static std::string Rest(std::string_view s) {
    while (!s.empty() && Space(s.front())) s.remove_prefix(1);
    while (!s.empty() && Space(s.back())) s.remove_suffix(1);
    return std::string(s);
  }

  void Statement(std::string_view s) {
    if (const std::size_t hash = s.find('#'); hash != std::string_view::npos) {
      s = s.substr(0, hash);
    }
    const std::string_view keyword = Word(s);
    if (keyword == "v") {
      Numbers(s, 3, out_.positions);
    } else if (keyword == "vt") {
      Numbers(s, 2, out_.uvs);
    } else if (keyword == "vn") {
      Numbers(s, 3, out_.normals);
    } else if (keyword == "f") {
      Face(s);
    } else if (keyword == "o" || keyword == "g") {
      // A group of several names takes the first.
      const std::string_view first = Word(s);
      Named(Stretch::Statement::kObject, first.empty() ? "default" : std::string(first));
    } else if (keyword == "usemtl") {
      Named(Stretch::Statement::kMaterial, Rest(s));
    } else if (keyword == "p" || keyword == "l") {
      ++out_.pointsAndLines;
    }
    // Anything else (mtllib, s, curves) carries no polygons.
  }

  Stretch& out_;
};

// Where a file element (point, normal or texture coordinate) lives in the mesh that
// uses it: each mesh takes its own copy of the elements its faces name.
struct Local {
  int mesh = -1;  // the mesh that last took it
  int id = -1;    // its index there
};

struct ObjMesh {
  std::string name;
  host::MeshDesc mesh;
  std::vector<float> uvPool;      // u, v pairs, split into the mesh's u and v at the end
  std::vector<int> faceMaterial;  // per face, into the scene's materials
  bool hasNormals = false;
};

// Applies the stretches in file order and builds the host's scene from them.
class SceneBuilder {
 public:
  explicit SceneBuilder(std::string path) : path_(std::move(path)) {}

  void Apply(std::vector<Stretch>& stretches) {
    // The elements of the whole file, in order; and how many each stretch defines.
    std::vector<std::array<std::size_t, 3>> defines;
    for (Stretch& s : stretches) {
      defines.push_back({s.positions.size() / 3, s.uvs.size() / 2, s.normals.size() / 3});
      positions_.insert(positions_.end(), s.positions.begin(), s.positions.end());
      uvs_.insert(uvs_.end(), s.uvs.begin(), s.uvs.end());
      normals_.insert(normals_.end(), s.normals.begin(), s.normals.end());
      std::vector<float>().swap(s.positions);
      std::vector<float>().swap(s.uvs);
      std::vector<float>().swap(s.normals);
    }
    int firstLine = 1;
    std::size_t before[3] = {0, 0, 0};  // elements of the stretches before this one
    for (std::size_t i = 0; i < stretches.size(); ++i) {
      const Stretch& s = stretches[i];
      for (const Stretch::Statement& st : s.statements) {
        line_ = firstLine + st.line - 1;
        if (st.kind == Stretch::Statement::kFace) {
          Face(s, st, before);
        } else if (st.kind == Stretch::Statement::kObject) {
          StartMesh(s.names[static_cast<std::size_t>(st.first)]);
        } else {
          Material(s.names[static_cast<std::size_t>(st.first)]);
        }
      }
      if (!s.error.empty()) {
        line_ = firstLine + s.errorLine - 1;
        Fail(s.error);
      }
      firstLine += s.lines;
      for (std::size_t k = 0; k < 3; ++k) {
        before[k] += defines[i][k];
      }
    }
  }

  // One transform with a mesh shape per o/g; one renderable set per material name.
  void Build(host::Scene& scene) {
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

  // A written index (1-based, or negative from the end) among the `count` defined so far.
  int Resolve(int raw, std::size_t count, const char* what) const {
    const long long resolved = raw > 0 ? raw - 1LL : static_cast<long long>(count) + raw;
    if (resolved < 0 || resolved >= static_cast<long long>(count)) {
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

  void Face(const Stretch& s, const Stretch::Statement& face, const std::size_t* before) {
    if (meshes_.empty()) meshes_.push_back(ObjMesh{"default", {}, {}, {}, false});
    ObjMesh& m = meshes_.back();
    const std::size_t positions = before[0] + static_cast<std::size_t>(face.defined[0]);
    const std::size_t uvs = before[1] + static_cast<std::size_t>(face.defined[1]);
    const std::size_t normals = before[2] + static_cast<std::size_t>(face.defined[2]);
    for (int c = 0; c < face.count; ++c) {
      const int* corner = &s.corners[3 * static_cast<std::size_t>(face.first + c)];
      const int v = Resolve(corner[0], positions, "vertex");
      m.mesh.faceVerts.push_back(LocalId(pointLocal_, v, positions_, 3, m.mesh.points));
      if (corner[2] == 0) {
        m.mesh.faceNormalIds.push_back(-1);
      } else {
        const int n = Resolve(corner[2], normals, "normal");
        m.mesh.faceNormalIds.push_back(LocalId(normalLocal_, n, normals_, 3, m.mesh.normals));
        m.hasNormals = true;
      }
      if (corner[1] == 0) {
        m.mesh.faceUVIds.push_back(-1);
      } else {
        const int t = Resolve(corner[1], uvs, "texture coordinate");
        m.mesh.faceUVIds.push_back(LocalId(uvLocal_, t, uvs_, 2, m.uvPool));
      }
    }
    m.mesh.faceCounts.push_back(face.count);
    if (material_ < 0) Material("default");
    m.faceMaterial.push_back(material_);
  }

  std::string path_;
  int line_ = 0;
  std::vector<float> positions_, uvs_, normals_;
  std::vector<Local> pointLocal_, normalLocal_, uvLocal_;
  std::vector<ObjMesh> meshes_;
  std::vector<std::string> materials_;
  std::map<std::string, int> materialIds_;
  int material_ = -1;
};

// Below this size one stretch is read; above it, one per core (two at most, where the
// gain is).
constexpr std::size_t kSplitBytes = 1 << 20;

// The text of a file saved as UTF-16 (it starts with a byte order mark), as bytes: OBJ
// statements are ASCII, and other characters can only be in names.
std::string FromUtf16(std::string_view bytes) {
  const bool big = static_cast<unsigned char>(bytes[0]) == 0xFE;
  std::string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const unsigned unit = big ? (static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1])
                              : (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i]);
    text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  }
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The format a file's first bytes announce, for those that announce one; empty otherwise.
std::string AnnouncedFormat(std::string_view text) {
  const std::string_view head = text.substr(0, 512);
  if (StartsWith(head, "ply\n") || StartsWith(head, "ply\r\n")) return "PLY";
  if (StartsWith(head, "Kaydara FBX Binary")) return "FBX";
  if (StartsWith(head, "glTF")) return "binary glTF";
  if (StartsWith(head, "RLF ")) return "RLF";
  const bool utf16 = StartsWith(head, "\xFF\xFE") || StartsWith(head, "\xFE\xFF");
  if (!utf16 && head.find('\0') != std::string_view::npos) return "binary";
  return {};
}

}  // namespace

SceneRead LoadObjScene(const std::string& path, host::Scene& scene, const SceneOptions&) {
  SceneBuilder builder(path);
  uint64_t pointsAndLines = 0;
  {
    const FileBytes file(path);
    std::string_view text = file.Text();
    // Another format's data would read as an empty scene: it is refused, named.
    if (const std::string announced = AnnouncedFormat(text); !announced.empty()) {
      throw SceneError(
          path + ": holds " + announced + " data, not Wavefront OBJ text" +
          (announced == "RLF" ? " (rlf info, weld, render and bake read RLF files)" : "; name the file by its format"));
    }
    std::string transcoded;
    if (StartsWith(text, "\xEF\xBB\xBF")) {
      text.remove_prefix(3);  // a UTF-8 byte order mark
    } else if (StartsWith(text, "\xFF\xFE") || StartsWith(text, "\xFE\xFF")) {
      transcoded = FromUtf16(text);
      text = transcoded;
    }
    std::size_t cut = text.size();
    if (text.size() >= kSplitBytes && std::thread::hardware_concurrency() >= 2) {
      cut = text.find('\n', text.size() / 2);
      cut = cut == std::string_view::npos ? text.size() : cut + 1;
    }
    std::vector<Stretch> stretches(cut < text.size() ? 2 : 1);
    std::thread second;
    if (stretches.size() == 2) {
      try {
        second = std::thread([&] { StretchReader(stretches[1]).Read(text.substr(cut)); });
      } catch (const std::system_error&) {
        StretchReader(stretches[1]).Read(text.substr(cut));  // no thread to be had: in turn
      }
    }
    StretchReader(stretches[0]).Read(text.substr(0, cut));
    if (second.joinable()) second.join();
    for (const Stretch& stretch : stretches) pointsAndLines += stretch.pointsAndLines;
    builder.Apply(stretches);
  }
  builder.Build(scene);
  SceneRead read;
  if (pointsAndLines > 0) {
    read.warnings.push_back(path + ": " + std::to_string(pointsAndLines) +
                            " points or lines skipped (they have no polygons)");
  }
  return read;
}
