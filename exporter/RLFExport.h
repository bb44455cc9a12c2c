// The "rlf" file translator: exports the scene's polygon meshes (all of them, or the
// selection and what lies below it) as world-space triangles into an RLF file.
#ifndef RLF_EXPORT_H
#define RLF_EXPORT_H

#include <maya/MComputation.h>
#include <maya/MDagPath.h>
#include <maya/MFileObject.h>
#include <maya/MObject.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include <cstddef>
#include <cstdint>

#include "RlFileIO.h"

// The first capacity of the triangle array, and the step by which it grows when full.
static const int RL_MAX_NUM_TRIANGLES = 20000;
// The largest capacity those steps reach within an int count: the size of the address
// space reserved for the array where the system offers it.
static const std::size_t RL_RESERVED_TRIANGLES =
    static_cast<std::size_t>(INT32_MAX / RL_MAX_NUM_TRIANGLES) * RL_MAX_NUM_TRIANGLES;
// The most vertices a polygon may have and be exported.
static const int RL_MAX_VERTICES_PER_FACE = 1024;

// The indices of one vertex of the polygon being triangulated; -1 where it has none.
struct FaceIndex {
  int vertIdx;  // into the mesh's points
  int nIdx;     // into the mesh's normals
  int uvIdx;    // into the mesh's u and v arrays
  int cIdx;     // colour index (nothing depends on it)
};

class RLFExport : public MPxFileTranslator {
 public:
  RLFExport();
  ~RLFExport() override;

  MStatus reader(const MFileObject& file, const MString& options, MPxFileTranslator::FileAccessMode mode) override;
  // The export. Failures print their message and return kFailure; the target file is
  // then left as it was (a new file is written beside it and only replaces it whole).
  MStatus writer(const MFileObject& fileObject, const MString& options,
                 MPxFileTranslator::FileAccessMode mode) override;
  bool haveReadMethod() const override;
  bool haveWriteMethod() const override;
  MString defaultExtension() const override;
  bool canBeOpened() const override;
  MPxFileTranslator::MFileKind identifyFile(const MFileObject& fileName, const char* buffer, short size) const override;

  static void* creator();

 protected:
  // The next record of the triangle array, growing it by RL_MAX_NUM_TRIANGLES records
  // when full (TriangleArray.h); null when the memory cannot be had.
  RlRawTriangle* GetNextTriangle();
  bool isObjectSelected(const MDagPath& path);
  bool isObjectOrParentSelected(const MDagPath& path);
  // Walks the scene and appends the triangles of every exported mesh. False when the
  // walk cannot start, memory runs out, or the user interrupts (the computation is then
  // ended here).
  bool ProcessGeom(MPxFileTranslator::FileAccessMode mode, MComputation& computation);

  int m_numTriangles;
  int m_maxNumTriangles;
  RlRawTriangle* m_triList;
  FaceIndex m_faceIndices[RL_MAX_VERTICES_PER_FACE];

 private:
  // Whether m_triList lies in address space reserved for the largest array, where it
  // grows in place, rather than in an array of its own that grows by copying.
  bool m_reserved;

  RLFExport(const RLFExport&) = delete;
  RLFExport& operator=(const RLFExport&) = delete;
  // Appends the triangles of the mesh at path, whose node is node; false when memory
  // runs out. Polls the computation every few thousand polygons and stops early when
  // an interrupt is requested (the caller's poll then ends the walk).
  bool ExportMesh(const MDagPath& path, MObject& node, MComputation& computation);
};

#endif
