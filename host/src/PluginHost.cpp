// Loading plug-in modules and driving their translators.
#include "host/PluginHost.h"

#include <dlfcn.h>
#include <maya/MFileObject.h>
#include <maya/MObject.h>

#include <memory>

namespace host {

namespace {

// The entry points as the host finds them: initializePlugin by its C++ name,
// uninitializePlugin and MApiVersion by their plain names.
using InitializeFunction = MStatus (*)(MObject);
using UninitializeFunction = int (*)(MObject);
constexpr char kInitializeSymbol[] = "_Z16initializePlugin7MObject";
constexpr char kUninitializeSymbol[] = "uninitializePlugin";
constexpr char kApiVersionSymbol[] = "MApiVersion";

}  // namespace

PluginHost::~PluginHost() {
  if (module_ != nullptr) {
    Unload();
  }
}

bool PluginHost::Load(const std::string& path, std::string* error) {
  if (module_ != nullptr) {
    *error = "a plug-in is loaded already";
    return false;
  }
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    *error = reason != nullptr ? reason : "cannot load " + path;
    return false;
  }
  const auto* version = static_cast<const char*>(dlsym(module, kApiVersionSymbol));
  auto initialize = reinterpret_cast<InitializeFunction>(dlsym(module, kInitializeSymbol));
  if (version == nullptr || initialize == nullptr || dlsym(module, kUninitializeSymbol) == nullptr) {
    *error = path + ": not a plug-in (MApiVersion, initializePlugin or uninitializePlugin missing)";
    dlclose(module);
    return false;
  }
  MObject plugin(MFn::kBase, 0);
  const MStatus status = initialize(plugin);
  if (!status) {
    *error = path + ": initializePlugin failed";
    dlclose(module);
    return false;
  }
  module_ = module;
  apiVersion_ = version;
  return true;
}

int PluginHost::Unload() {
  if (module_ == nullptr) {
    return -1;
  }
  auto uninitialize = reinterpret_cast<UninitializeFunction>(dlsym(module_, kUninitializeSymbol));
  MObject plugin(MFn::kBase, 0);
  const int result = uninitialize(plugin);
  dlclose(module_);
  module_ = nullptr;
  apiVersion_.clear();
  return result;
}

MStatus PluginHost::Write(const std::string& translator, const std::string& path,
                          MPxFileTranslator::FileAccessMode mode, const std::string& options) {
  const TranslatorInfo* info = FindTranslator(translator);
  if (info == nullptr) {
    return MStatus::kFailure;
  }
  std::unique_ptr<MPxFileTranslator> instance(static_cast<MPxFileTranslator*>(info->creator()));
  MFileObject file;
  file.setFullName(MString(path.c_str()));
  return instance->writer(file, MString(options.c_str()), mode);
}

}  // namespace host
