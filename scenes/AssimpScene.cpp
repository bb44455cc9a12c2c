// Scenes in every other format Assimp reads: the node hierarchy with its transforms,
// each mesh with its polygons kept whole (the plug-in triangulates through the host),
// its normals (area-weighted smooth ones where the file has none) and first texture
// coordinate set, materials as shading sets, and a mesh that several nodes reference
// placed under each of them (the host's instancing), so that it is exported once per
// instance. Texture coordinates follow Assimp's convention, which is the host's.
//
// Some of Assimp's importers crash or loop forever on files they cannot read. So the
// file is read in a child process with a time limit, which sends a plain description of
// the scene back through a pipe; a child that dies is reported as a refused file.
#include <assimp/scene.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "InputFile.h"
#include "SceneFiles.h"
#include "SmoothNormals.h"
#include "host/Scene.h"

namespace {

// What the child reads of the file: nodes parents first, meshes by Assimp's index.
struct Description {
  struct Node {
    std::string name;
    int parent;         // index of an earlier node, or -1 below the world
    double matrix[16];  // the host's: row vectors
    std::vector<int> meshes;
  };
  struct Mesh {
    std::string name;
    std::string material;
    host::MeshDesc mesh;  // no faces: points or lines only
  };
  std::vector<Node> nodes;
  std::vector<Mesh> meshes;
  uint64_t skipped = 0;  // faces of one or two corners: they have no polygons
  std::string error;     // set when Assimp could not read the file
};

// Positions as the key of a vertex shared by faces, bit for bit.
struct PositionKey {
  uint32_t bits[3];
  bool operator==(const PositionKey& other) const { return std::memcmp(bits, other.bits, sizeof bits) == 0; }
};
struct PositionHash {
  std::size_t operator()(const PositionKey& key) const {
    return (key.bits[0] * 73856093u) ^ (key.bits[1] * 19349663u) ^ (key.bits[2] * 83492791u);
  }
};

// Each vertex's point in mesh, whose points it fills. Without normals, vertices at one
// position are one point, so that smoothing reaches across the faces that meet there.
std::vector<int> Points(const aiMesh& source, bool normals, host::MeshDesc* mesh) {
  std::unordered_map<PositionKey, int, PositionHash> pointAt;
  std::vector<int> pointOf(source.mNumVertices);
  for (unsigned v = 0; v < source.mNumVertices; ++v) {
    const aiVector3D& p = source.mVertices[v];
    pointOf[v] = static_cast<int>(mesh->points.size() / 3);
    if (!normals) {
      PositionKey key;
      std::memcpy(key.bits, &p.x, 4), std::memcpy(key.bits + 1, &p.y, 4), std::memcpy(key.bits + 2, &p.z, 4);
      const auto [found, added] = pointAt.try_emplace(key, pointOf[v]);
      if (!added) {
        pointOf[v] = found->second;  // a position met before
        continue;
      }
    }
    mesh->points.insert(mesh->points.end(), {p.x, p.y, p.z});
  }
  return pointOf;
}

host::MeshDesc MeshOf(const aiMesh& source, uint64_t* skipped) {
  host::MeshDesc mesh;
  // A mesh of points or lines alone (whatever number of vertices it claims) is skipped
  // before its vertices are looked at.
  unsigned polygons = 0;
  for (unsigned f = 0; f < source.mNumFaces; ++f) polygons += source.mFaces[f].mNumIndices >= 3;
  if (polygons == 0) {
    *skipped += source.mNumFaces;
    return mesh;
  }
  const bool normals = source.HasNormals();
  const bool uvs = source.HasTextureCoords(0);
  const std::vector<int> pointOf = Points(source, normals, &mesh);
  for (unsigned v = 0; normals && v < source.mNumVertices; ++v) {
    const aiVector3D& n = source.mNormals[v];
    mesh.normals.insert(mesh.normals.end(), {n.x, n.y, n.z});
  }
  for (unsigned v = 0; uvs && v < source.mNumVertices; ++v) {
    mesh.u.push_back(source.mTextureCoords[0][v].x);
    mesh.v.push_back(source.mTextureCoords[0][v].y);
  }
  for (unsigned f = 0; f < source.mNumFaces; ++f) {
    const aiFace& face = source.mFaces[f];
    bool usable = face.mNumIndices >= 3;
    for (unsigned c = 0; usable && c < face.mNumIndices; ++c) usable = face.mIndices[c] < source.mNumVertices;
    if (!usable) {
      ++*skipped;
      continue;
    }
    mesh.faceCounts.push_back(static_cast<int>(face.mNumIndices));
    for (unsigned c = 0; c < face.mNumIndices; ++c) {
      const unsigned v = face.mIndices[c];
      mesh.faceVerts.push_back(pointOf[v]);
      if (normals) mesh.faceNormalIds.push_back(static_cast<int>(v));
      if (uvs) mesh.faceUVIds.push_back(static_cast<int>(v));
    }
  }
  if (!mesh.faceCounts.empty() && !normals) {
    SmoothNormals(mesh);
  }
  return mesh;
}

void DescribeNode(const aiNode& node, int parent, int depth, Description& d) {
  if (depth > 256) {
    d.error = "nodes nest too deep";
    return;
  }
  Description::Node n;
  n.name = node.mName.length > 0 ? node.mName.C_Str() : "node" + std::to_string(d.nodes.size());
  n.parent = parent;
  // Assimp's matrices act on column vectors; the host's on row vectors.
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) n.matrix[4 * i + j] = node.mTransformation[j][i];
  }
  for (unsigned i = 0; i < node.mNumMeshes; ++i) n.meshes.push_back(static_cast<int>(node.mMeshes[i]));
  const int self = static_cast<int>(d.nodes.size());
  d.nodes.push_back(std::move(n));
  for (unsigned i = 0; i < node.mNumChildren && d.error.empty(); ++i) {
    if (node.mChildren[i] != nullptr) {  // some of Assimp's readers leave gaps
      DescribeNode(*node.mChildren[i], self, depth + 1, d);
    }
  }
}

