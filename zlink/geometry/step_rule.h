// The step rule shared by curves and surfaces: how many steps a variable takes over its range and how
// wide each is. The count is range-tested before conversion, and the loops count in 64 bits, so no
// setting can make a conversion undefined or a loop counter overflow.
#pragma once
#include <cstdint>

constexpr int32_t invalid_step_count = INT32_MIN;  // a count that is not finite or does not fit

struct StepRule {
  int32_t n;     // steps; the variable takes n + 1 values, none when n is negative
  double step;   // (upper - lower) / n, keeping the sign of the range
};

/// n = floor(|(upper - lower) / step_size| + 0.5), raised to 1 from 0, invalid_step_count when it is
/// not finite or does not fit 32 bits; step = (upper - lower) / n.
StepRule compute_steps(double lower, double upper, double step_size);

/// Number of values the variable takes: n + 1, or 0 for a negative n. Never overflows.
inline int64_t step_values(const StepRule& rule) { return rule.n < 0 ? 0 : int64_t{rule.n} + 1; }

/// The value at step j, computed afresh from j rather than by repeated addition.
inline double step_value(double lower, const StepRule& rule, int64_t j) {
  return lower + static_cast<double>(j) * rule.step;
}
