// A file written beside its target and moved over it only when complete, so that a
// failed export never destroys or truncates the target.
#ifndef REPLACEMENT_FILE_H
#define REPLACEMENT_FILE_H

#include <cstdio>
#include <string>

class ReplacementFile {
 public:
  explicit ReplacementFile(std::string target) : target_(std::move(target)) {}
  ~ReplacementFile();  // removes an uncommitted file
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the new file; false when the target's directory cannot take it, or the
  // target exists and may not be written.
  bool Open();
  FILE* Stream() const { return stream_; }
  // Closes the new file and moves it over the target; false (and the new file removed)
  // when either fails.
  bool Commit();

 private:
  void Discard();

  std::string target_;
  std::string temporary_;
  FILE* stream_ = nullptr;
};

#endif