Description Describe(const std::string& path) {
  Description d;
  Assimp::Importer importer;
  // No post-processing: polygons stay whole, vertices as the file has them.
  const aiScene* scene = importer.ReadFile(path, 0);
  if (scene == nullptr || scene->mRootNode == nullptr) {
    d.error = importer.GetErrorString();
    for (char& c : d.error) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    while (!d.error.empty() && d.error.back() == ' ') d.error.pop_back();
    if (d.error.empty()) d.error = "not a scene Assimp can read";
    return d;
  }
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    Description::Mesh mesh;
    if (scene->mMeshes[m] == nullptr) {
      d.meshes.push_back(std::move(mesh));  // a gap: no faces
      continue;
    }
    const aiMesh& source = *scene->mMeshes[m];
    mesh.name = source.mName.length > 0 ? source.mName.C_Str() : "mesh" + std::to_string(m);
    mesh.material = "default";
    if (source.mMaterialIndex < scene->mNumMaterials) {
      aiString text;
      mesh.material =
          scene->mMaterials[source.mMaterialIndex]->Get(AI_MATKEY_NAME, text) == AI_SUCCESS && text.length > 0
              ? text.C_Str()
              : "material" + std::to_string(source.mMaterialIndex);
    }
    mesh.mesh = MeshOf(source, &d.skipped);
    d.meshes.push_back(std::move(mesh));
  }
  DescribeNode(*scene->mRootNode, -1, 0, d);
  return d;
}

// The description on its way through the pipe: plain values and arrays, in one order.
class Channel {
 public:
  explicit Channel(FILE* fp) : fp_(fp) {}
  bool ok() const { return ok_; }

