// Stand-in for the host SDK's version string: defined in the one translation unit of a
// plug-in that includes MFnPlugin.h without MNoVersionString.
#ifndef MAYA_MAPIVERSION_H
#define MAYA_MAPIVERSION_H

#include <maya/MTypes.h>

#ifndef MNoVersionString
#define MAYA_STRINGIZE2(x) #x
#define MAYA_STRINGIZE(x) MAYA_STRINGIZE2(x)
extern "C" {
PLUGIN_EXPORT char MApiVersion[] = MAYA_STRINGIZE(MAYA_API_VERSION);
}
#endif

#endif
