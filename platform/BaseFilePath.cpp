// The directory that holds the running viewer.
#include <cstring>

#include "ExecutablePath.h"
#include "MacSpecific.h"

namespace {

constexpr OSErr kNoErr = 0;
constexpr OSErr kFileNotFound = -43;

// The viewer's executable name; the path is cut where it first begins.
constexpr char kViewerName[] = "RLFView";

}  // namespace

OSErr GetBaseFilePath(char* filePath, int pathSize, bool posixStyle) {
  if (!FindExecutablePath(filePath, pathSize, posixStyle)) {
    return kFileNotFound;
  }
  if (char* viewer = std::strstr(filePath, kViewerName)) {
    *viewer = '\0';
  }
  return kNoErr;
}