  template <typename T>
  void Put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    ok_ = ok_ && std::fwrite(&value, sizeof value, 1, fp_) == 1;
  }
  template <typename T>
  void Put(const std::vector<T>& values) {
    Put(static_cast<uint64_t>(values.size()));
    ok_ = ok_ && (values.empty() || std::fwrite(values.data(), sizeof(T), values.size(), fp_) == values.size());
  }
  void Put(const std::string& text) { Put(std::vector<char>(text.begin(), text.end())); }

  template <typename T>
  void Get(T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    ok_ = ok_ && std::fread(&value, sizeof value, 1, fp_) == 1;
  }
  template <typename T>
  void Get(std::vector<T>& values) {
    uint64_t size = 0;
    Get(size);
    // The child wrote at most what its memory held: a size past that is a broken pipe.
    if (!ok_ || size > (uint64_t{1} << 36) / sizeof(T)) {
      ok_ = false;
      return;
    }
    values.resize(static_cast<std::size_t>(size));
    ok_ = values.empty() || std::fread(values.data(), sizeof(T), values.size(), fp_) == values.size();
  }
  void Get(std::string& text) {
    std::vector<char> chars;
    Get(chars);
    text.assign(chars.begin(), chars.end());
  }

  // Both directions of a description, field by field.
  template <typename D>
  void Transfer(D& d) {
    Move(d.error);
    Move(d.skipped);
    uint64_t count = d.meshes.size();
    Move(count);
    if (!ok_ || count > (uint64_t{1} << 32)) return void(ok_ = false);
    d.meshes.resize(static_cast<std::size_t>(count));
    for (auto& m : d.meshes) {
      Move(m.name), Move(m.material), Move(m.mesh.points), Move(m.mesh.faceCounts), Move(m.mesh.faceVerts);
      Move(m.mesh.normals), Move(m.mesh.faceNormalIds), Move(m.mesh.u), Move(m.mesh.v), Move(m.mesh.faceUVIds);
    }
    count = d.nodes.size();
    Move(count);
    if (!ok_ || count > (uint64_t{1} << 32)) return void(ok_ = false);
    d.nodes.resize(static_cast<std::size_t>(count));
    for (auto& n : d.nodes) {
      Move(n.name), Move(n.parent), Move(n.matrix), Move(n.meshes);
    }
  }
  bool sending = false;

 private:
  template <typename T>
  void Move(T& value) {
    if (sending) {
      Put(value);
    } else {
      Get(value);
    }
  }

  FILE* fp_;
  bool ok_ = true;
};

// The child's part: the file described and sent down the channel's write end, then the
// child ends, with 0 when all went well.
[[noreturn]] void DescribeInChild(const std::string& path, const SceneOptions& options, int channel) {
  // A reader that faults ends the child by its signal, which the parent reports;
  // handlers the parent installed (a sanitizer's, a fuzzer's) have no say here.
  for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGPIPE}) {
    std::signal(signal, SIG_DFL);
  }
  // Some readers loop forever on hostile files: the reading gets its seconds and one
  // more per megabyte, then the alarm ends the child.
  struct stat info;
  const off_t megabytes = stat(path.c_str(), &info) == 0 ? info.st_size >> 20 : 0;
  std::signal(SIGALRM, SIG_DFL);
  // At least a hundredth of a second, at most a day (a NaN asks for the least).
  const double seconds = options.assimpSeconds >= 0.01 ? std::min(options.assimpSeconds, 86400.0) : 0.01;
  const double limit = seconds + static_cast<double>(std::min<off_t>(megabytes, 3600));
  itimerval timer{};
  timer.it_value.tv_sec = static_cast<time_t>(limit);
  timer.it_value.tv_usec = static_cast<suseconds_t>((limit - static_cast<double>(timer.it_value.tv_sec)) * 1e6);
  setitimer(ITIMER_REAL, &timer, nullptr);
  int status = 1;
  try {
    Description d = Describe(path);
    const itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    FILE* out = fdopen(channel, "wb");
    if (out != nullptr) setvbuf(out, nullptr, _IOFBF, 1 << 20);
    Channel send(out);
    send.sending = true;
    send.Transfer(d);
    status = send.ok() && std::fclose(out) == 0 ? 0 : 1;
  } catch (...) {
  }
  _exit(status);  // no destructors of the parent's objects run twice
}

