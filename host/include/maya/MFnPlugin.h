// Stand-in for the host SDK's plug-in function set. Include it in exactly one
// translation unit of a plug-in: it defines MApiVersion there.
#ifndef MAYA_MFNPLUGIN_H
#define MAYA_MFNPLUGIN_H

#include <maya/MApiVersion.h>
#include <maya/MFnBase.h>
#include <maya/MString.h>

class OPENMAYA_EXPORT MFnPlugin : public MFnBase {
 public:
  MFnPlugin(MObject& object, const char* vendor = "Unknown", const char* version = "Unknown",
            const char* requiredApiVersion = "Any", MStatus* ReturnStatus = 0L);
  virtual ~MFnPlugin();

  // Fails when a translator of that name is registered already.
  MStatus registerFileTranslator(const MString& translatorName, char* pixmapName, MCreatorFunction creatorFunction,
                                 char* optionsScriptName = nullptr, char* defaultOptionsString = nullptr,
                                 bool requiresFullMel = false);
  // Fails when no translator of that name is registered.
  MStatus deregisterFileTranslator(const MString& translatorName);

 private:
  MFnPlugin(const MObject&, const char*, const char*, const char*, MStatus*);
  MString vendor_;
};

#endif
