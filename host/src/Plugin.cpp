// Plug-in registration: the translators that plug-ins register with MFnPlugin.
// The host library is no plug-in: it defines no MApiVersion of its own.
#define MNoVersionString
#include <maya/MFileObject.h>
#include <maya/MFnPlugin.h>

#include <map>

#include "host/PluginHost.h"

namespace host {

namespace {

std::map<std::string, TranslatorInfo>& Translators() {
  static std::map<std::string, TranslatorInfo> translators;
  return translators;
}

}  // namespace

const TranslatorInfo* FindTranslator(const std::string& name) {
  const auto found = Translators().find(name);
  return found != Translators().end() ? &found->second : nullptr;
}

}  // namespace host

MFnPlugin::MFnPlugin(MObject&, const char* vendor, const char*, const char*, MStatus* ReturnStatus) : vendor_(vendor) {
  if (ReturnStatus != nullptr) {
    *ReturnStatus = MStatus::kSuccess;
  }
}

MFnPlugin::~MFnPlugin() = default;
MFileObject::~MFileObject() = default;

MStatus MFnPlugin::registerFileTranslator(const MString& translatorName, char* pixmapName,
                                          MCreatorFunction creatorFunction, char* optionsScriptName,
                                          char* defaultOptionsString, bool requiresFullMel) {
  const std::string name = translatorName.asChar();
  if (creatorFunction == nullptr || host::Translators().count(name) != 0) {
    return MStatus::kFailure;
  }
  host::Translators()[name] = host::TranslatorInfo{name,
                                                   vendor_.asChar(),
                                                   pixmapName != nullptr ? pixmapName : "",
                                                   creatorFunction,
                                                   optionsScriptName != nullptr,
                                                   defaultOptionsString != nullptr,
                                                   requiresFullMel};
  return MStatus::kSuccess;
}

MStatus MFnPlugin::deregisterFileTranslator(const MString& translatorName) {
  return host::Translators().erase(translatorName.asChar()) == 1 ? MStatus::kSuccess : MStatus::kFailure;
}
