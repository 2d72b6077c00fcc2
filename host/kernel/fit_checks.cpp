// The host's refusal rules for fitted shapes; see fit_checks.h.
#include "kernel/fit_checks.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv::fit {
namespace {

std::string str(int64_t n) { return std::to_string(n); }

std::string grid_text(int rows, int cols) { return str(rows) + " x " + str(cols); }

// Distance of two points, without overflow or underflow in the squares (as the kernel measures).
double distance(const double* a, const double* b) {
  const double d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  const double sum = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  if (sum > 0.0 && std::isfinite(sum) && sum >= std::numeric_limits<double>::min()) return std::sqrt(sum);
  return std::hypot(d[0], d[1], d[2]);
}

// Index (from 0) of the first point that is not finite, or -1.
int64_t first_not_finite(const pt_3d* points, int64_t count) {
  for (int64_t i = 0; i < count; ++i)
    if (!finite_point(points[i])) return i;
  return -1;
}

}  // namespace

bool finite_point(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

std::string nonfinite_coordinate(const double* p) {
  static const char* const kAxis[] = {"x", "y", "z"};
  for (int k = 0; k < 3; ++k) {
    if (std::isfinite(p[k])) continue;
    const char* value = std::isnan(p[k]) ? "nan" : p[k] > 0 ? "inf" : "-inf";
    return std::string(kAxis[k]) + " = " + value;
  }
  return {};
}

double extent(const pt_3d* points, int64_t count) {
  if (points == nullptr || count < 1) return 0.0;
  double lo[3], hi[3];
  for (int c = 0; c < 3; ++c) lo[c] = hi[c] = points[0][c];
  for (int64_t i = 1; i < count; ++i)
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], points[i][c]);
      hi[c] = std::max(hi[c], points[i][c]);
    }
  return std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
}

std::string spline_call_refusal(const pt_3d* points, int64_t count, int start_kind, int end_kind) {
  if (points == nullptr || count < 1) return "spline refused: no points were given";
  if (start_kind != 1 || end_kind != 1)
    return "spline refused: end kinds " + str(start_kind) + " and " + str(end_kind) +
           " asked for; only free ends (kind 1) are offered";
  return {};
}

std::string spline_points_refusal(const pt_3d* points, int64_t count) {
  if (const int64_t bad = first_not_finite(points, count); bad >= 0)
    return "spline refused: point " + str(bad + 1) + " of " + str(count) + " is not finite (" +
           nonfinite_coordinate(points[bad]) + "); a spline cannot pass through it";
  if (extent(points, count) == 0.0)
    return count == 1 ? "spline refused: 1 point; a spline needs at least two distinct points"
                      : "spline refused: all " + str(count) +
                            " points coincide; a spline needs at least two distinct points";
  return {};
}

std::string spline_refusal(const pt_3d* points, int64_t count, int start_kind, int end_kind) {
  std::string why = spline_call_refusal(points, count, start_kind, end_kind);
  return why.empty() ? spline_points_refusal(points, count) : why;
}

std::string surface_call_refusal(const pt_3d* points, int rows, int cols) {
  if (points == nullptr) return "surface refused: no points were given";
  if (rows < 2 || cols < 2)
    return "surface refused: a " + grid_text(rows, cols) + " grid; a surface needs at least 2 rows of 2 points";
  return {};
}

std::string surface_points_refusal(const pt_3d* points, int rows, int cols) {
  const std::string grid = grid_text(rows, cols);
  const int64_t count = int64_t{rows} * cols;
  if (const int64_t bad = first_not_finite(points, count); bad >= 0)
    return "surface refused: point " + str(bad % cols + 1) + " of row " + str(bad / cols + 1) + " (a " + grid +
           " grid) is not finite (" + nonfinite_coordinate(points[bad]) + "); a surface cannot pass through it";
  const double size = extent(points, count);
  if (!(size > 0.0)) return "surface refused (a " + grid + " grid): all points coincide";
  std::vector<int> kept_rows, kept_cols;
  distinct_lines(points, rows, cols, kSamePointRel * size, kept_rows, kept_cols);
  if (kept_rows.size() < 2 || kept_cols.size() < 2)
    return "surface refused (a " + grid + " grid): the grid has no area: its rows or its columns all coincide";
  return {};
}

std::string surface_refusal(const pt_3d* points, int rows, int cols) {
  std::string why = surface_call_refusal(points, rows, cols);
  return why.empty() ? surface_points_refusal(points, rows, cols) : why;
}

void distinct_lines(const pt_3d* points, int rows, int cols, double same, std::vector<int>& kept_rows,
                    std::vector<int>& kept_cols) {
  auto at = [&](int i, int j) { return points[int64_t{i} * cols + j]; };
  kept_cols.assign(1, 0);
  for (int j = 1; j < cols; ++j) {
    bool differs = false;
    for (int i = 0; i < rows && !differs; ++i) differs = distance(at(i, j), at(i, kept_cols.back())) > same;
    if (differs) kept_cols.push_back(j);
  }
  kept_rows.assign(1, 0);
  for (int i = 1; i < rows; ++i) {
    bool differs = false;
    for (int j = 0; j < cols && !differs; ++j) differs = distance(at(i, j), at(kept_rows.back(), j)) > same;
    if (differs) kept_rows.push_back(i);
  }
}

std::string buffer_size_refusal(const char* name, int64_t count, int32_t bound) {
  if (count > 0 && count <= bound) return {};
  return std::string(name) + " refused: " + str(count) + " points asked for; it holds from 1 to " + str(bound);
}

std::string buffer_memory_refusal(const char* name, int64_t count) {
  return std::string(name) + " refused: no memory for " + str(count) + " points";
}

}  // namespace orv::fit
