// Runs the rlf program as a user would, in a scratch directory of the test's own, and the
// helpers the program tests share.
#ifndef TESTS_TOOLS_RLF_PROGRAM_H
#define TESTS_TOOLS_RLF_PROGRAM_H

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "RlFileIO.h"

// A tool or data set a test needs (node, Chromium, Blender, the test models): without it
// the test fails, since make deps installs them all, unless RL_SKIP_MISSING_TOOLS is set
// in the environment, which skips such a test on purpose and says why.
#define RL_REQUIRE_TOOL(present, what)                                                              \
  do {                                                                                              \
    if (!(present)) {                                                                               \
      if (std::getenv("RL_SKIP_MISSING_TOOLS") != nullptr) GTEST_SKIP() << (what) << " is missing"; \
      FAIL() << (what) << " is missing (make deps installs it; RL_SKIP_MISSING_TOOLS=1 skips)";     \
    }                                                                                               \
  } while (0)

struct RunResult {
  int status;       // exit status, or -signal when a signal ended the program
  std::string out;  // standard output
  std::string err;  // standard error
};

// rlf started in its own process group, in dir, with standard output and error on pipes
// (standard output to the file outputTo instead, when given, relative to dir; "|" is a pipe
// whose reader went away, with SIGPIPE ignored as by a parent that ignores it).
// fileSizeLimit >= 0 sets RLIMIT_FSIZE with SIGXFSZ ignored, so that a write past it fails
// with EFBIG as on a full disk.
class Child {
 public:
  Child(const std::filesystem::path& dir, const std::vector<std::string>& args, long long fileSizeLimit = -1,
        const std::string& outputTo = "");
  pid_t Pid() const { return pid_; }
  // Reads both pipes to their ends, then reaps the child.
  RunResult Wait();

 private:
  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
};

// A file's whole contents ("" when it cannot be read).
std::string Slurp(const std::filesystem::path& path);

// A command line that runs a node script with the npm packages and Chromium at hand.
std::string NodeCommand(const std::string& script, const std::string& args);

class RlfProgramTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  RunResult Rlf(const std::vector<std::string>& args) { return Child(dir_, args).Wait(); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) const;
  // Copies a scene of tests/scenes into the scratch directory under the same name.
  void CopyScene(const std::string& name) const;
  void WriteRlf(const std::string& name, std::vector<RlRawTriangle> tris) const;
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
  // Whether the Khronos validator finds no error in the glTF file.
  void ExpectValidGltf(const std::string& name);
  // The triangles of an RLF file in the scratch directory.
  std::vector<RlRawTriangle> Triangles(const std::string& name) const;

  std::filesystem::path dir_;
};

#endif
