// Stand-in for the host SDK's array of MPoint.
#ifndef MAYA_MPOINTARRAY_H
#define MAYA_MPOINTARRAY_H

#include <maya/MPoint.h>
#include <maya/MStandInArray.h>
#include <maya/MTypes.h>

class OPENMAYA_EXPORT MPointArray : public MStandInArray<MPoint> {};

#endif
