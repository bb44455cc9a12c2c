// The one way rlf writes a file: all of it or nothing, through AtomicFile (which says
// how targets that are links, devices or FIFOs are written), with a stdio and a C++
// stream on top. Every write is checked and the first failure's system reason is kept.
// The new file is registered with the interrupt handler (Interrupts.h), so that a signal
// that ends the program while it exists removes it.
#ifndef RLF_OUTPUT_FILE_H
#define RLF_OUTPUT_FILE_H

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

#include "AtomicFile.h"

class OutputFile {
 public:
  explicit OutputFile(std::string target);
  ~OutputFile();  // an uncommitted new file is removed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the new file. False, with Error() set, when the target cannot be written or
  // its directory cannot take a new file.
  bool Open();

  // The new file as a stdio stream and as a C++ stream, for code that writes through
  // either (both end in the same checked writes). Valid between Open and Commit.
  FILE* Stream() const { return stream_; }
  std::ostream& Ostream() { return ostream_; }

  // Appends size bytes; false once any write has failed.
  bool Write(const void* data, std::size_t size);

  // Whether a write has failed so far (stdio may still hold bytes that Commit writes).
  bool Failed() const { return file_.Failed(); }

  // Makes the new file the target. False, with Error() set and the new file removed,
  // when any earlier write, the flush, the sync, the close or the rename fails.
  bool Commit();

  // One line for the user: "TARGET: REASON", such as "out.glb: No space left on device".
  std::string Error() const { return file_.Error(); }

 private:
  // A C++ stream buffer that forwards every byte to the stdio stream.
  class Forward : public std::streambuf {
   public:
    explicit Forward(OutputFile& file) : file_(file) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

   private:
    OutputFile& file_;
  };

  static ssize_t CookieWrite(void* cookie, const char* data, std::size_t size);
  void Discard();

  AtomicFile file_;
  int removal_ = -1;  // the new file's entry in the interrupt handler's table
  FILE* stream_ = nullptr;
  Forward forward_{*this};
  std::ostream ostream_{&forward_};
};

#endif
