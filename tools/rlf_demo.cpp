// Writes the four faces of a tetrahedron as an RLF file, reads the file back, prints
// what it holds, and welds it into an indexed vertex buffer with tangent frames.
//
//   rlf_demo OUT.rlf
#include <cmath>
#include <cstdio>
#include <memory>

#include "RlFileIO.h"
#include "RlTangentSpace.h"

namespace {

struct Corner {
  float x, y, z, u, v;
};

// A triangle with its flat face normal on every corner.
RlRawTriangle MakeFace(const Corner& a, const Corner& b, const Corner& c) {
  const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
  const float e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
  float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                e1[0] * e2[1] - e1[1] * e2[0]};
  const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (float& component : n) {
    component /= length;
  }
  RlRawTriangle tri;
  const Corner* corners[3] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    tri.vert[i] = {{corners[i]->x, corners[i]->y, corners[i]->z}};
    tri.norm[i] = {{n[0], n[1], n[2]}};
    tri.texCoord[i] = {{corners[i]->u, corners[i]->v}};
  }
  return tri;
}

void PrintTriangle(int index, const RlRawTriangle& tri) {
  std::printf("triangle %d\n", index);
  for (int i = 0; i < 3; ++i) {
    std::printf("  corner %d  position (%7.3f %7.3f %7.3f)  normal (%6.3f %6.3f %6.3f)  uv (%.3f %.3f)\n",
                i, tri.vert[i].x, tri.vert[i].y, tri.vert[i].z, tri.norm[i].x, tri.norm[i].y,
                tri.norm[i].z, tri.texCoord[i].u, tri.texCoord[i].v);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.rlf\n", argv[0]);
    return 2;
  }
  const char* path = argv[1];

  const Corner apex{0.0f, 1.0f, 0.0f, 0.5f, 1.0f};
  const Corner left{-1.0f, -0.5f, 0.6f, 0.0f, 0.0f};
  const Corner right{1.0f, -0.5f, 0.6f, 1.0f, 0.0f};
  const Corner back{0.0f, -0.5f, -1.1f, 0.5f, 0.0f};
  RlRawTriangle faces[] = {MakeFace(left, right, apex), MakeFace(right, back, apex),
                           MakeFace(back, left, apex), MakeFace(left, back, right)};
  const int numFaces = static_cast<int>(std::size(faces));

  FILE* out = std::fopen(path, "wb");
  if (out == nullptr) {
    std::perror(path);
    return 1;
  }
  const bool written = RlWriteTriangles(out, numFaces, faces);
  if (std::fclose(out) != 0 || !written) {
    std::fprintf(stderr, "%s: could not write the file\n", path);
    return 1;
  }
  std::printf("wrote %d triangles to %s\n", numFaces, path);

  FILE* in = std::fopen(path, "rb");
  if (in == nullptr) {
    std::perror(path);
    return 1;
  }
  int numRead = 0;
  RlRawTriangle* read = nullptr;
  const bool ok = RlReadTriangles(in, &numRead, &read);
  std::fclose(in);
  const std::unique_ptr<RlRawTriangle[]> tris(read);
  if (!ok) {
    return 1;
  }
  std::printf("read %d triangles back from %s\n", numRead, path);
  for (int t = 0; t < numRead; ++t) {
    PrintTriangle(t, tris[t]);
  }

  // Flat faces: corners meet at the apex and base but with different normals, so
  // nothing welds across faces.
  int numVerts = 0;
  RlTangentPointD* verts = nullptr;
  RlIndex* indices = nullptr;
  const bool welded = RlCreateVertexBuffers(numRead, tris.get(), &numVerts, &verts, &indices);
  const std::unique_ptr<RlTangentPointD[]> vertexBuffer(verts);
  const std::unique_ptr<RlIndex[]> indexBuffer(indices);
  if (!welded) {
    std::fprintf(stderr, "could not build the vertex buffer\n");
    return 1;
  }
  std::printf("vertex buffer: %d vertices\n", numVerts);
  for (int k = 0; k < numVerts; ++k) {
    const RlTangentPointD v = vertexBuffer[k];
    std::printf("  vertex %2d  tangent (%6.3f %6.3f %6.3f)  binormal (%6.3f %6.3f %6.3f)  corners %d\n",
                k, v.tangent[0], v.tangent[1], v.tangent[2], v.binormal[0], v.binormal[1],
                v.binormal[2], v.count);
  }
  return 0;
}
