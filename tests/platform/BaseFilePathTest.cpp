// The directory of the running viewer, found for real: a helper program is copied to
// the places under test and run there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class BaseFilePath : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("rl_base_path_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  // Copies the helper to root/relative and returns what it prints there.
  std::string RunAt(const std::string& relative, int pathSize, bool posix = true) {
    const fs::path target = root_ / relative;
    fs::create_directories(target.parent_path());
    fs::copy_file(PRINT_BASE_PATH, target, fs::copy_options::overwrite_existing);
    const std::string emulator = RL_EMULATOR;
    const std::string command = (emulator.empty() ? "" : emulator + " ") + target.string() + " " +
                                std::to_string(pathSize) + (posix ? " 1" : " 0");
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::string out;
    char chunk[256];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
      out.append(chunk, got);
    }
    EXPECT_EQ(pclose(pipe), 0);
    return out;
  }

  std::string Root() const { return fs::canonical(root_).string(); }

  fs::path root_;
};

}  // namespace

// Cut before the viewer's bundle (at its first mention), kept whole without it, in
// either path style; refused when it does not fit with its terminator.
TEST_F(BaseFilePath, CutsBeforeTheViewersBundleWhereItFits) {
  const std::string root = Root(), path = root + "/bin/viewer";
  const int exact = static_cast<int>(path.size()) + 1;
  const struct {
    const char* at;
    int size;
    bool posix;
    std::string prints;
  } cases[] = {
      {"Tools/RLFView.app/Contents/MacOS/RLFView", 4096, true, "0 " + root + "/Tools/"},
      {"a/RLFViewer/b/RLFView", 4096, true, "0 " + root + "/a/"},
      {"bin/viewer", 4096, true, "0 " + path},
      {"bin/viewer", 4096, false, "0 " + path},
      {"bin/viewer", exact, true, "0 " + path},
      {"bin/viewer", exact - 1, true, "-43 "},
      {"bin/viewer", 0, true, "-43 "},
  };
  for (const auto& c : cases) EXPECT_EQ(RunAt(c.at, c.size, c.posix), c.prints) << c.at << " " << c.size;
}
