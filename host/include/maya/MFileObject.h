// Stand-in for the host SDK's file object.
#ifndef MAYA_MFILEOBJECT_H
#define MAYA_MFILEOBJECT_H

#include <maya/MStatus.h>
#include <maya/MString.h>

class OPENMAYA_EXPORT MFileObject {
 public:
  MFileObject() = default;
  MFileObject(const MFileObject& other) = default;
  virtual ~MFileObject();

  MStatus setFullName(const MString& fullName) {
    fullName_ = fullName;
    return MStatus::kSuccess;
  }
  MString fullName() const { return fullName_; }

 private:
  MString fullName_;
};

#endif
