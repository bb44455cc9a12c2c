// Files written by others: every scene file of Debian's assimp-testmodels through
// rlf export, each expected to give the triangles or the error its table row names.
#include <cctype>
#include <filesystem>

#include "RlfProgram.h"
#include "Tables.h"

namespace {

constexpr char kModels[] = "/usr/share/assimp/models";

struct CorpusRow {
  std::string file;      // under kModels
  std::string expected;  // a triangle count, or "error: " and the message
};

void PrintTo(const CorpusRow& row, std::ostream* out) { *out << row.file << ": " << row.expected; }

std::vector<CorpusRow> CorpusRows() {
  std::vector<CorpusRow> rows;
  for (const std::vector<std::string>& row : ReadTable(RL_CORPUS_TABLE))
    rows.push_back({row[0], row.size() > 1 ? row[1] : ""});
  return rows;
}

// The message as rlf prints it: the table writes {models} for the corpus directory.
std::string Expanded(std::string message) {
  for (std::size_t at; (at = message.find("{models}")) != std::string::npos;) {
    message.replace(at, 8, kModels);
  }
  return message;
}

}  // namespace

class CorpusFile : public RlfProgramTest, public testing::WithParamInterface<CorpusRow> {};

TEST_P(CorpusFile, ExportsAsItsRowSays) {
  const CorpusRow& row = GetParam();
  const std::string path = std::string(kModels) + "/" + row.file;
  RL_REQUIRE_TOOL(std::filesystem::exists(path), path + " (assimp-testmodels)");
  const RunResult r = Rlf({"export", path, "-o", "out.rlf"});
  if (row.expected.rfind("error: ", 0) == 0) {
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.err.find(path + ":"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(Expanded(row.expected.substr(7))), std::string::npos) << r.err;
    EXPECT_FALSE(Exists("out.rlf"));
  } else {
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Triangles("out.rlf").size(), std::stoull(row.expected));
  }
}

namespace {

// A test's name: the row's number and its file, letters and digits only.
std::string RowName(const testing::TestParamInfo<CorpusRow>& row) {
  std::string name = std::to_string(row.index) + "_";
  for (const char c : row.param.file) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(AssimpTestModels, CorpusFile, testing::ValuesIn(CorpusRows()), RowName);
