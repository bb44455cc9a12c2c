// Real streams for the file tests: temporary files, read-only memory streams and a
// sink that accepts a fixed number of bytes before its writes fail.
#ifndef TESTS_SUPPORT_STREAMS_H
#define TESTS_SUPPORT_STREAMS_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ByteStreams.h"

using Bytes = std::vector<uint8_t>;

struct FileCloser {
  void operator()(FILE* fp) const { std::fclose(fp); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// A temporary file on disk holding bytes, positioned at its start.
inline UniqueFile TempFileWith(const Bytes& bytes) { return UniqueFile(FileStream(bytes.data(), bytes.size())); }

// A read-only memory stream over bytes (which must outlive it). Unlike a file, it
// refuses seeks past its end.
inline UniqueFile MemoryStreamOver(const Bytes& bytes) { return UniqueFile(MemoryStream(bytes.data(), bytes.size())); }

// Everything in the stream from its start; the position is left at the end.
Bytes ContentsOf(FILE* fp);

// An unbuffered write-only stream that accepts budget bytes, then fails every write.
// *written receives what it accepted; it must outlive the stream.
UniqueFile LimitedSink(std::size_t budget, Bytes* written);

// Bytes from hexadecimal text; everything but hex digits is ignored ("524C 4620" is "RLF "),
// except XX*N, which stands for N bytes XX ("00*96" is 96 zero bytes).
Bytes Hex(const char* text);

#endif