// Reads the file in a child process. Throws SceneError when the child fails.
Description DescribeApart(const std::string& path, const SceneOptions& options) {
  // The child opens the file by name: what it opens is checked here first.
  std::string error;
  FILE* input = OpenInput(path, &error);
  if (input == nullptr) throw SceneError(error);
  std::fclose(input);
  int channel[2];
  if (pipe(channel) != 0) {
    throw SceneError(path + ": cannot start the Assimp reader");
  }
  std::fflush(nullptr);
  ChildWatch* watch = options.childWatch;
  if (watch != nullptr) watch->Forking();
  const pid_t pid = fork();
  if (pid < 0) {
    if (watch != nullptr) watch->Ended();
    close(channel[0]), close(channel[1]);
    throw SceneError(path + ": cannot start the Assimp reader");
  }
  if (pid == 0) {
    if (watch != nullptr) watch->InChild();
    close(channel[0]);
    DescribeInChild(path, options, channel[1]);
  }
  if (watch != nullptr) watch->Started(pid);
  close(channel[1]);
  Description d;
  FILE* in = fdopen(channel[0], "rb");
  Channel receive(in);
  if (in != nullptr) {
    setvbuf(in, nullptr, _IOFBF, 1 << 20);
    receive.Transfer(d);
    std::fclose(in);
  } else {
    close(channel[0]);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (watch != nullptr) watch->Ended();
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
    throw SceneError(path + ": Assimp's reader did not finish reading it in time");
  }
  if (WIFSIGNALED(status)) {
    throw SceneError(path + ": Assimp's reader crashed on it (" + strsignal(WTERMSIG(status)) + ")");
  }
  if (!receive.ok() || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw SceneError(path + ": Assimp's reader failed on it");
  }
  return d;
}

}  // namespace

SceneRead LoadAssimpScene(const std::string& path, host::Scene& scene, const SceneOptions& options) {
  Description d = DescribeApart(path, options);
  if (!d.error.empty()) {
    throw SceneError(path + ": " + d.error);
  }
  std::vector<host::NodeId> transforms;
  std::map<int, host::NodeId> shapes;  // Assimp mesh -> its host shape
  std::map<std::string, int> sets;
  for (Description::Node& node : d.nodes) {
    host::Matrix local;
    std::memcpy(&local.m[0][0], node.matrix, sizeof node.matrix);
    const host::NodeId parent = node.parent < 0 ? host::kWorld : transforms[static_cast<std::size_t>(node.parent)];
    const host::NodeId transform = scene.AddTransform(node.name, parent, local);
    transforms.push_back(transform);
    for (const int index : node.meshes) {
      if (index < 0 || static_cast<std::size_t>(index) >= d.meshes.size()) {
        throw SceneError(path + ": node \"" + node.name + "\" names mesh " + std::to_string(index) +
                         ", which does not exist");
      }
      Description::Mesh& mesh = d.meshes[static_cast<std::size_t>(index)];
      if (const auto placed = shapes.find(index); placed != shapes.end()) {
        scene.AddParent(placed->second, transform);  // another instance
        continue;
      }
      if (mesh.mesh.faceCounts.empty()) {
        continue;  // points or lines only
      }
      const host::NodeId shape = scene.AddMesh(mesh.name, transform, std::move(mesh.mesh));
      shapes.emplace(index, shape);
      auto [set, added] = sets.try_emplace(mesh.material, 0);
      if (added) set->second = scene.AddShadingSet(mesh.material);
      scene.AssignObject(set->second, shape);
    }
  }
  SceneRead read;
  if (d.skipped > 0) {
    read.warnings.push_back(path + ": " + std::to_string(d.skipped) +
                            " points or lines skipped (they have no polygons)");
  }
  return read;
}

std::vector<std::string> AssimpExtensions() {
  std::string list;
  Assimp::Importer().GetExtensionList(list);  // "*.3ds;*.obj;..."
  std::vector<std::string> extensions;
  for (std::size_t at = 0; at < list.size();) {
    std::size_t end = list.find(';', at);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(at, end - at);
    if (item.rfind("*", 0) == 0) item.erase(0, 1);
    if (!item.empty()) extensions.push_back(item);
    at = end + 1;
  }
  return extensions;
}
