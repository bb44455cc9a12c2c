// The running executable's path on macOS, through the main bundle.
#include <CoreFoundation/CoreFoundation.h>

#include "ExecutablePath.h"

bool FindExecutablePath(char* filePath, int pathSize, bool posixStyle) {
  CFBundleRef bundle = CFBundleGetMainBundle();  // not owned
  if (bundle == nullptr) {
    return false;
  }
  CFURLRef url = CFBundleCopyExecutableURL(bundle);
  if (url == nullptr) {
    return false;
  }
  CFStringRef path = CFURLCopyFileSystemPath(url, posixStyle ? kCFURLPOSIXPathStyle : kCFURLHFSPathStyle);
  CFRelease(url);
  if (path == nullptr) {
    return false;
  }
  const bool converted = CFStringGetCString(path, filePath, pathSize, kCFStringEncodingMacRoman) != false;
  CFRelease(path);
  return converted;
}
