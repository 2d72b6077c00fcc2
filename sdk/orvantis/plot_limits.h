// The plot sizes a Zlink refuses before anything is drawn, and the one wording of such a refusal,
// so that the host and the checking tool say it alike.
#pragma once
#include <cstdint>
#include <string>

namespace orvantis {

/// A spline or NURB spline plot takes at most this many steps (one point more).
constexpr int64_t kSplineStepLimit = 32000;
/// A surface grid takes at most this many rows, and this many points a row.
constexpr int64_t kSurfaceSideLimit = 32767;

/// 32000 as "32,000": the digits grouped by three, the same in every locale.
inline std::string grouped(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

/// What a size refusal is, in words. `steps` is the spline's step count, or -1 when the caller does
/// not know whether the plot was a spline or a surface nor its size:
///   "refused for its size: 360,000 steps; the limit is 32,000 steps, that is 32,001 points"
///   "refused for its size before anything was drawn: the limit is 32,000 steps, that is 32,001
///    points, for a spline or NURB spline, and 32,767 rows of 32,767 points for a surface"
inline std::string size_refusal_words(int64_t steps) {
  const std::string limit = "the limit is " + grouped(kSplineStepLimit) + " steps, that is " +
                            grouped(kSplineStepLimit + 1) + " points";
  if (steps >= 0) return "refused for its size: " + grouped(steps) + " steps; " + limit;
  return "refused for its size before anything was drawn: " + limit + ", for a spline or NURB spline, and " +
         grouped(kSurfaceSideLimit) + " rows of " + grouped(kSurfaceSideLimit) + " points for a surface";
}

/// The same for a surface grid of `rows` x `cols` points:
///   "refused for its size: a grid of 40,000 x 3 points; the limit is 32,767 rows of 32,767 points"
inline std::string surface_size_refusal_words(int64_t rows, int64_t cols) {
  return "refused for its size: a grid of " + grouped(rows) + " x " + grouped(cols) + " points; the limit is " +
         grouped(kSurfaceSideLimit) + " rows of " + grouped(kSurfaceSideLimit) + " points";
}

}  // namespace orvantis
