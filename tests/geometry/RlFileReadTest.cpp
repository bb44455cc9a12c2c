// Reading RLF files: round trips, the chunk search, every message and the
// out-parameter contract on each failure.
#include <gtest/gtest.h>

#include <cstring>

#include "RlFileIO.h"
#include "Streams.h"
#include "Triangles.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// A pointer value that no allocation returns: shows that *tris was not written.
RlRawTriangle* const kUntouched = reinterpret_cast<RlRawTriangle*>(alignof(RlRawTriangle) * 16);

Bytes FileOf(std::vector<RlRawTriangle> tris) {
  UniqueFile fp(std::tmpfile());
  EXPECT_TRUE(RlWriteTriangles(fp.get(), static_cast<int>(tris.size()), tris.data()));
  return ContentsOf(fp.get());
}

// A triangle chunk body: the count and the records, as in a file.
Bytes BodyOf(const std::vector<RlRawTriangle>& tris) {
  const Bytes file = FileOf(tris);
  return Bytes(file.begin() + 16, file.end());
}

struct ReadResult {
  bool ok;
  std::string messages;
  int numTris;
  RlRawTriangle* tris;  // owned: released by the destructor
  ~ReadResult() {
    if (tris != kUntouched) {
      delete[] tris;
    }
  }
};

template <typename Reader>
void Read(Reader reader, FILE* fp, ReadResult* r) {
  r->numTris = -12345;
  r->tris = kUntouched;
  CaptureStderr();
  r->ok = reader(fp, &r->numTris, &r->tris);
  r->messages = GetCapturedStderr();
}

void ExpectSameRecords(const RlRawTriangle* actual, const std::vector<RlRawTriangle>& expected) {
  EXPECT_EQ(std::memcmp(actual, expected.data(), expected.size() * sizeof(RlRawTriangle)), 0);
}

}  // namespace

TEST(RlReadTriangles, RoundTripsEveryBitPattern) {
  const std::vector<RlRawTriangle> tris = PatternTriangles(257, 7);
  UniqueFile fp(TempFileWith(FileOf(tris)));
  ReadResult r;
  Read(RlReadTriangles, fp.get(), &r);
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.messages, "");
  ASSERT_EQ(r.numTris, 257);
  ExpectSameRecords(r.tris, tris);
  EXPECT_EQ(std::ftell(fp.get()), 20 + 257 * 96);
}

TEST(RlReadTriangles, ReadsHandWrittenLittleEndianBytes) {
  Bytes file;
  AppendTag(file, "RLF ");
  AppendLE32(file, 12 + 96);
  AppendTag(file, "TRIS");
  AppendLE32(file, 4 + 96);
  AppendLE32(file, 1);
  for (uint32_t k = 0; k < 24; ++k) {
    AppendLE32(file, 0x3F800000u + k);  // 1.0f plus k units in the last place
  }
  UniqueFile fp(TempFileWith(file));
  ReadResult r;
  Read(RlReadTriangles, fp.get(), &r);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.numTris, 1);
  uint32_t bits[24];
  std::memcpy(bits, r.tris, sizeof bits);
  for (uint32_t k = 0; k < 24; ++k) {
    EXPECT_EQ(bits[k], 0x3F800000u + k) << "float " << k;
  }
  EXPECT_EQ(r.tris[0].vert[1].x, std::bit_cast<float>(0x3F800003u));
  EXPECT_EQ(r.tris[0].texCoord[2].v, std::bit_cast<float>(0x3F800000u + 23));
}

TEST(RlReadTriangles, EmptyFileHasNoTriangles) {
  UniqueFile fp(TempFileWith(FileOf({})));
  ReadResult r;
  Read(RlReadTriangles, fp.get(), &r);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, "No triangles found in file\n");
  EXPECT_EQ(r.numTris, 0);
  EXPECT_EQ(r.tris, kUntouched);
}

