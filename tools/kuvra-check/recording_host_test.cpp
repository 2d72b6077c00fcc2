// The recording host's rules, the ones the real host applies: curves need two distinct finite
// points, surfaces a finite grid of at least 2 x 2 with area; the stop answer after the step limit.
#include "recording_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "orvantis/host_geometry.h"
#include "text_file.h"

namespace {

using Points = std::vector<std::array<double, 3>>;

const double (*as_points(const Points& p))[3] { return reinterpret_cast<const double(*)[3]>(p.data()); }

TEST(RecordingHost, CurveRules) {
  const double inf = INFINITY;
  const struct {
    Points points;
    const char* refusal;  // "" when taken
  } cases[] = {
      {{{0, 0, 0}, {1, 0, 0}}, ""},
      {{{0, 0, 0}, {0, 0, 0}, {0, 0, 1e-3}}, ""},  // repeated points are fine while two differ
      {{{1, 2, 3}}, "a single point makes no curve"},
      {{{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, "all 3 points coincide"},
      {{{0, 0, 0}, {1, inf, 0}}, "point 2 of 2 is not finite"},
      {{{NAN, 0, 0}, {1, 0, 0}}, "point 1 of 2 is not finite"},
  };
  for (const auto& c : cases) EXPECT_EQ(curve_refusal(as_points(c.points), c.points.size()), c.refusal) << c.refusal;
  EXPECT_EQ(curve_refusal(nullptr, 0), "no points to make a curve through");
}

Points grid(int rows, int cols, double (*f)(int, int, int)) {
  Points p;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) p.push_back({f(i, j, 0), f(i, j, 1), f(i, j, 2)});
  return p;
}

TEST(RecordingHost, SurfaceRules) {
  const struct {
    int rows, cols;
    double (*f)(int, int, int);
    const char* refusal;
  } cases[] = {
      {3, 4, [](int i, int j, int c) { return c == 0 ? i : c == 1 ? j : 0.0; }, ""},
      // A row collapsed to one point, as a sphere's pole, still leaves an area.
      {3, 3, [](int i, int j, int c) { return i == 0 ? 0.0 : c == 0 ? i : c == 1 ? j : 0.0; }, ""},
      {1, 4, [](int i, int j, int c) { return c == 0 ? i + j : 0.0; }, "a surface needs at least 2 rows of 2 points, not 1 x 4"},
      {3, 3, [](int, int, int) { return 5.0; }, "all 9 grid points coincide"},
      {3, 3, [](int i, int, int c) { return c == 0 ? i : 0.0; }, "the grid has no area: it collapses to a curve or a point"},
      {3, 3, [](int, int j, int c) { return c == 1 ? j : 0.0; }, "the grid has no area: it collapses to a curve or a point"},
      {2, 2, [](int i, int j, int c) { return i == 1 && j == 1 && c == 2 ? INFINITY : c == 0 ? i : c == 1 ? j : 0.0; },
       "grid point 4 of 4 is not finite"},
  };
  for (const auto& c : cases) {
    Points p = grid(c.rows, c.cols, c.f);
    EXPECT_EQ(surface_refusal(as_points(p), c.rows, c.cols), c.refusal) << c.refusal;
  }
}

TEST(RecordingHost, AsksToStopFromTheStepLimitOn) {
  reset_host_record(2048);
  EXPECT_EQ(plot_stop_requested(0, 5000), 0);
  EXPECT_EQ(plot_stop_requested(1024, 5000), 0);
  EXPECT_NE(plot_stop_requested(2048, 5000), 0);
  EXPECT_TRUE(host_record().stop_answered);
  reset_host_record(0);  // no limit
  EXPECT_EQ(plot_stop_requested(int64_t{1} << 40, int64_t{1} << 41), 0);
}

TEST(RecordingHost, BuffersGrowToTheHostsBoundsOnly) {
  reset_host_record(0);
  EXPECT_NE(CSplineNodeMgr::put_max_n_spline_pts(host_max_spline_points), 0);
  EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(host_max_spline_points + 1), 0);
  EXPECT_EQ(CSurfDataMgr::put_max_n_surf_patches(host_max_surface_points + 1), 0);
  EXPECT_NE(host_record().buffer_refusal.find("at most 4194304 points"), std::string::npos);
}

TEST(TextFile, WhatLooksLikeText) {
  const struct {
    std::string bytes;
    bool text;
  } cases[] = {
      {"x = cos(t)\r\n\ty = 1\n", true},
      {"", true},
      {"# Möbius strip = 0\n", true},
      {std::string("x = 1\n\0", 7), false},
      {std::string(100, '\x02'), false},
      {std::string(80, 'a') + std::string(20, '\x02'), true},
      {std::string(60, 'a') + std::string(40, '\xff'), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(looks_like_text(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size()), c.text)
        << c.bytes;
  }
}

}  // namespace
