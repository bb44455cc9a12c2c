// Every file rlf writes is all or nothing: writes made to fail for real (a file-size
// limit, a full device, an interrupt) must leave the target as it was, no other file
// behind, and a failure status with the file and the system's reason.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <set>
#include <thread>

#include "Meshes.h"
#include "RlfProgram.h"

class OutputFailures : public RlfProgramTest {
 protected:
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) names.insert(entry.path().filename());
    return names;
  }
};

// Each writing command, cut off at 0 bytes, inside its header, inside its body and one
// byte short of the whole file.
TEST_F(OutputFailures, EveryWritingCommandFailsWholeWhenItsFileIsCutShort) {
  ASSERT_EQ(Rlf({"export", "-o", "sample.rlf"}).status, 0);
  const std::string sample = Slurp(Path("sample.rlf"));
  Write("body.bin", sample.substr(16));
  struct Case {
    std::vector<std::string> args;
    std::string target;
    std::size_t header;  // a size that ends inside the format's header
  };
  const Case cases[] = {
      {{"weld", "sample.rlf", "-o", "out.glb"}, "out.glb", 7},
      {{"weld", "sample.rlf", "-o", "out.obj"}, "out.obj", 10},
      {{"render", "sample.rlf", "-o", "out.png", "--size", "64"}, "out.png", 5},
      {{"convert", "body.bin", "out.rlf"}, "out.rlf", 9},
      {{"export", "-o", "out.rlf"}, "out.rlf", 9},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Rlf(c.args).status, 0) << c.target;
    const std::size_t whole = std::filesystem::file_size(Path(c.target));
    const std::string previous = "the previous " + c.target + "\n";
    Write(c.target, previous);
    const std::set<std::string> before = Listing();
    for (const std::size_t limit : {std::size_t{0}, c.header, whole / 2, whole - 1}) {
      const RunResult r = Child(dir_, c.args, static_cast<long long>(limit)).Wait();
      EXPECT_EQ(r.status, 1) << c.target << " cut at " << limit;
      EXPECT_NE(r.err.find("rlf: " + c.target + ": File too large\n"), std::string::npos)
          << c.target << " cut at " << limit << ": " << r.err;
      EXPECT_EQ(Slurp(Path(c.target)), previous) << c.target << " cut at " << limit;
      EXPECT_EQ(Listing(), before) << c.target << " cut at " << limit;
    }
    // Without a limit the same command replaces the target whole.
    const RunResult r = Child(dir_, c.args).Wait();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::filesystem::file_size(Path(c.target)), whole) << c.target;
  }
}

