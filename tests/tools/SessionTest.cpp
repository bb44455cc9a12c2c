// rlf sessions written as tables: each file of tests/tools/sessions runs its rows in order
// in one scratch directory, as a user at a shell would. A row is a command and what it
// must give, in tab-separated fields:
//
//   ARGS  STATUS  CHECK...     rlf with ARGS (split at spaces; a last word >F sends standard
//                              output to the file F, >| to a pipe whose reader went away),
//                              its exit status (-N: ended by signal N), then checks:
//                                err=T / out=T   the stream is exactly the line(s) T
//                                err~T / out~T   the stream holds T
//                                no F / has F    the file F is absent / present
//                                F is T          the file F holds exactly T
//                                F hex H         the file F holds exactly the bytes H (as @hex)
//                                F triangles N   the RLF file F holds N triangles
//                                F valid         the Khronos validator finds no error in the
//                                                glTF file F
//                                F == G, F != G  the files F and G hold the same bytes, or not
//                                F kind K        F itself (not what a link names) is a K:
//                                                file, link, char, block or fifo
//                                F texel X,Y is L...  the picture F has as many channels as
//                                                levels L, and its texel X,Y (from the top
//                                                left) is at those levels, each within 1
//                                                (of 16-bit samples, their high bytes)
//                                F mean is L...  likewise, the mean over all texels
//   @copy F...                 copies tests/scenes/F to F in the directory
//   @write F T  @mkdir D  @cp F G
//   @hex F H                   F, the bytes of the hexadecimal text H (XX*N: N bytes XX)
//   @fifo F [G]                F, a FIFO; with G, a reader copies what the next command
//                              writes into it to the file G
//   @limit N|F                 the next command may write at most N bytes to a file (or one
//                              byte fewer than F holds); a longer write fails as on a full disk
//   @link F T                  F, a symbolic link to T (which may hold spaces)
//   @needs P WHAT              the session needs the file P, from WHAT, which make deps
//                              installs: without it the session fails (RL_SKIP_MISSING_TOOLS
//                              in the environment skips it)
//   @node F null|full|disk     F, a device node of the directory's own: the null and full
//                              character devices, or a loop block device
//
// T takes \n for a line break. A failing command says why in one line, unless its row
// gives the whole of its standard error or a signal ended it. No command leaves a partial
// file (NAME.part...).
#include <fcntl.h>
#include <stb/stb_image.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <utility>

#include "RlfProgram.h"
#include "Streams.h"

namespace {

std::vector<std::string> Split(const std::string& line, char at) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, at);) {
    if (!field.empty()) fields.push_back(field);
  }
  return fields;
}

std::string Unescaped(std::string text) {
  for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
  return text;
}

