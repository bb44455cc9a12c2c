// The corner feed: what the helper thread computes ahead is what the welder would have
// computed, and a welder that stops early does not leave the helper running.
#include <gtest/gtest.h>

#include <cstring>
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
  RlCornerFeed feed(n, tris.data());
  EXPECT_EQ(feed.Threaded(), std::thread::hardware_concurrency() >= 2);
  for (int i = 0; i < n; ++i) {
    RlCornerData own;
    RlComputeCornerData(tris[static_cast<std::size_t>(i)], &own);
    ASSERT_EQ(std::memcmp(&feed.Triangle(i), &own, sizeof own), 0) << "triangle " << i;
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
