// Statuses, object handles, computations and the translator base's defaults.
#include <maya/MComputation.h>
#include <maya/MObject.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include <csignal>
#include <cstdio>

#include "Interrupt.h"
#include "host/Scene.h"

namespace {

const char* CodeName(MStatus::MStatusCode code) {
  switch (code) {
    case MStatus::kSuccess:
      return "kSuccess";
    case MStatus::kFailure:
      return "kFailure";
    case MStatus::kInsufficientMemory:
      return "kInsufficientMemory";
    case MStatus::kInvalidParameter:
      return "kInvalidParameter";
    case MStatus::kLicenseFailure:
      return "kLicenseFailure";
    case MStatus::kUnknownParameter:
      return "kUnknownParameter";
    case MStatus::kNotImplemented:
      return "kNotImplemented";
    case MStatus::kNotFound:
      return "kNotFound";
    case MStatus::kEndOfFile:
      return "kEndOfFile";
  }
  return "kFailure";
}

const char* CodeText(MStatus::MStatusCode code) {
  switch (code) {
    case MStatus::kSuccess:
      return "Success";
    case MStatus::kFailure:
      return "Unexpected Internal Failure";
    case MStatus::kInsufficientMemory:
      return "Insufficient Memory";
    case MStatus::kInvalidParameter:
      return "Invalid Parameter";
    case MStatus::kLicenseFailure:
      return "License Failure";
    case MStatus::kUnknownParameter:
      return "Unknown Parameter";
    case MStatus::kNotImplemented:
      return "Not Implemented";
    case MStatus::kNotFound:
      return "Not Found";
    case MStatus::kEndOfFile:
      return "End of File";
  }
  return "Unexpected Internal Failure";
}

volatile std::sig_atomic_t gInterruptRequested = 0;

}  // namespace

MString MStatus::errorString() const { return MString(CodeText(code_)); }

void MStatus::perror(const char* label) const {
  std::fprintf(stderr, "%s: (%s): %s\n", label != nullptr ? label : "", CodeName(code_), CodeText(code_));
}

void MStatus::perror(const MString& label) const { perror(label.asChar()); }

MObject MObject::kNullObj;

bool MObject::hasFn(MFn::Type type) const {
  if (type == MFn::kBase) {
    return !isNull();
  }
  switch (type_) {
    case MFn::kMesh:
      return type == MFn::kMesh || type == MFn::kShape || type == MFn::kDagNode;
    case MFn::kTransform:
    case MFn::kWorld:
      return type == type_ || type == MFn::kDagNode;
    case MFn::kShadingEngine:
      return type == MFn::kShadingEngine || type == MFn::kSet;
    case MFn::kMeshPolygonComponent:
      return type == MFn::kMeshPolygonComponent || type == MFn::kComponent;
    default:
      return type == type_ && !isNull();
  }
}

bool MObject::operator==(const MObject& other) const {
  return type_ == other.type_ && id_ == other.id_ &&
         (faces_ == other.faces_ || (faces_ && other.faces_ && *faces_ == *other.faces_));
}

namespace host {

void SetInterruptRequest() { gInterruptRequested = 1; }
void ClearInterruptRequest() { gInterruptRequested = 0; }
bool InterruptRequested() { return gInterruptRequested != 0; }

}  // namespace host

// Polls count from the start of the computation; the scene's hook, or a request from a
// signal handler, turns the answer to true.
void MComputation::beginComputation() {
  host::ComputationLog& log = host::Scene::Active().Computations();
  ++log.begun;
  log.polls = 0;
  log.polygons = 0;
}

bool MComputation::isInterruptRequested() {
  host::Scene& scene = host::Scene::Active();
  const int polls = ++scene.Computations().polls;
  if (scene.PollObserver()) {
    scene.PollObserver()(scene.Computations());
  }
  const int after = scene.InterruptAfterPolls();
  return host::InterruptRequested() || (after >= 0 && polls >= after);
}

void MComputation::endComputation() { ++host::Scene::Active().Computations().ended; }

MStatus MPxFileTranslator::reader(const MFileObject&, const MString&, FileAccessMode) { return MStatus::kFailure; }
MStatus MPxFileTranslator::writer(const MFileObject&, const MString&, FileAccessMode) { return MStatus::kFailure; }
bool MPxFileTranslator::haveReadMethod() const { return false; }
bool MPxFileTranslator::haveWriteMethod() const { return false; }
bool MPxFileTranslator::haveNamespaceSupport() const { return false; }
MString MPxFileTranslator::defaultExtension() const { return MString(""); }
MString MPxFileTranslator::filter() const {
  const MString extension = defaultExtension();
  return extension.length() == 0 ? MString("*.*") : MString("*.") + extension;
}
bool MPxFileTranslator::canBeOpened() const { return true; }
MPxFileTranslator::MFileKind MPxFileTranslator::identifyFile(const MFileObject&, const char*, short) const {
  return kNotMyFileType;
}

// Out-of-line destructors: the classes' virtual tables live in this library, as the
// host's do in its own.
MComputation::~MComputation() = default;
MPxFileTranslator::~MPxFileTranslator() = default;