TEST_F(OutputFailures, AReportThatCannotBeWrittenFails) {
  ASSERT_EQ(Rlf({"export", "-o", "sample.rlf"}).status, 0);
  // A full device of the scratch directory's own, never /dev/full.
  ASSERT_EQ(mknod(Path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0) << "the tests run as root";
  const std::string command = "'" + std::string(RLF_PROGRAM) + "' info '" + Path("sample.rlf") + "' --json > '" +
                              Path("full") + "' 2> '" + Path("err.txt") + "'";
  const int raw = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
  EXPECT_EQ(Slurp(Path("err.txt")), "rlf: standard output: No space left on device\n");

  // A reader that went away ends the program quietly, even when the parent ignored SIGPIPE.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  const pid_t pid = fork();
  if (pid == 0) {
    std::signal(SIGPIPE, SIG_IGN);
    dup2(fds[1], STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    execl(RLF_PROGRAM, RLF_PROGRAM, "info", Path("sample.rlf").c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
}

// A FIFO as the target of every writing command is written through and stays a FIFO, and
// a name as long as the system allows still gets its new file. (Devices and links: the
// targets session.)
TEST_F(OutputFailures, FifosAndTheLongestNamesAreWrittenThrough) {
  WriteRlf("grid.rlf", Torus(4, 4));
  Write("body.bin", Slurp(Path("grid.rlf")).substr(16));
  CopyScene("quad.obj");
  const struct {
    std::vector<std::string> args;  // the target follows
    std::string extension;
  } commands[] = {
      {{"export", "-o"}, ".rlf"},
      {{"weld", "grid.rlf", "-o"}, ".glb"},
      {{"render", "grid.rlf", "--size", "16", "-o"}, ".png"},
      {{"convert", "body.bin"}, ".rlf"},
      {{"bake", "quad.obj", "quad.obj", "--size", "16", "-o"}, ".png"},
  };
  for (const auto& command : commands) {
    const std::string fifo = "fifo" + command.extension;
    const std::string longest = std::string(255 - command.extension.size(), 'n') + command.extension;
    SCOPED_TRACE(command.args[0]);
    std::vector<std::string> args = command.args;
    args.push_back(fifo);
    ASSERT_EQ(mkfifo(Path(fifo).c_str(), 0666), 0);
    std::string received;
    std::thread reader([&] { received = Slurp(Path(fifo)); });
    const RunResult r = Rlf(args);
    // A reader still waiting for a writer (rlf failed before it opened the FIFO) is let go.
    const int unblock = open(Path(fifo).c_str(), O_WRONLY | O_NONBLOCK);
    if (unblock >= 0) close(unblock);
    reader.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_GT(received.size(), 8u);
    struct stat info;
    EXPECT_TRUE(lstat(Path(fifo).c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    args.back() = longest;
    EXPECT_EQ(Rlf(args).status, 0);
    EXPECT_TRUE(Exists(longest));
    for (const std::string& name : Listing()) EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    std::filesystem::remove(dir_ / fifo);
    std::filesystem::remove(dir_ / longest);
  }
  // A pipe reached through the system's own link.
  const RunResult piped = Child(dir_, {"render", "grid.rlf", "--size", "16", "-o", "/dev/stdout"}).Wait();
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out.substr(0, 4), "\x89PNG");
}

// SIGINT, SIGTERM and SIGHUP while each writing command has its new file beside the target
// (and while the bake reads a scene's export through its scratch FIFO): the command ends
// (with its line and status 1 where rlf catches the signal), the target is as it was, and
// neither a new file nor a scratch directory is left.
TEST_F(OutputFailures, EndingSignalsLeaveTheTargetAndNoNewFile) {
  WriteRlf("grid.rlf", Torus(400, 400));
  Write("body.bin", Slurp(Path("grid.rlf")).substr(16));
  std::string obj;
  const int n = 300;
  for (int i = 0; i <= n; ++i) {
    for (int j = 0; j <= n; ++j) obj += "v " + std::to_string(i) + " " + std::to_string(j) + " 0\n";
  }
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const int a = i * (n + 1) + j + 1;
      obj += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + n + 2) + " " +
             std::to_string(a + n + 1) + "\n";
    }
  }
  Write("grid.obj", obj);
  std::filesystem::create_directory(dir_ / "scratch");
  setenv("TMPDIR", Path("scratch").c_str(), 1);
  const struct {
    std::vector<std::string> args;
    std::string target;
    int signal;
  } cases[] = {
      {{"weld", "grid.rlf", "-o", "out.glb"}, "out.glb", SIGINT},
      {{"render", "grid.rlf", "-o", "out.png", "--size", "8192"}, "out.png", SIGINT},
      {{"convert", "body.bin", "out.rlf"}, "out.rlf", SIGINT},
      {{"export", "grid.obj", "-o", "out.rlf"}, "out.rlf", SIGTERM},
      {{"export", "grid.obj", "-o", "out.rlf"}, "out.rlf", SIGHUP},
      {{"bake", "grid.obj", "grid.obj", "-o", "out.png"}, "out.png", SIGTERM},
      {{"bake", "grid.obj", "grid.obj", "-o", "out.png"}, "out.png", SIGHUP},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + strsignal(c.signal));
    // A signal that comes after the command finished (a loaded machine can be that slow)
    // proves nothing: the command is run again.
    RunResult r{0, "", ""};
    for (int attempt = 0; attempt < 5 && r.status == 0; ++attempt) {
      Write(c.target, "the previous file\n");
      const std::set<std::string> before = Listing();
      Child child(dir_, c.args);
      // The moment the new file exists beside the target, or the bake's FIFO in the
      // scratch directory.
      const bool bake = c.args[0] == "bake";
      bool seen = false;
      for (int i = 0; i < 50000 && !seen; ++i) {
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(bake ? dir_ / "scratch" : dir_, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
          const std::string name = it->path().filename().string();
          seen = seen || (bake ? name == "scene.rlf" : name.starts_with(c.target + ".part"));
        }
        if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
      EXPECT_TRUE(seen);
      kill(child.Pid(), c.signal);
      r = child.Wait();
      if (r.status == 0) continue;
      if (c.signal == SIGINT) {
        EXPECT_EQ(r.status, -SIGINT) << r.out << r.err;
      } else {
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE(r.err.find("interrupted; out."), std::string::npos) << r.err;
      }
      EXPECT_EQ(Slurp(Path(c.target)), "the previous file\n");
      EXPECT_EQ(Listing(), before);
      EXPECT_TRUE(std::filesystem::is_empty(dir_ / "scratch"));
    }
    EXPECT_NE(r.status, 0) << "the signal never came while the command ran";
  }
  unsetenv("TMPDIR");
}

// An interrupt while Assimp's reader works in its child process ends the child at once:
// the command ends with one line, and no reader is left running on its own.
TEST_F(OutputFailures, AnInterruptEndsTheAssimpReaderToo) {
  std::filesystem::copy_file("/usr/share/assimp/models/invalid/OutOfMemory.off", Path("slow.off"));
  const auto readers = [&] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      const std::string line = Slurp((entry.path() / "cmdline").string());
      count += line.find(Path("slow.off")) != std::string::npos;
    }
    return count;
  };
  // Ctrl-C to the command, to its group (as a terminal sends it), and a kill that no
  // handler sees.
  const struct {
    bool group;
    int signal;
  } ways[] = {{false, SIGINT}, {true, SIGINT}, {false, SIGKILL}};
  for (const auto& way : ways) {
    SCOPED_TRACE(std::string(way.group ? "group " : "") + strsignal(way.signal));
    Child child(dir_, {"export", Path("slow.off"), "-o", "out.rlf"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto sent = std::chrono::steady_clock::now();
    kill(way.group ? -child.Pid() : child.Pid(), way.signal);
    const RunResult r = child.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(3));
    if (way.signal == SIGINT) {
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "\nrlf: interrupted; out.rlf not written\n");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(readers(), 0);
  }
}
