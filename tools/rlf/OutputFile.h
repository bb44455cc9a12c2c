// The one way rlf writes a file: all of it or nothing.
//
// The bytes go into a new file beside the target (same directory, so that the final
// rename never crosses file systems). Every write is checked and the first failure's
// system reason is kept. Commit flushes, syncs the data to disk, closes, and only then
// renames the new file over the target. On any failure, on destruction without a
// commit, and on a signal that ends the program while the file is open (SIGINT,
// SIGTERM, SIGHUP, SIGXFSZ) the new file is removed and the target stays as it was.
#ifndef RLF_OUTPUT_FILE_H
#define RLF_OUTPUT_FILE_H

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

class OutputFile {
 public:
  explicit OutputFile(std::string target);
  ~OutputFile();  // an uncommitted new file is removed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the new file. False, with Error() set, when the target is a directory or
  // may not be written, or its directory cannot take a new file.
  bool Open();

  // The new file as a stdio stream and as a C++ stream, for code that writes through
  // either (both end in the same checked writes). Valid between Open and Commit.
  FILE* Stream() const { return stream_; }
  std::ostream& Ostream() { return ostream_; }

  // Appends size bytes; false once any write has failed.
  bool Write(const void* data, std::size_t size);

  // Whether a write has failed so far (stdio may still hold bytes that Commit writes).
  bool Failed() const { return error_ != 0; }

  // Makes the new file the target. False, with Error() set and the new file removed,
  // when any earlier write, the flush, the sync, the close or the rename fails.
  bool Commit();

  // One line for the user: "TARGET: REASON", such as "out.glb: No space left on device".
  std::string Error() const;

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
  bool Fail(int error);
  void Discard();

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  FILE* stream_ = nullptr;
  int error_ = 0;  // errno of the first failure, 0 while none
  Forward forward_{*this};
  std::ostream ostream_{&forward_};
};

#endif
