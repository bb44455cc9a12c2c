// Allocation failures on the RLF roads. This program replaces the non-throwing array
// allocator, so that the library's own allocations can be made to fail on demand.
#include <gtest/gtest.h>

#include <new>

#include "Meshes.h"
#include "RlFileIO.h"
#include "RlTangentSpace.h"
#include "Streams.h"
#include "Triangles.h"
#include "VekEndian.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

bool gArmed = false;
int gFailAt = 0;  // 0: every allocation fails; n: only the n-th
int gAllocationsSeen = 0;

// While it lives, makes the non-throwing array allocations fail: every one, or only the
// n-th one counted from its construction.
struct FailingAllocations {
  explicit FailingAllocations(int n = 0) {
    gAllocationsSeen = 0;
    gFailAt = n;
    gArmed = true;
  }
  ~FailingAllocations() { gArmed = false; }
};

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  ++gAllocationsSeen;
  if (gArmed && (gFailAt == 0 || gFailAt == gAllocationsSeen)) {
    return nullptr;
  }
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

TEST(RlAllocationFailure, ReadReportsTheCountAndStoresNull) {
  UniqueFile fp(TempFileWith(RlfBodyOf(PatternTriangles(3))));
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
  UniqueFile in(TempFileWith(RlfBodyOf(PatternTriangles(2))));
  Bytes written;
  UniqueFile out = LimitedSink(1 << 20, &written);
  CaptureStderr();
  {
    FailingAllocations failing;
    EXPECT_FALSE(RlConvertFile(in.get(), out.get()));
  }
  EXPECT_EQ(GetCapturedStderr(), "Unable to allocate space for 2 triangles\nUnable to read input file\n");
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

// Each allocation of the tangent functions in turn: false, the out-parameters as
// documented, and (under LeakSanitizer) nothing leaked.
TEST(RlAllocationFailure, ComputeTangentsDKeepsTheResultArrayOnceStored) {
  std::vector<RlRawTriangle> tris = TroubleMesh(9, 4);
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    RlRawTangentSpaceD* tan = reinterpret_cast<RlRawTangentSpaceD*>(64);
    {
      FailingAllocations failing(n);
      EXPECT_FALSE(RlComputeTangentsD(9, tris.data(), &tan));
    }
    if (n == 1) {
      EXPECT_EQ(tan, nullptr);
    } else {
      EXPECT_NE(tan, nullptr);
      delete[] tan;  // the caller's
    }
  }
}

TEST(RlAllocationFailure, ComputeTangentsReleasesTheDoubleArray) {
  std::vector<RlRawTriangle> tris = TroubleMesh(9, 5);
  for (int n = 1; n <= 5; ++n) {
    SCOPED_TRACE(n);
    RlRawTangentSpace* tan = reinterpret_cast<RlRawTangentSpace*>(64);
    {
      FailingAllocations failing(n);
      EXPECT_FALSE(RlComputeTangents(9, tris.data(), &tan));
    }
    if (n == 1) {
      EXPECT_EQ(tan, nullptr);
    } else {
      EXPECT_NE(tan, nullptr);
      delete[] tan;
    }
  }
}

TEST(RlAllocationFailure, VertexBuffersHandOverWhatWasStored) {
  std::vector<RlRawTriangle> tris = TroubleMesh(9, 6);
  RlTangentPointD* const noVerts = reinterpret_cast<RlTangentPointD*>(64);
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    int numVerts = -1;
    RlTangentPointD* verts = noVerts;
    RlIndex* indices = reinterpret_cast<RlIndex*>(64);
    {
      FailingAllocations failing(n);
      EXPECT_FALSE(RlCreateVertexBuffers(9, tris.data(), &numVerts, &verts, &indices));
    }
    EXPECT_EQ(numVerts, -1);
    if (n == 1) {
      EXPECT_EQ(indices, nullptr);
      EXPECT_EQ(verts, noVerts);
    } else {
      EXPECT_NE(indices, nullptr);
      delete[] indices;
      EXPECT_EQ(verts, n == 2 ? noVerts : nullptr);
    }
  }
}