std::vector<std::string> Sessions() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(RL_TEST_SESSIONS)) {
    names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

class Session : public RlfProgramTest, public testing::WithParamInterface<std::string> {
 protected:
  void Setup(const std::vector<std::string>& words, const std::string& line) {
    const std::string rest = line.substr(std::min(line.size(), words[0].size() + words[1].size() + 2));
    if (words[0] == "@copy") {
      for (std::size_t i = 1; i < words.size(); ++i) {
        std::filesystem::create_directories((dir_ / words[i]).parent_path());
        std::filesystem::copy_file(std::filesystem::path(RL_TEST_SCENES) / words[i], dir_ / words[i],
                                   std::filesystem::copy_options::overwrite_existing);
      }
    } else if (words[0] == "@write") {
      Write(words[1], Unescaped(rest));
    } else if (words[0] == "@mkdir") {
      std::filesystem::create_directories(dir_ / words[1]);
    } else if (words[0] == "@hex" && words.size() >= 3) {
      const Bytes bytes = Hex(rest.c_str());
      Write(words[1], std::string(bytes.begin(), bytes.end()));
    } else if (words[0] == "@fifo") {
      ASSERT_EQ(mkfifo(Path(words[1]).c_str(), 0666), 0);
      if (words.size() == 3) {
        fifo_ = Path(words[1]);
        reader_ = std::thread([this, copy = Path(words[2])] { std::ofstream(copy, std::ios::binary) << Slurp(fifo_); });
      }
    } else if (words[0] == "@limit" && words.size() == 2) {
      limit_ = std::isdigit(static_cast<unsigned char>(words[1][0]))
                   ? std::stoll(words[1])
                   : static_cast<long long>(std::filesystem::file_size(dir_ / words[1])) - 1;
    } else if (words[0] == "@cp" && words.size() == 3) {
      std::filesystem::copy_file(dir_ / words[1], dir_ / words[2]);
    } else if (words[0] == "@link" && words.size() >= 3) {
      std::filesystem::create_symlink(rest, dir_ / words[1]);
    } else if (words[0] == "@needs" && words.size() >= 3) {
      RL_REQUIRE_TOOL(std::filesystem::exists(words[1]), rest);
    } else if (words[0] == "@node" && words.size() == 3) {
      const bool disk = words[2] == "disk";
      const dev_t device = disk ? makedev(7, 0) : makedev(1, words[2] == "null" ? 3 : 7);
      ASSERT_EQ(mknod(Path(words[1]).c_str(), (disk ? S_IFBLK : S_IFCHR) | 0666, device), 0) << "run as root";
    } else {
      FAIL() << "unknown step " << words[0];
    }
  }

  void Check(const RunResult& r, const std::string& check) {
    const std::vector<std::string> words = Split(check, ' ');
    const std::string kind = check.substr(0, 4), text = Unescaped(check.substr(std::min<std::size_t>(4, check.size())));
    if (kind == "err=" || kind == "out=") {
      EXPECT_EQ(kind[0] == 'e' ? r.err : r.out, text + "\n");
    } else if (kind == "err~" || kind == "out~") {
      const std::string& got = kind[0] == 'e' ? r.err : r.out;
      EXPECT_NE(got.find(text), std::string::npos) << got;
    } else if (words.size() == 2 && (words[0] == "no" || words[0] == "has")) {
      EXPECT_EQ(Exists(words[1]), words[0] == "has") << words[1];
    } else if (words.size() == 3 && (words[1] == "==" || words[1] == "!=")) {
      EXPECT_EQ(Slurp(Path(words[0])) == Slurp(Path(words[2])), words[1] == "==") << check;
    } else if (words.size() == 3 && words[1] == "kind") {
      struct stat info;
      ASSERT_EQ(lstat(Path(words[0]).c_str(), &info), 0) << words[0];
      const std::pair<const char*, mode_t> kinds[] = {
          {"file", S_IFREG}, {"link", S_IFLNK}, {"char", S_IFCHR}, {"block", S_IFBLK}, {"fifo", S_IFIFO}};
      const auto wanted =
          std::find_if(std::begin(kinds), std::end(kinds), [&](auto& k) { return words[2] == k.first; });
      ASSERT_NE(wanted, std::end(kinds)) << words[2];
      EXPECT_EQ(info.st_mode & S_IFMT, wanted->second) << words[0];
    } else if ((words.size() >= 5 && words[1] == "texel" && words[3] == "is") ||
               (words.size() >= 4 && words[1] == "mean" && words[2] == "is")) {
      const bool mean = words[1] == "mean";
      const std::size_t first = mean ? 3 : 4;
      int w = 0, h = 0, channels = 0;
      std::unique_ptr<stbi_uc, void (*)(void*)> texels(stbi_load(Path(words[0]).c_str(), &w, &h, &channels, 0),
                                                       stbi_image_free);
      ASSERT_TRUE(texels) << words[0];
      ASSERT_EQ(static_cast<std::size_t>(channels), words.size() - first) << words[0];
      const int x = mean ? 0 : std::stoi(words[2]), y = mean ? 0 : std::stoi(words[2].substr(words[2].find(',') + 1));
      for (int k = 0; k < channels; ++k) {
        double level = texels.get()[(y * w + x) * channels + k];
        if (mean) {
          level = 0;
          for (int at = 0; at < w * h; ++at) level += texels.get()[at * channels + k] / static_cast<double>(w * h);
        }
        EXPECT_NEAR(level, std::stoi(words[first + static_cast<std::size_t>(k)]), 1) << words[0];
      }
    } else if (words.size() == 2 && words[1] == "valid") {
      ExpectValidGltf(words[0]);
    } else if (words.size() == 3 && words[1] == "triangles") {
      EXPECT_EQ(Triangles(words[0]).size(), std::stoull(words[2])) << words[0];
    } else if (words.size() >= 3 && words[1] == "hex") {
      const Bytes bytes = Hex(check.substr(words[0].size() + 5).c_str());
      EXPECT_EQ(Slurp(Path(words[0])), std::string(bytes.begin(), bytes.end()));
    } else if (words.size() >= 2 && words[1] == "is") {
      EXPECT_EQ(Slurp(Path(words[0])), Unescaped(check.substr(words[0].size() + 4)));
    } else {
      ADD_FAILURE() << "unknown check";
    }
  }

  RunResult Run(std::vector<std::string> args) {
    std::string outputTo;
    if (args.back().starts_with('>')) outputTo = args.back().substr(1), args.pop_back();
    const RunResult r = Child(dir_, args, std::exchange(limit_, -1), outputTo).Wait();
    LetTheReaderGo();
    return r;
  }

  // A reader still waiting for a writer (the command failed before it opened the FIFO)
  // is let go.
  void LetTheReaderGo() {
    if (!reader_.joinable()) return;
    const int unblock = open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
    if (unblock >= 0) close(unblock);
    reader_.join();
  }

  void TearDown() override {
    LetTheReaderGo();
    RlfProgramTest::TearDown();
  }

  long long limit_ = -1;
  std::string fifo_;
  std::thread reader_;
};

TEST_P(Session, EachCommandGivesWhatItsRowSays) {
  std::ifstream in(std::string(RL_TEST_SESSIONS) + "/" + GetParam() + ".tsv");
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    SCOPED_TRACE(GetParam() + ".tsv:" + std::to_string(number) + ": " + line);
    if (line[0] == '@') {
      const std::vector<std::string> words = Split(line, ' ');
      ASSERT_GE(words.size(), 2u);
      ASSERT_NO_FATAL_FAILURE(Setup(words, line));
      if (IsSkipped()) return;
      continue;
    }
    const std::vector<std::string> fields = Split(line, '\t');
    ASSERT_GE(fields.size(), 2u) << "a command row needs its status";
    const RunResult r = Run(Split(fields[0], ' '));
    EXPECT_EQ(r.status, std::stoi(fields[1])) << r.err;
    for (std::size_t i = 2; i < fields.size(); ++i) Check(r, fields[i]);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_)) {
      EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
    }
    const bool wholeError = std::any_of(fields.begin(), fields.end(), [](auto& f) { return f.starts_with("err="); });
    if (r.status > 0 && !wholeError) {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
  }
  EXPECT_GT(number, 0) << "no session " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Tables, Session, testing::ValuesIn(Sessions()), [](const auto& session) {
  std::string name = session.param;
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
});