TEST(RlReadTriangles, NegativeCountIsNoTriangles) {
  Bytes file = FileOf(PatternTriangles(1));
  file[16] = file[17] = file[18] = file[19] = 0xFF;  // count -1
  UniqueFile fp(TempFileWith(file));
  ReadResult r;
  Read(RlReadTriangles, fp.get(), &r);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, "No triangles found in file\n");
  EXPECT_EQ(r.numTris, -1);
  EXPECT_EQ(r.tris, kUntouched);
}

TEST(RlReadTriangles, EmptyStreamCannotReadAHeader) {
  for (bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory stream" : "file");
    const Bytes empty;
    UniqueFile fp = memory ? MemoryStreamOver(empty) : TempFileWith(empty);
    EXPECT_FALSE(RlFileHasTriangles(fp.get()));
    std::rewind(fp.get());
    ReadResult r;
    Read(RlReadTriangles, fp.get(), &r);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, "Unable to read header\n");
    EXPECT_EQ(r.tris, kUntouched);
  }
}

TEST(RlReadTriangles, EndOfFileAlreadySetFindsNoData) {
  const Bytes file = FileOf(PatternTriangles(2));
  UniqueFile fp(TempFileWith(file));
  std::fseek(fp.get(), 0, SEEK_END);
  ASSERT_EQ(std::fgetc(fp.get()), EOF);  // sets the end-of-file indicator
  const long before = std::ftell(fp.get());
  ReadResult r;
  Read(RlReadTriangles, fp.get(), &r);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, "No RLF data found in file\n");
  EXPECT_EQ(std::ftell(fp.get()), before);
}

