// When two corners are one vertex: each key within its own inclusive tolerance, NaN never
// a difference, tangents within the welding angle whatever their lengths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "RlGeometryInternal.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

RlTangentPointD Point(double x = 0) {
  RlTangentPointD p{};
  p.vertex[0] = x;
  p.normal[2] = 1;
  p.tangent[0] = 1;
  p.binormal[1] = 1;
  p.count = 1;
  return p;
}

}  // namespace

TEST(RlCompareD, TolerancesNaNAndTheWeldingAngle) {
  struct Case {
    const char* name;
    void (*change)(RlTangentPointD&, RlTangentPointD&);
    int order;  // RlCompareD(a, b); greater keys sort first
  };
  const Case cases[] = {
      {"greater x first", [](RlTangentPointD& a, RlTangentPointD&) { a.vertex[0] = 1; }, -1},
      {"x exactly 1e-7 apart", [](RlTangentPointD& a, RlTangentPointD&) { a.vertex[0] = 1e-07; }, 0},
      {"x just past 1e-7", [](RlTangentPointD& a, RlTangentPointD&) { a.vertex[0] = std::nextafter(1e-07, 1.0); }, -1},
      {"x within, y decides", [](RlTangentPointD& a, RlTangentPointD& b) { a.vertex[0] = 5e-8, b.vertex[1] = 1; }, 1},
      {"normal past its tolerance", [](RlTangentPointD& a, RlTangentPointD&) { a.normal[1] = 2e-07; }, -1},
      {"uv within", [](RlTangentPointD&, RlTangentPointD& b) { b.uv[1] = 1e-07; }, 0},
      {"uv past", [](RlTangentPointD&, RlTangentPointD& b) { b.uv[1] = 1.1e-07; }, 1},
      {"NaN is no difference", [](RlTangentPointD& a, RlTangentPointD& b) { a.vertex[0] = kNaN, b.vertex[0] = 5; }, 0},
      {"after a NaN the next key decides",
       [](RlTangentPointD& a, RlTangentPointD& b) { a.vertex[0] = kNaN, a.vertex[1] = 1, b.vertex[0] = 5; }, -1},
      {"opposite tangents, by stored x", [](RlTangentPointD&, RlTangentPointD& b) { b.tangent[0] = -1; }, -1},
      {"opposite tangents of equal x",
       [](RlTangentPointD& a, RlTangentPointD& b) {
         a.tangent[0] = 0, a.tangent[1] = 1, b.tangent[0] = 0, b.tangent[1] = -1;
       },
       1},
      {"60 degrees apart, any length",
       [](RlTangentPointD& a, RlTangentPointD& b) {
         a.tangent[0] = 5, b.tangent[0] = 0.5, b.tangent[1] = 0.86602540378443865;
       },
       0},
      {"80 degrees apart",
       [](RlTangentPointD&, RlTangentPointD& b) {
         b.tangent[0] = 0.17364817766693035, b.tangent[1] = 0.98480775301220806;
       },
       -1},
      {"a zero tangent is (1, 0, 0)", [](RlTangentPointD& a, RlTangentPointD&) { a.tangent[0] = 0; }, 0},
      {"a NaN tangent is within the angle",
       [](RlTangentPointD& a, RlTangentPointD& b) { a.tangent[0] = kNaN, b.tangent[0] = -1; }, 0},
      {"binormals apart, by stored x",
       [](RlTangentPointD& a, RlTangentPointD& b) { a.binormal[0] = 0.5, a.binormal[1] = -1, b.binormal[0] = 0.25; },
       -1},
  };
  for (const Case& c : cases) {
    RlTangentPointD a = Point(), b = Point();
    c.change(a, b);
    EXPECT_EQ(RlCompareD(&a, &b), c.order) << c.name;
  }
}
