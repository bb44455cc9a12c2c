// Converting a bare triangle chunk body into a complete RLF file.
#include <gtest/gtest.h>

#include "RlFileIO.h"
#include "Streams.h"
#include "Triangles.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(RlConvertFile, WrapsABareBodyIntoAFile) {
  const Bytes file = RlfFileOf(PatternTriangles(6, 2));
  UniqueFile in(TempFileWith(Bytes(file.begin() + 16, file.end())));
  UniqueFile out(std::tmpfile());
  CaptureStderr();
  ASSERT_TRUE(RlConvertFile(in.get(), out.get()));
  EXPECT_EQ(GetCapturedStderr(), "");
  const Bytes converted = ContentsOf(out.get());
  EXPECT_EQ(converted.size(), 20u + 96u * 6u);
  EXPECT_EQ(converted, file);
}

TEST(RlConvertFile, ReadsFromTheStreamsPosition) {
  const Bytes file = RlfFileOf(PatternTriangles(2, 4));
  UniqueFile in(TempFileWith(file));
  std::fseek(in.get(), 16, SEEK_SET);  // at the "TRIS" chunk's count
  UniqueFile out(std::tmpfile());
  ASSERT_TRUE(RlConvertFile(in.get(), out.get()));
  EXPECT_EQ(ContentsOf(out.get()), file);
}

TEST(RlConvertFile, ACompleteFileIsNotABody) {
  // The tag "RLF " read as a count is far more triangles than follow. Whether the
  // allocation or the read fails depends on the machine; either way the reader's
  // message comes first and nothing is written.
  UniqueFile in(TempFileWith(RlfFileOf(PatternTriangles(2))));
  Bytes written;
  UniqueFile out = LimitedSink(1 << 20, &written);
  CaptureStderr();
  EXPECT_FALSE(RlConvertFile(in.get(), out.get()));
  const std::string messages = GetCapturedStderr();
  const std::string tail = "Unable to read input file\n";
  ASSERT_GT(messages.size(), tail.size());
  EXPECT_EQ(messages.substr(messages.size() - tail.size()), tail);
  EXPECT_TRUE(messages.starts_with("Unable to allocate space for 541477970 triangles\n") ||
              messages.starts_with("Unable to read triangles\n"))
      << messages;
  EXPECT_TRUE(written.empty());
}

TEST(RlConvertFile, ReportsEachFailureAfterTheInnerMessage) {
  // A truncated body: the array read so far is released (LeakSanitizer checks).
  const Bytes file = RlfFileOf(PatternTriangles(3));
  UniqueFile cut(TempFileWith(Bytes(file.begin() + 16, file.end() - 1)));
  UniqueFile out(std::tmpfile());
  CaptureStderr();
  EXPECT_FALSE(RlConvertFile(cut.get(), out.get()));
  EXPECT_EQ(GetCapturedStderr(), "Unable to read triangles\nUnable to read input file\n");

  UniqueFile empty(TempFileWith(Hex("00 00 00 00")));
  CaptureStderr();
  EXPECT_FALSE(RlConvertFile(empty.get(), out.get()));
  EXPECT_EQ(GetCapturedStderr(), "No triangles found in file\nUnable to read input file\n");

  UniqueFile in(TempFileWith(Bytes(file.begin() + 16, file.end())));
  Bytes written;
  UniqueFile sink = LimitedSink(10, &written);
  CaptureStderr();
  EXPECT_FALSE(RlConvertFile(in.get(), sink.get()));
  EXPECT_EQ(GetCapturedStderr(), "Unable to write triangle header\nUnable to write output file\n");
}
