#include "RlfProgram.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string Quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) {
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return q + "'";
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

void RlfProgramTest::SetUp() {
  dir_ = std::filesystem::temp_directory_path() / ("rlf_program_" + std::to_string(getpid()) + "_" +
                                                   testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
}

void RlfProgramTest::TearDown() { std::filesystem::remove_all(dir_); }

RunResult RlfProgramTest::Rlf(const std::vector<std::string>& args) {
  std::string command = "cd " + Quoted(dir_.string()) + " && " + Quoted(RLF_PROGRAM);
  for (const std::string& arg : args) {
    command += " " + Quoted(arg);
  }
  command += " > .stdout 2> .stderr";
  const int raw = std::system(command.c_str());
  RunResult r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir_ / ".stdout"), Slurp(dir_ / ".stderr")};
  std::filesystem::remove(dir_ / ".stdout");
  std::filesystem::remove(dir_ / ".stderr");
  return r;
}

void RlfProgramTest::Write(const std::string& name, const std::string& text) const {
  std::ofstream(dir_ / name, std::ios::binary) << text;
}

void RlfProgramTest::ExpectValidGltf(const std::string& name) {
  RL_REQUIRE_TOOL(!std::string(RL_NODE).empty(), "node (for the glTF validator)");
  const std::string validate = "NODE_PATH=" + Quoted(RL_NODE_MODULES) + " " + Quoted(RL_NODE) + " " +
                               Quoted(RL_VALIDATE_GLTF) + " " + Quoted(Path(name));
  EXPECT_EQ(std::system(validate.c_str()), 0) << validate;
}

std::vector<RlRawTriangle> RlfProgramTest::Triangles(const std::string& name) const {
  std::vector<RlRawTriangle> tris;
  FILE* fp = std::fopen(Path(name).c_str(), "rb");
  if (fp == nullptr) {
    ADD_FAILURE() << name << " was not written";
    return tris;
  }
  int numTris = 0;
  RlRawTriangle* read = nullptr;
  if (RlReadTriangles(fp, &numTris, &read)) {
    tris.assign(read, read + numTris);
  }
  delete[] read;
  std::fclose(fp);
  return tris;
}