// Every prefix of a valid file: the message of the region that was cut, the count
// and the array handed over once the count was read. ASan watches the reads.
TEST(RlReadTriangles, EveryTruncationFailsCleanly) {
  const std::vector<RlRawTriangle> tris = PatternTriangles(2, 3);
  const Bytes file = FileOf(tris);
  ASSERT_EQ(file.size(), 212u);
  for (std::size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    UniqueFile fp(TempFileWith(Bytes(file.begin(), file.begin() + static_cast<long>(length))));
    ReadResult r;
    Read(RlReadTriangles, fp.get(), &r);
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

TEST(RlReadTriangles, SkipsForeignChunksAndSubChunks) {
  const std::vector<RlRawTriangle> tris = PatternTriangles(3, 5);
  const Bytes body = BodyOf(tris);

  Bytes file;
  AppendTag(file, "JUNK");  // a top-level chunk before "RLF "
  AppendLE32(file, 5);
  file.insert(file.end(), {1, 2, 3, 4, 5});
  AppendTag(file, "RLF ");
  AppendLE32(file, 0);  // never checked
  AppendTag(file, "NAME");  // a sub-chunk before "TRIS"
  AppendLE32(file, 3);
  file.insert(file.end(), {'a', 'b', 'c'});
  AppendTag(file, "EMPT");  // an empty sub-chunk
  AppendLE32(file, 0);
  AppendTag(file, "TRIS");
  AppendLE32(file, static_cast<uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  file.insert(file.end(), {9, 9, 9});  // trailing data is never read

  UniqueFile fp(TempFileWith(file));
  ReadResult r;
  Read(RlReadTriangles, fp.get(), &r);
  ASSERT_TRUE(r.ok) << r.messages;
  ASSERT_EQ(r.numTris, 3);
  ExpectSameRecords(r.tris, tris);
}

TEST(RlReadTriangles, FindsTrisAfterTheRlfChunkButNotAtTopLevel) {
  const Bytes body = BodyOf(PatternTriangles(1));

  // "RLF " with size 0, then "TRIS" after it: the RLF size does not bound the search.
  Bytes after;
  AppendTag(after, "RLF ");
  AppendLE32(after, 0);
  AppendTag(after, "TRIS");
  AppendLE32(after, static_cast<uint32_t>(body.size()));
  after.insert(after.end(), body.begin(), body.end());
  UniqueFile fp(TempFileWith(after));
  ReadResult r;
  Read(RlReadTriangles, fp.get(), &r);
  EXPECT_TRUE(r.ok) << r.messages;

  // "TRIS" alone at the top level is a foreign chunk: skipped, then nothing follows.
  Bytes topLevel(after.begin() + 8, after.end());
  UniqueFile top(TempFileWith(topLevel));
  EXPECT_FALSE(RlFileHasTriangles(top.get()));
  std::rewind(top.get());
  ReadResult t;
  Read(RlReadTriangles, top.get(), &t);
  EXPECT_FALSE(t.ok);
  EXPECT_EQ(t.messages, "Unable to read header\n");
  EXPECT_EQ(t.tris, kUntouched);
}

TEST(RlReadTriangles, ChunkSizePastTheEnd) {
  Bytes file;
  AppendTag(file, "RLF ");
  AppendLE32(file, 0);
  AppendTag(file, "SKIP");
  AppendLE32(file, 1000);
  file.insert(file.end(), 10, 0);

  // A memory stream refuses the seek; a file seeks past its end and the next header
  // read fails.
  UniqueFile memory = MemoryStreamOver(file);
  ReadResult m;
  Read(RlReadTriangles, memory.get(), &m);
  EXPECT_FALSE(m.ok);
  EXPECT_EQ(m.messages, "Chunk size doesn't match file size\n");

  UniqueFile disk(TempFileWith(file));
  ReadResult d;
  Read(RlReadTriangles, disk.get(), &d);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.messages, "Unable to read header\n");
}

TEST(RlReadTriangles, HostileChunkSizesMoveForwardAndEnd) {
  for (uint32_t size : {0x80000000u, 0xFFFFFFF8u, 0xFFFFFFFFu}) {
    for (bool inner : {false, true}) {
      SCOPED_TRACE(testing::Message() << std::hex << size << (inner ? " inner" : " outer"));
      Bytes file;
      if (inner) {
        AppendTag(file, "RLF ");
        AppendLE32(file, 0);
      }
      AppendTag(file, "HUGE");
      AppendLE32(file, size);
      const Bytes tail = FileOf(PatternTriangles(1));  // would be found by a backward seek
      file.insert(file.end(), tail.begin(), tail.end());
      UniqueFile fp(TempFileWith(file));
      ReadResult r;
      Read(RlReadTriangles, fp.get(), &r);
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.messages, "Unable to read header\n");
      EXPECT_EQ(r.tris, kUntouched);
    }
  }
}

TEST(RlFileHasTriangles, LeavesTheStreamAtTheCount) {
  const std::vector<RlRawTriangle> tris = PatternTriangles(4, 9);
  UniqueFile fp(TempFileWith(FileOf(tris)));
  CaptureStderr();
  ASSERT_TRUE(RlFileHasTriangles(fp.get()));
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_EQ(std::ftell(fp.get()), 16);

  ReadResult r;
  Read(RlReadTriangleChunk, fp.get(), &r);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.numTris, 4);
  ExpectSameRecords(r.tris, tris);
}

TEST(RlFileHasTriangles, FalseWithoutATrisChunk) {
  Bytes file;
  AppendTag(file, "RLF ");
  AppendLE32(file, 8);
  AppendTag(file, "NOPE");
  AppendLE32(file, 0);
  UniqueFile fp(TempFileWith(file));
  CaptureStderr();
  EXPECT_FALSE(RlFileHasTriangles(fp.get()));
  EXPECT_EQ(GetCapturedStderr(), "");
}

TEST(RlReadTriangleChunk, ReadsABareBody) {
  const std::vector<RlRawTriangle> tris = PatternTriangles(5, 11);
  UniqueFile fp(TempFileWith(BodyOf(tris)));
  ReadResult r;
  Read(RlReadTriangleChunk, fp.get(), &r);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.numTris, 5);
  ExpectSameRecords(r.tris, tris);
}

TEST(RlReadTriangleChunk, ShortCount) {
  UniqueFile fp(TempFileWith(Hex("01 00 00")));
  ReadResult r;
  Read(RlReadTriangleChunk, fp.get(), &r);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, "Unable to read number of triangles\n");
  EXPECT_EQ(r.tris, kUntouched);
}
