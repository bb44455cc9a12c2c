// Allocation failures on the RLF roads. This program replaces the non-throwing array
// allocator, so that the library's own allocations can be made to fail on demand.
#include <gtest/gtest.h>

#include <new>

#include "RlFileIO.h"
#include "Streams.h"
#include "Triangles.h"
#include "VekEndian.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

bool gFailAllocations = false;
int gAllocationsSeen = 0;

// Makes every non-throwing array allocation fail while it lives.
struct FailingAllocations {
  FailingAllocations() {
    gAllocationsSeen = 0;
    gFailAllocations = true;
  }
  ~FailingAllocations() { gFailAllocations = false; }
};

Bytes BodyOf(std::vector<RlRawTriangle> tris) {
  UniqueFile fp(std::tmpfile());
  EXPECT_TRUE(RlWriteTriangles(fp.get(), static_cast<int>(tris.size()), tris.data()));
  const Bytes file = ContentsOf(fp.get());
  return Bytes(file.begin() + 16, file.end());
}

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  ++gAllocationsSeen;
  if (gFailAllocations) {
    return nullptr;
  }
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

TEST(RlAllocationFailure, ReadReportsTheCountAndStoresNull) {
  UniqueFile fp(TempFileWith(BodyOf(PatternTriangles(3))));
  int numTris = 0;
  RlRawTriangle placeholder;
  RlRawTriangle* tris = &placeholder;  // shows whether null was stored
  CaptureStderr();
  {
    FailingAllocations failing;
    EXPECT_FALSE(RlReadTriangleChunk(fp.get(), &numTris, &tris));
  }
  EXPECT_EQ(GetCapturedStderr(), "Unable to allocate space for 3 triangles\n");
  EXPECT_EQ(numTris, 3);
  EXPECT_EQ(tris, nullptr);
}

TEST(RlAllocationFailure, ConvertReportsBothMessagesAndWritesNothing) {
  UniqueFile in(TempFileWith(BodyOf(PatternTriangles(2))));
  Bytes written;
  UniqueFile out = LimitedSink(1 << 20, &written);
  CaptureStderr();
  {
    FailingAllocations failing;
    EXPECT_FALSE(RlConvertFile(in.get(), out.get()));
  }
  EXPECT_EQ(GetCapturedStderr(),
            "Unable to allocate space for 2 triangles\nUnable to read input file\n");
  EXPECT_TRUE(written.empty());
}

TEST(RlAllocationFailure, WriterCopiesOnlyWhereTheHostIsBigEndian) {
  std::vector<RlRawTriangle> tris = PatternTriangles(4);
  UniqueFile fp(std::tmpfile());
  CaptureStderr();
  bool ok;
  {
    FailingAllocations failing;
    ok = RlWriteTriangles(fp.get(), 4, tris.data());
  }
  const std::string messages = GetCapturedStderr();
  if constexpr (kHostIsBigEndian) {
    EXPECT_FALSE(ok);
    EXPECT_EQ(messages, "Unable to write triangles\n");
    EXPECT_EQ(ContentsOf(fp.get()).size(), 20u);  // the headers and the count
  } else {
    // A little-endian host writes straight from the caller's array.
    EXPECT_TRUE(ok);
    EXPECT_EQ(messages, "");
    EXPECT_EQ(gAllocationsSeen, 0);
  }
}
