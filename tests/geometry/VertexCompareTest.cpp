// When two corners are one vertex, over the cases of vertex-compare.tsv: each key within its
// own inclusive tolerance, NaN never a difference, tangents within the welding angle
// whatever their lengths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>

#include "RlGeometryInternal.h"
#include "Tables.h"

TEST(RlCompareD, EachCaseOfItsTable) {
  // The doubles of a point, in the record's order, where each field starts.
  const std::pair<const char*, std::size_t> fields[] = {
      {"vertex", 0}, {"normal", 3}, {"uv", 6}, {"tangent", 8}, {"binormal", 11}};
  const std::vector<std::vector<std::string>> table = ReadTable(RL_VERTEX_COMPARE_TABLE);
  ASSERT_GT(table.size(), 10u) << RL_VERTEX_COMPARE_TABLE;
  for (const std::vector<std::string>& row : table) {
    ASSERT_EQ(row.size(), 3u) << row[0];
    std::istringstream changes(row[2]);
    std::string change;
    double points[2][14] = {{0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1, 0}};
    while (changes >> change) {
      const std::size_t dot = change.find('.'), equals = change.find('=');
      const std::string field = change.substr(dot + 1, equals - dot - 2);
      const auto* f =
          std::find_if(std::begin(fields), std::end(fields), [&](auto& known) { return field == known.first; });
      ASSERT_TRUE(f != std::end(fields) && equals != std::string::npos) << row[0];
      points[change[0] == 'b'][f->second + static_cast<std::size_t>(change[equals - 1] - '0')] =
          std::stod(change.substr(equals + 1));
    }
    RlTangentPointD a{}, b{};
    std::memcpy(&a, points[0], sizeof points[0]);
    std::memcpy(&b, points[1], sizeof points[1]);
    a.count = b.count = 1;
    EXPECT_EQ(RlCompareD(&a, &b), std::stoi(row[1])) << row[0];
  }
}
