// Stand-in for the host SDK's array of MFloatPoint.
#ifndef MAYA_MFLOATPOINTARRAY_H
#define MAYA_MFLOATPOINTARRAY_H

#include <maya/MFloatPoint.h>
#include <maya/MStandInArray.h>
#include <maya/MTypes.h>

class OPENMAYA_EXPORT MFloatPointArray : public MStandInArray<MFloatPoint> {};

#endif
