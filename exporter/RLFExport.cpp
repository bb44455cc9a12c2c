// The translator object and its export.
#define MNoVersionString  // MApiVersion lives in PluginMain.cpp
#include "RLFExport.h"

#include <maya/MIOStream.h>

#include <cstdio>
#include <new>

#include "ReplacementFile.h"
#include "TriangleArray.h"

RLFExport::RLFExport()
    : MPxFileTranslator(), m_numTriangles(0), m_maxNumTriangles(0), m_triList(nullptr), m_reserved(false) {}

RLFExport::~RLFExport() {
  m_numTriangles = 0;
  m_maxNumTriangles = 0;
  ReleaseTriangleArray(m_triList, m_reserved);
  m_triList = nullptr;
}

void* RLFExport::creator() { return new RLFExport(); }

MStatus RLFExport::reader(const MFileObject&, const MString&, MPxFileTranslator::FileAccessMode) {
  return MStatus::kSuccess;
}

bool RLFExport::haveReadMethod() const { return false; }
bool RLFExport::haveWriteMethod() const { return true; }
MString RLFExport::defaultExtension() const { return MString("rlf"); }
bool RLFExport::canBeOpened() const { return true; }

MPxFileTranslator::MFileKind RLFExport::identifyFile(const MFileObject&, const char*, short) const {
  return kNotMyFileType;
}

namespace {

// Ends the computation when the export returns, whatever the road, or earlier on request.
class ComputationGuard {
 public:
  explicit ComputationGuard(MComputation& computation) : computation_(computation) { computation_.beginComputation(); }
  ~ComputationGuard() { End(); }
  ComputationGuard(const ComputationGuard&) = delete;
  ComputationGuard& operator=(const ComputationGuard&) = delete;
  void End() {
    if (!ended_) computation_.endComputation();
    ended_ = true;
  }

 private:
  MComputation& computation_;
  bool ended_ = false;
};

}  // namespace

MStatus RLFExport::writer(const MFileObject& fileObject, const MString&, MPxFileTranslator::FileAccessMode mode) {
  MComputation computation;
  ComputationGuard guard(computation);
  const MString fullName = fileObject.fullName();
  const char* path = fullName.asChar();

  // Gather the triangles; the array and its capacity stay from earlier exports. (An
  // interrupted walk has ended the computation itself: the guard ends it once more.)
  m_numTriangles = 0;
  if (!ProcessGeom(mode, computation)) {
    std::printf("Unable to process geometry");
    return MStatus::kFailure;
  }
  if (computation.isInterruptRequested()) return MStatus::kFailure;

  // Write a new file beside the target; it replaces the target only when complete.
  ReplacementFile file(path);
  if (!file.Open()) {
    std::cerr << "Error: The file " << path << " could not be opened for writing." << std::endl;
    return MStatus::kFailure;
  }
  const bool written = RlWriteTriangles(file.Stream(), m_numTriangles, m_triList);
  // Writing hundreds of megabytes takes a while: an interrupt meanwhile still leaves
  // the target as it was (the new file goes with `file`).
  if (written && computation.isInterruptRequested()) return MStatus::kFailure;
  if (written && file.Commit()) return MStatus::kSuccess;
  guard.End();
  std::printf("Unable to write geometry");
  return MStatus::kFailure;
}
