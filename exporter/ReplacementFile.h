// The export's target, replaced whole or not at all (AtomicFile), written through stdio
// as the RLF writer expects.
#ifndef REPLACEMENT_FILE_H
#define REPLACEMENT_FILE_H

#include <cstdio>
#include <string>

#include "AtomicFile.h"

class ReplacementFile {
 public:
  explicit ReplacementFile(std::string target) : file_(std::move(target)) {}
  ~ReplacementFile();  // removes an uncommitted file
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the new file; false when the target's directory cannot take it, or the
  // target exists and may not be written.
  bool Open();
  FILE* Stream() const { return stream_; }
  // Flushes, syncs and closes the new file and moves it over the target; false (and the
  // new file removed) when any of it fails.
  bool Commit();

 private:
  AtomicFile file_;
  FILE* stream_ = nullptr;
};

#endif
