// Converting a bare triangle chunk body into a complete RLF file.
#include <gtest/gtest.h>

#include "RlFileIO.h"
#include "Streams.h"
#include "Triangles.h"

// A body, read from the stream's position, becomes the whole file; a failure gives the
// inner message, then the converter's, and writes nothing (a truncated body's array is
// released: LeakSanitizer checks).
TEST(RlConvertFile, WrapsABareBodyOrSaysWhyNot) {
  const Bytes file = RlfFileOf(PatternTriangles(3));
  const Bytes body(file.begin() + 16, file.end());
  const std::string input = "Unable to read input file\n";
  const struct {
    const char* name;
    Bytes in;
    long start;
    std::size_t budget;
    std::vector<std::string> messages;  // any of these; none: converted
  } cases[] = {
      {"a body", body, 0, 1 << 20, {}},
      {"a file from its count", file, 16, 1 << 20, {}},
      {"a truncated body", Bytes(body.begin(), body.end() - 1), 0, 1 << 20, {"Unable to read triangles\n" + input}},
      {"no triangles", Hex("00000000"), 0, 1 << 20, {"No triangles found in file\n" + input}},
      {"an output that fails", body, 0, 10, {"Unable to write triangle header\nUnable to write output file\n"}},
      // The tag "RLF " read as a count is far more triangles than follow: whether the
      // allocation or the read fails depends on the machine.
      {"a whole file",
       file,
       0,
       1 << 20,
       {"Unable to allocate space for 541477970 triangles\n" + input, "Unable to read triangles\n" + input}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UniqueFile in(TempFileWith(c.in));
    std::fseek(in.get(), c.start, SEEK_SET);
    Bytes written;
    UniqueFile out = LimitedSink(c.budget, &written);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RlConvertFile(in.get(), out.get()), c.messages.empty());
    const std::string messages = testing::internal::GetCapturedStderr();
    if (c.messages.empty()) {
      EXPECT_EQ(messages, "");
      EXPECT_EQ(written, file);
    } else {
      EXPECT_NE(std::find(c.messages.begin(), c.messages.end(), messages), c.messages.end()) << messages;
      EXPECT_TRUE(c.budget == 10 || written.empty());
    }
  }
}
