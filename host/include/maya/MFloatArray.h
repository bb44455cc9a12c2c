// Stand-in for the host SDK's array of float.
#ifndef MAYA_MFLOATARRAY_H
#define MAYA_MFLOATARRAY_H

#include <maya/MStandInArray.h>
#include <maya/MTypes.h>

class OPENMAYA_EXPORT MFloatArray : public MStandInArray<float> {};

#endif
