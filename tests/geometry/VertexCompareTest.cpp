// Vertex comparison with tolerances, and the binary search over the sort index.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "RlGeometryInternal.h"

namespace {

RlTangentPointD Point(double x, double y = 0, double z = 0) {
  RlTangentPointD p{};
  p.vertex[0] = x;
  p.vertex[1] = y;
  p.vertex[2] = z;
  p.normal[2] = 1;
  p.tangent[0] = 1;
  p.binormal[1] = 1;
  p.count = 1;
  return p;
}

void SetTangent(RlTangentPointD& p, double x, double y, double z) {
  p.tangent[0] = x, p.tangent[1] = y, p.tangent[2] = z;
}

// Records every entry the search compares with, in order.
std::vector<RlTangentPointD*> gProbes;
int RecordingCompare(RlTangentPointD* value, RlTangentPointD* entry) {
  gProbes.push_back(entry);
  return RlCompareD(value, entry);
}

}  // namespace

TEST(RlCompareD, GreaterPositionSortsFirst) {
  RlTangentPointD a = Point(1.0), b = Point(0.5);
  EXPECT_EQ(RlCompareD(&a, &b), -1);
  EXPECT_EQ(RlCompareD(&b, &a), 1);

  // x within tolerance: y decides.
  RlTangentPointD c = Point(1.0, 2.0), d = Point(1.00000005, 1.0);
  EXPECT_EQ(RlCompareD(&c, &d), -1);
  EXPECT_EQ(RlCompareD(&d, &c), 1);
}

TEST(RlCompareD, ToleranceIsInclusive) {
  RlTangentPointD a = Point(1e-07), b = Point(0.0);
  EXPECT_EQ(RlCompareD(&a, &b), 0);  // |a - b| is exactly 1e-07
  RlTangentPointD c = Point(std::nextafter(1e-07, 1.0));
  EXPECT_EQ(RlCompareD(&c, &b), -1);

  // Each key has its own tolerance, checked in order: normal, then uv.
  RlTangentPointD n = Point(0), m = Point(0);
  n.normal[1] = 2e-07;
  EXPECT_EQ(RlCompareD(&n, &m), -1);
  n.normal[1] = 0;
  m.uv[1] = 1e-07;
  EXPECT_EQ(RlCompareD(&n, &m), 0);
  m.uv[1] = 1.1e-07;
  EXPECT_EQ(RlCompareD(&n, &m), 1);
}

TEST(RlCompareD, NaNNeverCountsAsADifference) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  RlTangentPointD a = Point(nan, 1.0), b = Point(5.0, 1.0);
  EXPECT_EQ(RlCompareD(&a, &b), 0);
  b.vertex[1] = 0.0;  // the next key still decides
  EXPECT_EQ(RlCompareD(&a, &b), -1);

  RlTangentPointD t = Point(0), u = Point(0);
  SetTangent(t, nan, 0, 0);  // a NaN dot product is not below 0.3
  SetTangent(u, -1, 0, 0);
  EXPECT_EQ(RlCompareD(&t, &u), 0);
}

TEST(RlCompareD, TangentDirectionsWithinTheAngle) {
  RlTangentPointD a = Point(0), b = Point(0);
  SetTangent(a, 1, 0, 0);
  SetTangent(b, -1, 0, 0);
  EXPECT_EQ(RlCompareD(&a, &b), -1);  // stored x: 1 > -1
  EXPECT_EQ(RlCompareD(&b, &a), 1);

  // Opposite directions with equal stored x: 1 in both orders.
  SetTangent(a, 0, 1, 0);
  SetTangent(b, 0, -1, 0);
  EXPECT_EQ(RlCompareD(&a, &b), 1);
  EXPECT_EQ(RlCompareD(&b, &a), 1);

  // Lengths do not matter; 60 degrees apart (cosine 0.5) is the same direction, 80 not.
  SetTangent(a, 5, 0, 0);
  SetTangent(b, 0.5, 0.86602540378443865, 0);
  EXPECT_EQ(RlCompareD(&a, &b), 0);
  SetTangent(b, 0.17364817766693035, 0.98480775301220806, 0);
  EXPECT_EQ(RlCompareD(&a, &b), -1);

  // A zero tangent is the direction (1, 0, 0).
  SetTangent(a, 0, 0, 0);
  SetTangent(b, 0, 0, 0);
  EXPECT_EQ(RlCompareD(&a, &b), 0);
  SetTangent(b, 2, 0, 0);
  EXPECT_EQ(RlCompareD(&a, &b), 0);
  SetTangent(b, 0, 1, 0);
  EXPECT_EQ(RlCompareD(&a, &b), 1);
}

