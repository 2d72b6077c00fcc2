// The step rule. floor(r + 0.5) is compared against the int32 range as a double before converting,
// since converting a value outside it (or a NaN) is undefined.
#include "geometry/step_rule.h"

#include <cmath>

StepRule compute_steps(double lower, double upper, double step_size) {
  double diff = upper - lower;
  double counted = std::floor(std::fabs(diff / step_size) + 0.5);
  StepRule rule{invalid_step_count, 0.0};
  if (counted >= 0.0 && counted <= static_cast<double>(INT32_MAX)) rule.n = static_cast<int32_t>(counted);
  if (rule.n == 0) rule.n = 1;
  rule.step = diff / rule.n;
  return rule;
}
