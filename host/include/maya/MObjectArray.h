// Stand-in for the host SDK's array of objects; as in the host, it cannot be assigned.
#ifndef MAYA_MOBJECTARRAY_H
#define MAYA_MOBJECTARRAY_H

#include <maya/MObject.h>
#include <maya/MStandInArray.h>
#include <maya/MTypes.h>

class OPENMAYA_EXPORT MObjectArray : public MStandInArray<MObject> {
 public:
  MObjectArray() = default;

 private:
  MObjectArray& operator=(const MObjectArray&);
};

#endif
