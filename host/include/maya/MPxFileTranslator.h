// Stand-in for the host SDK's file translator base, with the host's defaults.
#ifndef MAYA_MPXFILETRANSLATOR_H
#define MAYA_MPXFILETRANSLATOR_H

#include <maya/MFileObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

class OPENMAYA_EXPORT MPxFileTranslator {
 public:
  enum MFileKind { kIsMyFileType, kCouldBeMyFileType, kNotMyFileType };
  enum FileAccessMode {
    kUnknownAccessMode,
    kOpenAccessMode,
    kImportAccessMode,
    kSaveAccessMode,
    kExportAccessMode,
    kExportActiveAccessMode
  };

  MPxFileTranslator() = default;
  virtual ~MPxFileTranslator();

  virtual MStatus reader(const MFileObject& file, const MString& optionsString, FileAccessMode mode);
  virtual MStatus writer(const MFileObject& file, const MString& optionsString, FileAccessMode mode);
  virtual bool haveReadMethod() const;
  virtual bool haveWriteMethod() const;
  virtual bool haveNamespaceSupport() const;
  virtual MString defaultExtension() const;
  virtual MString filter() const;
  virtual bool canBeOpened() const;
  virtual MPxFileTranslator::MFileKind identifyFile(const MFileObject& file, const char* buffer, short size) const;

 private:
  void* data = nullptr;
};

#endif
