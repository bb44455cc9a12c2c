// Lower-casing and case-insensitive comparison of C strings.
#include <cctype>
#include <cstring>
#include <string>

#include "MacSpecific.h"

void StrToLower(char* str) {
  const std::size_t length = std::strlen(str);
  for (std::size_t i = 0; i < length; ++i) {
    // tolower takes the byte as an unsigned char; a negative char would be undefined.
    str[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(str[i])));
  }
}

namespace {

// A lowered copy of str; the caller's string is left as it is.
std::string LoweredCopy(const char* str) {
  std::string copy(str);
  StrToLower(copy.data());
  return copy;
}

}  // namespace

int strcmpi(const char* str1, const char* str2) {
  return std::strcmp(LoweredCopy(str1).c_str(), LoweredCopy(str2).c_str());
}

int stricmp(const char* str1, const char* str2) { return strcmpi(str1, str2); }

int strnicmp(const char* str1, const char* str2, unsigned long length) {
  return std::strncmp(LoweredCopy(str1).c_str(), LoweredCopy(str2).c_str(), length);
}
