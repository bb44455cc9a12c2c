// Stand-in for the host SDK's function-set base: function sets cannot be assigned or
// have their address taken, as in the host.
#ifndef MAYA_MFNBASE_H
#define MAYA_MFNBASE_H

#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

class OPENMAYA_EXPORT MFnBase {
 public:
  MFnBase() = default;
  virtual ~MFnBase();

 private:
  MFnBase& operator=(const MFnBase&);
  MFnBase* operator&() const;
};

#endif
