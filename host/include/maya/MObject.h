// Stand-in for the host SDK's generic object handle. A null object, a DAG node, a set,
// or a component (a list of polygons of a mesh).
#ifndef MAYA_MOBJECT_H
#define MAYA_MOBJECT_H

#include <maya/MFn.h>
#include <maya/MTypes.h>

#include <memory>
#include <vector>

class OPENMAYA_EXPORT MObject {
 public:
  MObject() = default;
  MObject(const MObject& other) = default;
  MObject& operator=(const MObject& other) = default;
  ~MObject() = default;

  bool hasFn(MFn::Type type) const;
  bool isNull() const { return type_ == MFn::kInvalid; }
  MFn::Type apiType() const { return type_; }
  bool operator==(const MObject& other) const;
  bool operator!=(const MObject& other) const { return !(*this == other); }

  // Non-const: the default of MObject& parameters.
  static MObject kNullObj;

  // Stand-in internals, for the host library.
  MObject(MFn::Type type, int id, std::shared_ptr<const std::vector<int>> faces = nullptr)
      : type_(type), id_(id), faces_(std::move(faces)) {}
  int id() const { return id_; }
  const std::vector<int>* faces() const { return faces_.get(); }

 private:
  MFn::Type type_ = MFn::kInvalid;
  int id_ = -1;
  std::shared_ptr<const std::vector<int>> faces_;
};

#endif
