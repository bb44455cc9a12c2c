// Converting a bare triangle chunk body into a complete RLF file.
#include <gtest/gtest.h>

#include "RlFileIO.h"
#include "Streams.h"
#include "Triangles.h"

// A body, read from the stream's position, becomes the whole file; a failed write gives the
// inner message, then the converter's. (Bodies refused, and a whole file: the files session.)
TEST(RlConvertFile, WrapsABodyFromTheStreamsPositionOrSaysWhyNot) {
  const Bytes file = RlfFileOf(PatternTriangles(3));
  UniqueFile in(TempFileWith(file));
  std::fseek(in.get(), 16, SEEK_SET);  // the body: the count on
  Bytes written;
  UniqueFile out = LimitedSink(1 << 20, &written);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(RlConvertFile(in.get(), out.get()));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(written, file);

  std::fseek(in.get(), 16, SEEK_SET);
  Bytes cut;
  UniqueFile full = LimitedSink(10, &cut);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(RlConvertFile(in.get(), full.get()));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to write triangle header\nUnable to write output file\n");
  EXPECT_EQ(cut, Bytes(file.begin(), file.begin() + 10));
}