TEST(RlCompareD, BinormalsOrderByTheirStoredX) {
  RlTangentPointD a = Point(0), b = Point(0);
  a.binormal[0] = 0.5, a.binormal[1] = -1;
  b.binormal[0] = 0.25, b.binormal[1] = 1;
  EXPECT_EQ(RlCompareD(&a, &b), -1);
  EXPECT_EQ(RlCompareD(&b, &a), 1);
}

TEST(RlIndexBinaryTraverseD, EmptyAndSingleEntryTables) {
  RlTangentPointD value = Point(3);
  int result = 99;
  gProbes.clear();
  EXPECT_EQ(RlIndexBinaryTraverseD(&value, nullptr, nullptr, 0, &result, RecordingCompare), 0);
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(gProbes.empty());

  RlTangentPointD data[1] = {Point(5)};
  int indices[1] = {0};
  EXPECT_EQ(RlIndexBinaryTraverseD(&value, data, indices, 1, &result, RecordingCompare), 0);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(gProbes.size(), 1u);
}

TEST(RlIndexBinaryTraverseD, EndsBesideWhereTheValueBelongs) {
  // Entries stored out of order; the sort index lists them greatest first: 9 7 5 3 1.
  RlTangentPointD data[5] = {Point(5), Point(1), Point(9), Point(3), Point(7)};
  int indices[5] = {2, 4, 0, 3, 1};
  int result;

  RlTangentPointD greatest = Point(10);
  EXPECT_EQ(RlIndexBinaryTraverseD(&greatest, data, indices, 5, &result, RlCompareD), 0);
  EXPECT_LT(result, 0);

  RlTangentPointD smallest = Point(0);
  EXPECT_EQ(RlIndexBinaryTraverseD(&smallest, data, indices, 5, &result, RlCompareD), 4);
  EXPECT_GT(result, 0);

  RlTangentPointD equal = Point(3);
  const int pos = RlIndexBinaryTraverseD(&equal, data, indices, 5, &result, RlCompareD);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(indices[pos], 3);
}

TEST(RlIndexBinaryTraverseD, ProbesTheMiddleEntryTwice) {
  // E1 > E2 > E3 and a value between E2 and E3: E2, E3, then E2 again.
  RlTangentPointD data[3] = {Point(3), Point(2), Point(1)};
  int indices[3] = {0, 1, 2};
  RlTangentPointD value = Point(1.5);
  int result;
  gProbes.clear();
  EXPECT_EQ(RlIndexBinaryTraverseD(&value, data, indices, 3, &result, RecordingCompare), 1);
  EXPECT_GT(result, 0);  // belongs at position 2
  EXPECT_EQ(gProbes, (std::vector<RlTangentPointD*>{&data[1], &data[2], &data[1]}));
}

namespace {

// Floats spread over every magnitude, with the special values.
std::vector<float> SampleFloats() {
  std::vector<float> values = {0.0f,
                               -0.0f,
                               1.0f,
                               -1.0f,
                               1e-7f,
                               -1e-7f,
                               5e-8f,
                               3.0f,
                               1e-30f,
                               std::numeric_limits<float>::denorm_min(),
                               std::numeric_limits<float>::max(),
                               -std::numeric_limits<float>::max(),
                               std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity()};
  uint32_t seed = 7;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const float mantissa = static_cast<float>(seed >> 8) / static_cast<float>(1 << 24);
    values.push_back((seed & 1 ? -1.0f : 1.0f) * std::ldexp(mantissa, static_cast<int>(seed % 40) - 30));
  }
  return values;
}

}  // namespace

TEST(RlBoundsOf, ClassifyEveryFloatAsTheComparisonDoes) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> values = SampleFloats();
  for (float value : values) {
    const RlComponentBounds bounds = RlBoundsOf(value, VEK_VERT_TINY);
    // The floats on both sides of each bound, a few steps out, and the other samples.
    std::vector<float> xs = values;
    for (float bound : {bounds.below, bounds.above}) {
      float down = bound, up = bound;
      for (int step = 0; step < 4; ++step) {
        xs.push_back(down), xs.push_back(up);
        if (down != -std::numeric_limits<float>::infinity()) down = RlNextDown(down);
        if (up != std::numeric_limits<float>::infinity()) up = RlNextUp(up);
      }
    }
    xs.push_back(nan);
    for (float x : xs) {
      const int classified = x < bounds.below ? -1 : x > bounds.above ? 1 : 0;
      ASSERT_EQ(classified, RlCompareComponent(value, x, VEK_VERT_TINY)) << value << " against " << x;
    }
  }
  const RlComponentBounds none = RlBoundsOf(nan, VEK_VERT_TINY);
  for (float x : values) {
    EXPECT_FALSE(x < none.below || x > none.above) << x;
  }
}
