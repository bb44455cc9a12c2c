// rlf ended from outside, by signals while it writes a file: the target must stay as it
// was, with no other file behind. (Writes that fail for real, cut short or to a full
// device, and a reader that goes away: the writes, targets and files sessions.)
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
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
