// A file written whole or not at all: the one way the plug-in and rlf replace a file.
//
// The target is resolved first. A symbolic link is followed to the file it names (the
// link stays; what it names is replaced). A character device or a FIFO is written
// through, as a shell's redirection would: no new file, no rename, nothing to sync.
// A directory, a block device or a socket is refused. Any other target, existing or
// not, gets a new file beside it (same directory, so the rename never crosses file
// systems, with a name short enough for any legal target name); Commit syncs it to
// disk, closes it and renames it over the target. On any failure, and on destruction
// without a commit, the new file is removed and the target stays as it was.
//
// Signals are not this class's business: a program that must remove the new file on a
// signal registers Temporary() with its own handler.
#ifndef RL_ATOMIC_FILE_H
#define RL_ATOMIC_FILE_H

#include <cstddef>
#include <string>

class AtomicFile {
 public:
  explicit AtomicFile(std::string target);
  ~AtomicFile();  // an uncommitted new file is removed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Opens the new file (or the device or FIFO). False, with Error() set, when the target
  // cannot be written or its directory cannot take a new file.
  bool Open();

  // The descriptor to write to, valid between Open and Commit.
  int Descriptor() const { return fd_; }
  // The new file's path while it exists; empty when writing through, or before Open.
  const std::string& Temporary() const { return temporary_; }

  // Appends size bytes (retrying short and interrupted writes); false once any write has
  // failed, the first failure's reason being kept.
  bool Write(const void* data, std::size_t size);
  // Records a failure met outside Write (errno style); the first one is kept.
  void Fail(int error);
  bool Failed() const { return error_ != 0 || !reason_.empty(); }

  // Makes the written bytes the target. False, with Error() set and the new file removed,
  // when any earlier write, the sync, the close or the rename failed.
  bool Commit();
  // Closes and removes the new file; the target stays as it was.
  void Discard();

  // One line for the user: "TARGET: REASON", such as "out.glb: No space left on device".
  std::string Error() const;

 private:
  bool Refuse(std::string reason);
  bool OpenThrough();
  bool OpenBeside(bool exists, unsigned mode);

  std::string target_;    // as the caller named it
  std::string resolved_;  // with symbolic links followed: what is written or replaced
  std::string temporary_;
  int fd_ = -1;
  int error_ = 0;       // errno of the first failure, 0 while none
  std::string reason_;  // a failure that no errno describes
};

#endif
