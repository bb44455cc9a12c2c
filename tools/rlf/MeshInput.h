// What the commands read: an RLF file (by its content, or named .rlf), or any scene rlf
// export reads, exported through the plug-in first so that a command sees exactly what
// an export holds.
#ifndef RLF_MESH_INPUT_H
#define RLF_MESH_INPUT_H

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "RlFileIO.h"

// An input opened as an RLF stream: the RLF file itself, or a scene's export, read into
// memory as the plug-in writes it (through a FIFO in a scratch directory that an
// interrupt removes; nothing of the export reaches a disk).
class MeshInput {
 public:
  // False with *error, one line naming the file, on failure.
  bool Open(const std::string& path, std::string* error);
  // The RLF bytes from their start; the input owns the stream.
  FILE* Stream() const { return stream_.get(); }

 private:
  std::vector<unsigned char> exported_;
  std::unique_ptr<FILE, int (*)(FILE*)> stream_{nullptr, std::fclose};
};

// A path's extension in lower case, with its dot (".rlf"); empty when it has none.
std::string ExtensionOf(const std::string& path);

// The triangles of an RLF stream from its start (name says whose, in *error). A file
// whose triangle chunk holds no triangles reads as empty.
bool ReadTriangles(FILE* fp, const std::string& name, std::vector<RlRawTriangle>* tris, std::string* error);

// The triangles of the input at path: MeshInput, then ReadTriangles.
bool ReadMesh(const std::string& path, std::vector<RlRawTriangle>* tris, std::string* error);

// A scene's mesh objects, each exported on its own (in memory, as MeshInput does), or
// with bySets each renderable shading set of each object on its own (material names it).
struct NamedMesh {
  std::string name;
  std::string material;
  std::vector<RlRawTriangle> tris;
};
// False with *error (one line naming the file) on failure, and for an RLF file, which
// holds no names.
bool ReadMeshObjects(const std::string& path, bool bySets, std::vector<NamedMesh>* objects, std::string* error);

#endif
