// Points as the point prompt reads and shows them.
#include <gtest/gtest.h>

#include "frontend/terminal_point_prompt.h"

namespace orv::frontend {
namespace {

TEST(PointText, ThreeFiniteNumbersWithCommasOrSpaces) {
  std::array<double, 3> p{9, 9, 9};
  EXPECT_TRUE(parse_point("1, 2.5, -3", p));
  EXPECT_EQ(p, (std::array<double, 3>{1, 2.5, -3}));
  EXPECT_TRUE(parse_point("  4 5\t6 ", p));
  EXPECT_EQ(p, (std::array<double, 3>{4, 5, 6}));
  std::array<double, 3> kept = p;
  for (const char* bad : {"", "1, 2", "1, 2, 3, 4", "a, b, c", "1, 2, nan", "1, 2, 1e999", "1,,2"}) {
    EXPECT_FALSE(parse_point(bad, p)) << bad;
    EXPECT_EQ(p, kept) << bad;
  }
  EXPECT_EQ(format_point({1, 2.5, -3}), "1, 2.5, -3");
  std::array<double, 3> back;
  ASSERT_TRUE(parse_point(format_point({0.1, 1e-7, 123456.789}), back));
  EXPECT_DOUBLE_EQ(back[0], 0.1);
  EXPECT_DOUBLE_EQ(back[2], 123456.789);
}

}  // namespace
}  // namespace orv::frontend
