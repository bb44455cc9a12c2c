// Streams over fuzz input: a memory stream (which refuses seeks past its end) and a
// real temporary file (which allows them).
#ifndef FUZZ_STREAMS_H
#define FUZZ_STREAMS_H

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

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

// One temporary file for the whole run, emptied for each use (creating a file per input
// would dominate the run).
inline FILE* ScratchFile() {
  static FILE* scratch = std::tmpfile();
  if (scratch != nullptr) {
    std::fflush(scratch);
    if (ftruncate(fileno(scratch), 0) != 0) return nullptr;
    std::rewind(scratch);
  }
  return scratch;
}

#endif
