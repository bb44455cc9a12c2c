// Read-only streams over bytes, for the tests and the fuzz harnesses: a memory stream
// (which refuses seeks past its end) and a real temporary file (which allows them). The
// caller closes either; both are null when the system refuses one.
#ifndef TESTS_SUPPORT_BYTE_STREAMS_H
#define TESTS_SUPPORT_BYTE_STREAMS_H

#include <cstdint>
#include <cstdio>

// A read-only memory stream over data; an empty input is a one-byte buffer whose only
// byte lies past the stream's end (some C libraries refuse zero-sized streams).
inline FILE* MemoryStream(const uint8_t* data, size_t size) {
  static char empty = 0;
  void* buffer = size == 0 ? static_cast<void*>(&empty) : const_cast<uint8_t*>(data);
  FILE* fp = fmemopen(buffer, size == 0 ? 1 : size, "rb");
  if (fp != nullptr && size == 0) {
    std::fseek(fp, 1, SEEK_SET);
  }
  return fp;
}

// A temporary file holding data, positioned at its start.
inline FILE* FileStream(const uint8_t* data, size_t size) {
  FILE* fp = std::tmpfile();
  if (fp != nullptr) {
    if (size != 0) std::fwrite(data, 1, size, fp);
    std::rewind(fp);
  }
  return fp;
}

#endif
