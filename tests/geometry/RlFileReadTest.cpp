// Reading RLF files: round trips, the chunk search (a table of files), every message and
// the out-parameter contract on each failure.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "MacSpecific.h"
#include "RlFileIO.h"
#include "Streams.h"
#include "Tables.h"
#include "Triangles.h"
#include "VekEndian.h"

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

}  // namespace

// Every bit pattern, NaN payloads among them, reads back as written. RlFileHasTriangles
// leaves the stream at the count, where RlReadTriangleChunk goes on.
TEST(RlReadTriangles, EveryBitPatternReadsBackAsWritten) {
  const std::vector<RlRawTriangle> patterns = PatternTriangles(257, 7);
  UniqueFile fp(TempFileWith(RlfFileOf(patterns)));
  ReadResult r;
  Read(fp.get(), &r);
  ASSERT_TRUE(r.ok) << r.messages;
  ASSERT_EQ(r.numTris, 257);
  ExpectSameRecords(r.tris, patterns);
  std::rewind(fp.get());
  ASSERT_TRUE(RlFileHasTriangles(fp.get()));
  EXPECT_EQ(std::ftell(fp.get()), 16);
  ReadResult chunk;
  Read(fp.get(), &chunk, RlReadTriangleChunk);
  ASSERT_TRUE(chunk.ok);
  ExpectSameRecords(chunk.tris, patterns);
}

// Each file of the table: what reads hands over the records that stand just before where
// the read left the stream; what is refused gives its message, the count and array handed
// over only once the count was read, never a crash, a hang or a read out of bounds.
// RlFileHasTriangles says whether the chunk was found, silently.
TEST(RlReadTriangles, ReadsOrRefusesEachFileOfTheTable) {
  const std::vector<std::vector<std::string>> table = ReadTable(RL_READS_TABLE);
  ASSERT_GT(table.size(), 10u) << RL_READS_TABLE;
  for (const std::vector<std::string>& row : table) {
    ASSERT_GE(row.size(), 4u) << row[0];
    const std::string &name = row[0], &stream = row[1], &hex = row[2], &count = row[3];
    const std::string messages = row.size() > 4 ? row[4] : "";
    SCOPED_TRACE(name);
    const Bytes bytes = Hex(hex.c_str());
    const bool memory = stream == "memory", untouched = count == "-";
    UniqueFile fp = memory ? MemoryStreamOver(bytes) : TempFileWith(bytes);
    ReadResult r;
    Read(fp.get(), &r);
    EXPECT_EQ(r.ok, messages.empty());
    EXPECT_EQ(r.numTris, untouched ? -12345 : std::stoi(count));
    if (r.ok) {
      const auto end = static_cast<std::size_t>(std::ftell(fp.get())), size = sizeof(RlRawTriangle) * r.numTris;
      Bytes records(size);
      std::memcpy(records.data(), r.tris, size);
      if constexpr (kHostIsBigEndian) VekByteSwap_RlRawTriangle(records.data(), static_cast<uint32>(r.numTris));
      ASSERT_LE(size, end);
      EXPECT_EQ(records, Bytes(bytes.begin() + static_cast<long>(end - size), bytes.begin() + static_cast<long>(end)));
    }
    const std::size_t bar = messages.find('|');
    EXPECT_TRUE((r.ok && r.messages.empty()) || r.messages == messages.substr(0, bar) + "\n" ||
                (bar != std::string::npos && r.messages == messages.substr(bar + 1) + "\n"))
        << r.messages;
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
