// The plug-in's entry points. This is the one source that includes MFnPlugin.h without
// MNoVersionString: it defines the exported MApiVersion.
#include <maya/MFnPlugin.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>

#include "RLFExport.h"

PLUGIN_EXPORT MStatus initializePlugin(MObject obj) {
  MStatus status;
  MFnPlugin plugin(obj, "Duduvu Div Edazudev Uzururer edi Zido", "01.01", "Any");
  static char pixmapName[] = "RLFExport.rlf";
  status = plugin.registerFileTranslator("rlf", pixmapName, RLFExport::creator, nullptr, nullptr, false);
  if (!status) {
    status.perror("registerFileTranslator");
  }
  return status;
}

// Exported under its plain name; 1 when the translator was deregistered, 0 when not.
extern "C" PLUGIN_EXPORT int uninitializePlugin(MObject obj) {
  MStatus status;
  MFnPlugin plugin(obj, "Unknown", "Unknown", "Any");
  status = plugin.deregisterFileTranslator("rlf");
  if (!status) {
    status.perror("deregisterFileTranslator");
  }
  return status ? 1 : 0;
}
