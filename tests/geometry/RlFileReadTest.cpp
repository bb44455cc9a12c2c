// Reading RLF files: round trips, the chunk search, every message and the
// out-parameter contract on each failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "RlFileIO.h"
#include "Streams.h"
#include "Tables.h"
#include "Triangles.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// A pointer value that no allocation returns: shows that *tris was not written.
RlRawTriangle* const kUntouched = reinterpret_cast<RlRawTriangle*>(64);

struct ReadResult {
  bool ok;
  std::string messages;
  int numTris = -12345;
  RlRawTriangle* tris = kUntouched;  // owned once written
  ~ReadResult() {
    if (tris != kUntouched) {
      delete[] tris;
    }
  }
};

void Read(FILE* fp, ReadResult* r, const std::function<bool(FILE*, int*, RlRawTriangle**)>& reader = RlReadTriangles) {
  CaptureStderr();
  r->ok = reader(fp, &r->numTris, &r->tris);
  r->messages = GetCapturedStderr();
}

void ExpectSameRecords(const RlRawTriangle* actual, const std::vector<RlRawTriangle>& expected) {
  EXPECT_EQ(std::memcmp(actual, expected.data(), expected.size() * sizeof(RlRawTriangle)), 0);
}

// A chunk: tag, size, then content.
Bytes Chunk(const char (&tag)[5], uint32_t size, const Bytes& content = {}) {
  Bytes out;
  AppendTag(out, tag);
  AppendLE32(out, size);
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

}  // namespace

// Files that read: every bit pattern round trips; hand-written little-endian bytes;
// foreign chunks skipped, "TRIS" after an empty "RLF " rather than inside it. The
// stream is left after the records; RlFileHasTriangles leaves it at the count, where
// RlReadTriangleChunk goes on.
TEST(RlReadTriangles, ReadsWhatTheFormatAllows) {
  const std::vector<RlRawTriangle> patterns = PatternTriangles(257, 7);
  Bytes records = Hex("01000000");
  float values[24];
  for (uint32_t k = 0; k < 24; ++k) {
    AppendLE32(records, 0x3F800000u + k);  // 1.0f plus k units in the last place
    values[k] = std::bit_cast<float>(0x3F800000u + k);
  }
  std::vector<RlRawTriangle> counted(1);
  std::memcpy(&counted[0], values, sizeof values);
  const Bytes body = RlfBodyOf(patterns), trisChunk = Chunk("TRIS", static_cast<uint32_t>(body.size()), body);
  const struct {
    const char* name;
    Bytes file;
    const std::vector<RlRawTriangle>& tris;
  } cases[] = {
      {"every bit pattern", RlfFileOf(patterns), patterns},
      {"little-endian bytes by hand", Chunk("RLF ", 12 + 96, Chunk("TRIS", 4 + 96, records)), counted},
      {"foreign chunks",
       Join({Chunk("JUNK", 5, Hex("0102030405")), Chunk("RLF ", 0), Chunk("NAME", 3, Hex("616263")), Chunk("EMPT", 0),
             trisChunk, Hex("090909")}),
       patterns},
      {"TRIS after an empty RLF", Join({Chunk("RLF ", 0), trisChunk}), patterns},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UniqueFile fp(TempFileWith(c.file));
    ReadResult r;
    Read(fp.get(), &r);
    ASSERT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(r.messages, "");
    ASSERT_EQ(r.numTris, static_cast<int>(c.tris.size()));
    ExpectSameRecords(r.tris, c.tris);
    const long end = std::ftell(fp.get());
    std::rewind(fp.get());
    ASSERT_TRUE(RlFileHasTriangles(fp.get()));
    EXPECT_EQ(std::ftell(fp.get()), end - 4 - 96 * static_cast<long>(c.tris.size()));
    ReadResult chunk;
    Read(fp.get(), &chunk, RlReadTriangleChunk);
    ASSERT_TRUE(chunk.ok);
    ExpectSameRecords(chunk.tris, c.tris);
  }
}

// Each file of the table: the message, the count and array handed over only once the
// count was read, never a crash, a hang or a read out of bounds. RlFileHasTriangles says
// whether the chunk was found, silently.
TEST(RlReadTriangles, ReportsEachFailureAndKeepsTheOutParameterContract) {
  const std::vector<std::vector<std::string>> table = ReadTable(RL_READ_FAILURES_TABLE);
  ASSERT_GT(table.size(), 10u) << RL_READ_FAILURES_TABLE;
  for (const std::vector<std::string>& row : table) {
    ASSERT_EQ(row.size(), 5u) << row[0];
    const std::string &name = row[0], &stream = row[1], &hex = row[2], &count = row[3], &messages = row[4];
    SCOPED_TRACE(name);
    const Bytes bytes = Hex(hex.c_str());
    const bool memory = stream == "memory", untouched = count == "-";
    UniqueFile fp = memory ? MemoryStreamOver(bytes) : TempFileWith(bytes);
    ReadResult r;
    Read(fp.get(), &r);
    EXPECT_FALSE(r.ok);
    const std::size_t bar = messages.find('|');
    EXPECT_TRUE(r.messages == messages.substr(0, bar) + "\n" ||
                (bar != std::string::npos && r.messages == messages.substr(bar + 1) + "\n"))
        << r.messages;
    EXPECT_EQ(r.numTris, untouched ? -12345 : std::stoi(count));
    EXPECT_TRUE(!untouched || r.tris == kUntouched);

    UniqueFile again = memory ? MemoryStreamOver(bytes) : TempFileWith(bytes);
    CaptureStderr();
    EXPECT_EQ(RlFileHasTriangles(again.get()), !untouched || messages == "Unable to read number of triangles");
    EXPECT_EQ(GetCapturedStderr(), "");
  }
}

TEST(RlReadTriangles, EndOfFileAlreadySetFindsNoData) {
  UniqueFile fp(TempFileWith(RlfFileOf(PatternTriangles(2))));
  std::fseek(fp.get(), 0, SEEK_END);
  ASSERT_EQ(std::fgetc(fp.get()), EOF);  // sets the end-of-file indicator
  const long before = std::ftell(fp.get());
  ReadResult r;
  Read(fp.get(), &r);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, "No RLF data found in file\n");
  EXPECT_EQ(std::ftell(fp.get()), before);
}

// Every prefix of a valid file: the message of the region that was cut, and the count
// and array handed over once the count was read. ASan watches the reads.
TEST(RlReadTriangles, EveryTruncationFailsCleanly) {
  const Bytes file = RlfFileOf(PatternTriangles(2, 3));
  ASSERT_EQ(file.size(), 212u);
  for (std::size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    UniqueFile fp(TempFileWith(Bytes(file.begin(), file.begin() + static_cast<long>(length))));
    ReadResult r;
    Read(fp.get(), &r);
    EXPECT_FALSE(r.ok);
    if (length < 16) {
      EXPECT_EQ(r.messages, "Unable to read header\n");
      EXPECT_EQ(r.tris, kUntouched);
    } else if (length < 20) {
      EXPECT_EQ(r.messages, "Unable to read number of triangles\n");
      EXPECT_EQ(r.tris, kUntouched);
    } else {
      EXPECT_EQ(r.messages, "Unable to read triangles\n");
      EXPECT_EQ(r.numTris, 2);
      EXPECT_NE(r.tris, kUntouched);  // the caller's array now
      EXPECT_NE(r.tris, nullptr);
    }
  }
}
