// The sorted vertex table: inserting, merging and keeping compare order.
#include <gtest/gtest.h>

#include "RlGeometryInternal.h"
#include "Vertex.h"

namespace {

// A triangle whose corner 0 lies at x; the rest tell only through the frame.
RlRawTriangle AtX(float x) {
  RlRawTriangle tri{};
  tri.vert[0].x = x;
  tri.vert[1] = {{x + 1, 0, 0}};
  tri.vert[2] = {{x, 1, 0}};
  for (RlRawPoint& n : tri.norm) {
    n = {{0, 0, 1}};
  }
  tri.texCoord[1] = {{1, 0}};
  tri.texCoord[2] = {{0, 1}};
  return tri;
}

}  // namespace

TEST(RlInsertD, FirstCornerMakesEntryZero) {
  RlRawTriangle tri = AtX(0);
  RlTangentPointD point[3];
  int sortIndex[3] = {-1, -1, -1};
  int num = 0;
  EXPECT_EQ(RlInsertD(&tri, 0, &num, sortIndex, point), 0);
  EXPECT_EQ(num, 1);
  EXPECT_EQ(sortIndex[0], 0);
  const Vertex entry = Unpacked(point[0]);
  EXPECT_EQ(entry.count, 1);
  EXPECT_EQ(entry.tangent[0], 1.0);
  EXPECT_EQ(entry.binormal[1], 1.0);
}

TEST(RlInsertD, AnEqualCornerMergesItsFrame) {
  RlRawTriangle tri = AtX(0);
  RlTangentPointD point[3];
  int sortIndex[3];
  int num = 0;
  RlInsertD(&tri, 0, &num, sortIndex, point);
  EXPECT_EQ(RlInsertD(&tri, 0, &num, sortIndex, point), 0);
  EXPECT_EQ(num, 1);
  const Vertex entry = Unpacked(point[0]);
  EXPECT_EQ(entry.count, 2);
  EXPECT_EQ(entry.tangent[0], 2.0);  // sums, averaged later
  EXPECT_EQ(entry.binormal[1], 2.0);
}

TEST(RlInsertD, KeepsTheSortIndexInCompareOrder) {
  RlRawTriangle tris[3] = {AtX(0), AtX(1), AtX(0.5f)};
  RlTangentPointD point[3];
  int sortIndex[3];
  int num = 0;
  EXPECT_EQ(RlInsertD(&tris[0], 0, &num, sortIndex, point), 0);
  EXPECT_EQ(RlInsertD(&tris[1], 0, &num, sortIndex, point), 1);
  EXPECT_EQ(RlInsertD(&tris[2], 0, &num, sortIndex, point), 2);
  EXPECT_EQ(num, 3);
  EXPECT_EQ(sortIndex[0], 1);  // x = 1
  EXPECT_EQ(sortIndex[1], 2);  // x = 0.5
  EXPECT_EQ(sortIndex[2], 0);  // x = 0
}
