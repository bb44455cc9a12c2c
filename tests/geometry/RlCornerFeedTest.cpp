// The corner feed: what the helper thread computes ahead is what the welder would have
// computed, the pages it maps ahead keep what the welder wrote, and a welder that stops
// early does not leave the helper running.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "Meshes.h"
#include "RlCornerFeed.h"

namespace {

// A mesh large enough for the helper: a torus of 51,200 triangles.
const std::vector<RlRawTriangle>& LargeMesh() {
  static const std::vector<RlRawTriangle> mesh = Torus(320, 80);
  return mesh;
}

}  // namespace

TEST(RlCornerFeed, HelperGivesTheSameBitsAsComputingInPlace) {
  const std::vector<RlRawTriangle>& tris = LargeMesh();
  const int n = static_cast<int>(tris.size());
  ASSERT_GE(n, RlCornerFeed::kThreadMinTriangles);
  std::vector<RlCornerData> own(tris.size());
  for (int i = 0; i < n; ++i) {
    RlComputeCornerData(tris[static_cast<std::size_t>(i)], &own[static_cast<std::size_t>(i)]);
  }
  // Which batches the helper fills and which the reader claims varies from run to run.
  for (int run = 0; run < 8; ++run) {
    RlCornerFeed feed(n, tris.data());
    EXPECT_EQ(feed.Threaded(), std::thread::hardware_concurrency() >= 2);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(std::memcmp(&feed.Triangle(i), &own[static_cast<std::size_t>(i)], sizeof own[0]), 0)
          << "run " << run << ", triangle " << i;
    }
  }
}

TEST(RlCornerFeed, MappingAheadLeavesWhatTheWelderWroteAsItIs) {
  // Like the welder, write each triangle's part of the result and an entry as the
  // triangle is read, into fresh memory the helper maps meanwhile; then read it back.
  const std::vector<RlRawTriangle>& tris = LargeMesh();
  const auto n = tris.size();
  constexpr std::size_t kPerTriangle = 144;
  constexpr std::size_t kPerEntry = 116;
  const std::unique_ptr<unsigned char[]> result(new unsigned char[n * kPerTriangle]);
  const std::unique_ptr<unsigned char[]> entries(new unsigned char[3 * n * kPerEntry]);
  const auto mark = [](std::size_t byte) { return static_cast<unsigned char>(byte * 7 + 1); };
  {
    RlCornerFeed feed(static_cast<int>(n), tris.data(), result.get(), kPerTriangle, entries.get(), kPerEntry);
    for (std::size_t i = 0; i < n; ++i) {
      feed.Triangle(static_cast<int>(i), static_cast<int>(i));
      for (std::size_t b = i * kPerTriangle; b < (i + 1) * kPerTriangle; ++b) {
        result[b] = mark(b);
      }
      for (std::size_t b = i * kPerEntry; b < (i + 1) * kPerEntry; ++b) {
        entries[b] = mark(b);
      }
    }
  }
  for (std::size_t b = 0; b < n * kPerTriangle; ++b) {
    ASSERT_EQ(result[b], mark(b)) << "result byte " << b;
  }
  for (std::size_t b = 0; b < n * kPerEntry; ++b) {
    ASSERT_EQ(entries[b], mark(b)) << "entry byte " << b;
  }
}

TEST(RlCornerFeed, StopsItsHelperWhenTheWelderStopsEarly) {
  const std::vector<RlRawTriangle>& tris = LargeMesh();
  for (int read : {0, 1, 3000}) {
    RlCornerFeed feed(static_cast<int>(tris.size()), tris.data());
    for (int i = 0; i < read; ++i) {
      feed.Triangle(i);
    }
  }  // each destructor returns: the helper saw the stop
}

TEST(RlCornerFeed, SmallMeshesAreComputedInPlace) {
  const std::vector<RlRawTriangle> tris = Torus(12, 6);
  EXPECT_FALSE(RlCornerFeed(static_cast<int>(tris.size()), tris.data()).Threaded());
}
