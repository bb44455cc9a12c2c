// Stand-in for the host SDK's array of MFloatVector.
#ifndef MAYA_MFLOATVECTORARRAY_H
#define MAYA_MFLOATVECTORARRAY_H

#include <maya/MFloatVector.h>
#include <maya/MStandInArray.h>
#include <maya/MTypes.h>

class OPENMAYA_EXPORT MFloatVectorArray : public MStandInArray<MFloatVector> {};

#endif
