// Point sets the kernel's tests and benchmarks share: the helix a curve plot makes, and grids.
#pragma once
#include <cmath>
#include <vector>

#include "kernel/kernel.h"

namespace orv::kernel::testing {

/// `count` points of x = cos t, y = sin t, z = t / 360 for t from 0 to 360 * turns degrees, as the
/// curve plotter steps them.
inline std::vector<Point> helix(int count, double turns = 10.0) {
  std::vector<Point> pts;
  const double upper = 360.0 * turns;
  for (int j = 0; j < count; ++j) {
    const double t = upper * j / (count - 1);
    const double r = t * M_PI / 180.0;
    pts.push_back({std::cos(r), std::sin(r), t / 360.0});
  }
  return pts;
}

/// A rows x cols grid of a torus (radii 3 and 1), row-major, rows along the big circle.
inline std::vector<Point> torus(int rows, int cols) {
  std::vector<Point> pts;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      const double a = 2 * M_PI * i / (rows - 1), b = 2 * M_PI * j / (cols - 1);
      pts.push_back({(3 + std::cos(b)) * std::cos(a), (3 + std::cos(b)) * std::sin(a), std::sin(b)});
    }
  return pts;
}

/// A rows x cols grid of the unit sphere from pole to pole: the first and last rows collapse.
inline std::vector<Point> sphere(int rows, int cols) {
  std::vector<Point> pts;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      const double lat = M_PI * i / (rows - 1) - M_PI / 2, lon = 2 * M_PI * j / (cols - 1);
      pts.push_back({std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)});
    }
  // The poles exactly, as a plotter computing cos(pi/2) = 6e-17 would not quite give them.
  for (int j = 0; j < cols; ++j) {
    pts[j] = {0, 0, -1};
    pts[static_cast<size_t>(rows - 1) * cols + j] = {0, 0, 1};
  }
  return pts;
}

}  // namespace orv::kernel::testing
