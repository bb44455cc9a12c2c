#include "RlfProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

Child::Child(const std::filesystem::path& dir, const std::vector<std::string>& args, long long fileSizeLimit,
             const std::string& outputTo) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) {
    ADD_FAILURE() << "no pipes";
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    setpgid(0, 0);  // a group of its own, as a shell's job
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    close(out[0]), close(out[1]), close(err[0]), close(err[1]);
    if (chdir(dir.c_str()) != 0) _exit(127);
    if (outputTo == "|") {  // a reader that went away, under a parent that ignores SIGPIPE
      int gone[2];
      if (pipe(gone) == 0) close(gone[0]), dup2(gone[1], STDOUT_FILENO);
      std::signal(SIGPIPE, SIG_IGN);
    } else if (!outputTo.empty()) {
      dup2(open(outputTo.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), STDOUT_FILENO);
    }
    if (fileSizeLimit >= 0) {
      const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
      std::signal(SIGXFSZ, SIG_IGN);
    }
    std::vector<char*> argv{const_cast<char*>(RLF_PROGRAM)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(RLF_PROGRAM, argv.data());
    _exit(127);
  }
  close(out[1]), close(err[1]);
  out_ = out[0], err_ = err[0];
}

RunResult Child::Wait() {
  RunResult r{-1, "", ""};
  pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  std::string* texts[2] = {&r.out, &r.err};
  for (int open = 2; open > 0;) {
    poll(fds, 2, -1);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd >= 0 && fds[i].revents != 0) {
        char buffer[4096];
        const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
          texts[i]->append(buffer, static_cast<std::size_t>(n));
        } else {
          close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
      }
    }
  }
  int raw = 0;
  waitpid(pid_, &raw, 0);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
  return r;
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string NodeCommand(const std::string& script, const std::string& args) {
  return "CHROMIUM='" RL_CHROMIUM "' NODE_PATH='" RL_NODE_MODULES "' '" RL_NODE "' '" + script + "' " + args;
}

void RlfProgramTest::SetUp() {
  dir_ = std::filesystem::temp_directory_path() / ("rlf_program_" + std::to_string(getpid()) + "_" +
                                                   testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
}

void RlfProgramTest::TearDown() { std::filesystem::remove_all(dir_); }

void RlfProgramTest::Write(const std::string& name, const std::string& text) const {
  std::ofstream(dir_ / name, std::ios::binary) << text;
}

void RlfProgramTest::CopyScene(const std::string& name) const {
  std::filesystem::copy_file(std::filesystem::path(RL_TEST_SCENES) / name, dir_ / name,
                             std::filesystem::copy_options::overwrite_existing);
}

void RlfProgramTest::WriteRlf(const std::string& name, std::vector<RlRawTriangle> tris) const {
  FILE* fp = std::fopen(Path(name).c_str(), "wb");
  ASSERT_NE(fp, nullptr) << name;
  EXPECT_TRUE(RlWriteTriangles(fp, static_cast<int>(tris.size()), tris.data()));
  EXPECT_EQ(std::fclose(fp), 0);
}

void RlfProgramTest::ExpectValidGltf(const std::string& name) {
  RL_REQUIRE_TOOL(!std::string(RL_NODE).empty(), "node (for the glTF validator)");
  const std::string validate = NodeCommand(RL_VALIDATE_GLTF, "'" + Path(name) + "'");
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
