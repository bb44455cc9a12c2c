// Writes a triangle to an RLF file, reads it back and welds it, through the installed
// library. Exit status 0 when everything agrees.
#include <RlFileIO.h>
#include <RlTangentSpace.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  RlRawTriangle tri = {};
  tri.vert[1].x = 1;
  tri.vert[2].y = 1;
  for (RlRawPoint& n : tri.norm) n.z = 1;
  tri.texCoord[1].u = 1;
  tri.texCoord[2].v = 1;
  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr || !RlWriteTriangles(out, 1, &tri)) return 1;
  std::fclose(out);
  FILE* in = std::fopen(argv[1], "rb");
  int numTris = 0;
  RlRawTriangle* read = nullptr;
  const bool ok = in != nullptr && RlReadTriangles(in, &numTris, &read) && numTris == 1;
  if (in != nullptr) std::fclose(in);
  int numVerts = 0;
  RlTangentPointD* verts = nullptr;
  RlIndex* indices = nullptr;
  const bool welded = ok && RlCreateVertexBuffers(numTris, read, &numVerts, &verts, &indices);
  std::printf("read %d triangle(s), welded into %d vertices\n", numTris, numVerts);
  delete[] read;
  delete[] verts;
  delete[] indices;
  return welded && numVerts == 3 ? 0 : 1;
}
