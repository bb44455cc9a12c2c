// A file's bytes mapped read-only into memory: no copy, and no fresh memory beyond the
// system's cache of the file.
#ifndef RLF_MAPPED_FILE_H
#define RLF_MAPPED_FILE_H

#include <string>
#include <string_view>

class MappedFile {
 public:
  // Maps the whole file; throws SceneError naming it when it cannot be read.
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::string_view Text() const { return {data_, size_}; }

 private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
};

#endif
