// Stand-in for the host SDK's array of int.
#ifndef MAYA_MINTARRAY_H
#define MAYA_MINTARRAY_H

#include <maya/MStandInArray.h>
#include <maya/MTypes.h>

class OPENMAYA_EXPORT MIntArray : public MStandInArray<int> {};

#endif
