// Inputs are regular files. A FIFO, a device or a directory named as an input is refused
// before anything can block on it or read without end; a regular file is read into
// memory (not mapped: a file cut short while it is read gives the bytes it still has,
// never a fault).
#ifndef RLF_INPUT_FILE_H
#define RLF_INPUT_FILE_H

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Opens path for reading. Null, with *error "PATH: REASON", when it cannot be opened or
// is not a regular file. The caller closes the stream.
FILE* OpenInput(const std::string& path, std::string* error);

// Reads the whole of path into *bytes. False with *error as for OpenInput, or naming a
// failed read or a lack of memory.
bool ReadInputFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error);

// A scene file's bytes, read whole; throws SceneError naming the file.
class FileBytes {
 public:
  explicit FileBytes(const std::string& path);
  std::string_view Text() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
};

#endif
