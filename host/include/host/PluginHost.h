// The host's side of plug-ins: the translators that plug-ins register, and a loader
// that loads a plug-in module and drives its translators as the host would.
#ifndef HOST_PLUGIN_HOST_H
#define HOST_PLUGIN_HOST_H

#include <maya/MPxFileTranslator.h>
#include <maya/MStatus.h>

#include <string>

#include "host/HostApi.h"

namespace host {

// A translator as MFnPlugin::registerFileTranslator recorded it.
struct TranslatorInfo {
  std::string name;
  std::string vendor;
  std::string pixmap;
  MCreatorFunction creator = nullptr;
  bool hasOptionsScript = false;
  bool hasDefaultOptions = false;
  bool requiresFullMel = false;
};

// The registered translator of that name, or null.
HOST_API const TranslatorInfo* FindTranslator(const std::string& name);

class HOST_API PluginHost {
 public:
  PluginHost() = default;
  ~PluginHost();  // unloads a module still loaded
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // Loads the module (dlopen), checks its MApiVersion and calls its initializePlugin.
  // False, with the reason in *error, when any step fails (the module is then unloaded).
  bool Load(const std::string& path, std::string* error);
  // Calls uninitializePlugin and unloads the module; returns what uninitializePlugin
  // returned (1 when the translator was deregistered), or -1 when nothing was loaded.
  int Unload();
  // The module's API version string, while it is loaded.
  const std::string& ApiVersion() const { return apiVersion_; }

  // Creates the named translator through its creator, calls its writer on a file object
  // for path, and destroys it, as the host does for an export. kFailure when there is
  // no such translator.
  MStatus Write(const std::string& translator, const std::string& path, MPxFileTranslator::FileAccessMode mode,
                const std::string& options = "");

 private:
  void* module_ = nullptr;
  std::string apiVersion_;
};

}  // namespace host

#endif
