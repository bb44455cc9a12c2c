// Stand-in for the host SDK's status class.
#ifndef MAYA_MSTATUS_H
#define MAYA_MSTATUS_H

#include <maya/MIOStream.h>
#include <maya/MTypes.h>

class MString;

class OPENMAYA_EXPORT MStatus {
 public:
  enum MStatusCode {
    kSuccess = 0,
    kFailure,
    kInsufficientMemory,
    kInvalidParameter,
    kLicenseFailure,
    kUnknownParameter,
    kNotImplemented,
    kNotFound,
    kEndOfFile
  };

  MStatus() : code_(kSuccess) {}
  MStatus(MStatusCode code) : code_(code) {}
  MStatus(const MStatus& other) = default;
  MStatus& operator=(const MStatus& other) = default;

  operator bool() const { return code_ == kSuccess; }
  bool error() const { return code_ != kSuccess; }
  MStatusCode statusCode() const { return code_; }
  MString errorString() const;
  // Prints "label: (code): text" and a line end to the standard error stream.
  void perror(const char* label) const;
  void perror(const MString& label) const;

  bool operator==(const MStatus& other) const { return code_ == other.code_; }
  bool operator!=(const MStatus& other) const { return code_ != other.code_; }
  bool operator==(MStatusCode code) const { return code_ == code; }
  bool operator!=(MStatusCode code) const { return code_ != code; }

 private:
  MStatusCode code_;
};

typedef MStatus MS;

#endif
