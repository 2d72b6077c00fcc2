// The step rule: counts, widths and values, and the counts that do not fit 32 bits.
#include "geometry/step_rule.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(StepRuleTest, CountsWidthsAndValues) {
  struct Case {
    double lower, upper, size;
    int32_t n;
    double step;
  } cases[] = {
      {0, 1, 0.25, 4, 0.25},    {0, 1, 0.3, 3, 1.0 / 3},  {0, 1, 0.4, 3, 1.0 / 3}, {0, 1, 0.45, 2, 0.5},
      {0, 1, -0.25, 4, 0.25},   {1, 0, 0.25, 4, -0.25},   {2, 2, 1, 1, 0.0},      {0, 360, 10, 36, 10},
      {0, 1, 0, invalid_step_count, 0}, {0, 1, 1e-300, invalid_step_count, 0},
      {0, NAN, 1, invalid_step_count, 0}, {0, INFINITY, 1, invalid_step_count, 0},
      {0, 2147483647, 1, 2147483647, 1}, {0, 2147483647.4, 1, 2147483647, 2147483647.4 / 2147483647},
      {0, 2147483647.5, 1, invalid_step_count, 0}, {0, 0.4, 1, 1, 0.4},
  };
  for (const Case& c : cases) {
    StepRule rule = compute_steps(c.lower, c.upper, c.size);
    EXPECT_EQ(rule.n, c.n) << c.lower << " " << c.upper << " " << c.size;
    if (c.n != invalid_step_count) {
      EXPECT_DOUBLE_EQ(rule.step, c.step) << c.upper << " " << c.size;
    }
  }
  // The number of values never overflows, and a negative count takes none.
  EXPECT_EQ(step_values(compute_steps(0, 2147483647, 1)), 2147483648LL);
  EXPECT_EQ(step_values(compute_steps(0, 1, 0)), 0);
  // Values are computed from the step number, so the last is the upper limit.
  StepRule thirds = compute_steps(0, 1, 0.3);
  EXPECT_EQ(step_value(0, thirds, 3), 1.0);
  EXPECT_EQ(step_value(1, compute_steps(1, 0, 0.25), 4), 0.0);
}

}  // namespace
