// Writing RLF files: the exact bytes, the caller's array, and every failure road.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>

#include "RlFileIO.h"
#include "Streams.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

RlRawTriangle Tri(const float (&f)[24]) {
  RlRawTriangle t;
  std::memcpy(&t, f, sizeof t);
  return t;
}

// Two triangles whose every field differs, so that a misplaced field shows.
const RlRawTriangle kTwo[2] = {
    Tri({0, 0, 0, 1, 0, 0, 0, 1, 0,  // vert
         0, 0, 1, 0, 0, 1, 0, 0, 1,  // norm
         0, 0, 1, 0, 0, 1}),         // texCoord
    Tri({2, 0.5f, -1, 1, 1, 0, 0, 2, 0.25f, 0, 0, -1, 0, 1, 0, 1, 0, 0, 0.25f, 0.5f, 1, 0.25f, 0.5f, 1}),
};

// The file of kTwo, byte by byte, from two-triangles.hex (# begins a comment).
Bytes TwoTrianglesFile() {
  std::ifstream in(RL_TWO_TRIANGLES_HEX);
  std::string hex;
  for (std::string line; std::getline(in, line);) hex += line.substr(0, line.find('#'));
  const Bytes file = Hex(hex.c_str());
  EXPECT_EQ(file.size(), 212u) << RL_TWO_TRIANGLES_HEX;
  return file;
}

}  // namespace

// At the stream's position, leaving it after the file and the caller's array as it was;
// no triangles (and no array) make the twenty-byte file.
TEST(RlWriteTriangles, WritesTheHandWrittenBytes) {
  RlRawTriangle tris[2] = {kTwo[0], kTwo[1]};
  UniqueFile fp(TempFileWith(Hex("AA BB CC")));
  std::fseek(fp.get(), 0, SEEK_END);
  ASSERT_TRUE(RlWriteTriangles(fp.get(), 2, tris));
  EXPECT_EQ(std::ftell(fp.get()), 3 + 212);
  Bytes expected = Hex("AA BB CC");
  const Bytes file = TwoTrianglesFile();
  expected.insert(expected.end(), file.begin(), file.end());
  EXPECT_EQ(ContentsOf(fp.get()), expected);
  EXPECT_EQ(std::memcmp(tris, kTwo, sizeof tris), 0);
  UniqueFile empty(std::tmpfile());
  ASSERT_TRUE(RlWriteTriangles(empty.get(), 0, nullptr));
  EXPECT_EQ(ContentsOf(empty.get()), Hex("52 4C 46 20 0C 00 00 00 54 52 49 53 04 00 00 00 00 00 00 00"));
}

// Each failing step, reached with a sink that takes a fixed number of bytes: the
// message, false, and exactly the bytes of the steps that succeeded.
TEST(RlWriteTriangles, ReportsEachFailedWriteAndKeepsWhatWasWritten) {
  struct Case {
    std::size_t budget;
    const char* message;
  };
  const Case cases[] = {
      {0, "Unable to write RLF header\n"},           {7, "Unable to write RLF header\n"},
      {8, "Unable to write triangle header\n"},      {15, "Unable to write triangle header\n"},
      {16, "Unable to write number of triangles\n"}, {20, "Unable to write triangles\n"},
      {211, "Unable to write triangles\n"},
  };
  const Bytes file = TwoTrianglesFile();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.budget);
    RlRawTriangle tris[2] = {kTwo[0], kTwo[1]};
    Bytes written;
    UniqueFile sink = LimitedSink(c.budget, &written);
    CaptureStderr();
    EXPECT_FALSE(RlWriteTriangles(sink.get(), 2, tris));
    EXPECT_EQ(GetCapturedStderr(), c.message);
    EXPECT_EQ(written, Bytes(file.begin(), file.begin() + static_cast<long>(c.budget)));
  }
}

TEST(RlWriteTriangles, RefusesCountsOutsideTheFormatBeforeWritingAnything) {
  // 12 + 96 n must fit the 32-bit size field: n <= 44739242.
  for (int numTris : {-1, INT_MIN, 44739243, INT_MAX}) {
    SCOPED_TRACE(numTris);
    Bytes written;
    UniqueFile sink = LimitedSink(1 << 20, &written);
    CaptureStderr();
    EXPECT_FALSE(RlWriteTriangles(sink.get(), numTris, nullptr));
    EXPECT_EQ(GetCapturedStderr(), "Invalid number of triangles " + std::to_string(numTris) + "\n");
    EXPECT_TRUE(written.empty());
  }
}
