// Runs the rlf program as a user would, in a scratch directory of the test's own.
#ifndef TESTS_TOOLS_RLF_PROGRAM_H
#define TESTS_TOOLS_RLF_PROGRAM_H

#include <gtest/gtest.h>

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
  int status;       // exit status
  std::string out;  // standard output
  std::string err;  // standard error
};

class RlfProgramTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs rlf with the arguments (each quoted for the shell).
  RunResult Rlf(const std::vector<std::string>& args);
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) const;
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
  // Whether the Khronos validator finds no error in the glTF file; skips the test when
  // node is not installed.
  void ExpectValidGltf(const std::string& name);
  // The triangles of an RLF file in the scratch directory.
  std::vector<RlRawTriangle> Triangles(const std::string& name) const;

  std::filesystem::path dir_;
};

#endif
