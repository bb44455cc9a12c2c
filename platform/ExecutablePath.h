// Internal: where the running executable lives (not exported).
#ifndef EXECUTABLE_PATH_H
#define EXECUTABLE_PATH_H

// Writes the full path of the running executable into filePath as a NUL-terminated
// string of at most pathSize bytes: "/"-separated when posixStyle is true, otherwise in
// the platform's native syntax (the same "/" form where there is only one). Returns
// false when the path cannot be found, does not fit, or cannot be expressed.
bool FindExecutablePath(char* filePath, int pathSize, bool posixStyle);

#endif
