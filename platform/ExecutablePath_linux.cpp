// The running executable's path on Linux, through /proc/self/exe.
#include <unistd.h>

#include "ExecutablePath.h"

bool FindExecutablePath(char* filePath, int pathSize, bool /*posixStyle: one syntax here*/) {
  if (filePath == nullptr || pathSize <= 0) {
    return false;
  }
  // readlink does not terminate; a result that fills the buffer may have been cut short.
  const ssize_t length = readlink("/proc/self/exe", filePath, static_cast<size_t>(pathSize));
  if (length < 0 || length >= pathSize) {
    return false;
  }
  filePath[length] = '\0';
  return true;
}
