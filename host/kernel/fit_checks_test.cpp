// The refusal rules on their own: the words for coordinates that are not finite, the bounds of the
// buffers, and which rows and columns of a grid count, at the tolerance and at extreme scales.
// The shared table of fit_refusal_cases.h runs through the host and the checker elsewhere.
#include "kernel/fit_checks.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "kernel/fit_refusal_cases.h"

namespace {

using P = std::array<double, 3>;
using orv::fit::grid_points;

const pt_3d* as_points(const std::vector<P>& p) { return reinterpret_cast<const pt_3d*>(p.data()); }

TEST(FitChecks, NamesTheFirstCoordinateThatIsNotFinite) {
  const struct {
    P point;
    const char* words;
  } cases[] = {
      {{0, 0, 0}, ""},
      {{NAN, 0, 0}, "x = nan"},
      {{0, INFINITY, 0}, "y = inf"},
      {{0, 0, -INFINITY}, "z = -inf"},
      {{1e308, -INFINITY, NAN}, "y = -inf"},  // the first one only
  };
  for (const auto& c : cases) {
    EXPECT_EQ(orv::fit::nonfinite_coordinate(c.point.data()), c.words);
    EXPECT_EQ(orv::fit::finite_point(c.point.data()), *c.words == '\0') << c.words;
  }
}

TEST(FitChecks, BuffersHoldFromOnePointToTheirBound) {
  const struct {
    int64_t count;
    bool taken;
  } cases[] = {{-1, false}, {0, false}, {1, true}, {4096, true}, {4097, false}};
  for (const auto& c : cases) {
    const std::string why = orv::fit::buffer_size_refusal("spline buffer", c.count, 4096);
    EXPECT_EQ(why.empty(), c.taken) << c.count;
    if (!c.taken) {
      EXPECT_EQ(why, "spline buffer refused: " + std::to_string(c.count) + " points asked for; it holds from 1 to 4096");
    }
  }
  EXPECT_EQ(orv::fit::buffer_memory_refusal("surface buffer", 70000), "surface buffer refused: no memory for 70000 points");
}

TEST(FitChecks, ALineCountsWhenItDiffersFromTheLastOneCounted) {
  // Columns 0.6 apart with a tolerance of 1: the second coincides with the first, the third does
  // not, though it is as close to the second as the second is to the first.
  std::vector<P> p = grid_points(2, 4, [](int i, int j) { return P{double(i) * 10, j * 0.6, 0}; });
  std::vector<int> rows, cols;
  orv::fit::distinct_lines(as_points(p), 2, 4, 1.0, rows, cols);
  EXPECT_EQ(cols, (std::vector<int>{0, 2}));
  EXPECT_EQ(rows, (std::vector<int>{0, 1}));
}

TEST(FitChecks, GridAreaAtTheToleranceAndAtExtremeScales) {
  const struct {
    const char* name;
    double scale, width;  // rows `scale` apart, columns `width` apart
    bool area;
  } cases[] = {
      {"columns half the tolerance apart", 1, 0.5e-12, false},
      {"columns twice the tolerance apart", 1, 2e-12, true},
      {"a grid near the largest doubles", 1e300, 1e299, true},
      // The squares of the differences underflow to zero: the distance is still measured.
      {"a grid near the smallest normal doubles", 1e-200, 1e-201, true},
  };
  for (const auto& c : cases) {
    std::vector<P> p = grid_points(2, 2, [&](int i, int j) { return P{i * c.scale, j * c.width, 0}; });
    const std::string why = orv::fit::surface_points_refusal(as_points(p), 2, 2);
    EXPECT_EQ(why.empty(), c.area) << c.name << ": " << why;
  }
}

TEST(FitChecks, TheCallIsRefusedBeforeAnyPointIsRead) {
  // Points that are not there: the call's own refusal comes without reading them.
  const pt_3d* nowhere = reinterpret_cast<const pt_3d*>(alignof(pt_3d));
  EXPECT_EQ(orv::fit::spline_call_refusal(nowhere, 5, 1, 3),
            "spline refused: end kinds 1 and 3 asked for; only free ends (kind 1) are offered");
  EXPECT_EQ(orv::fit::surface_call_refusal(nowhere, 1, 7),
            "surface refused: a 1 x 7 grid; a surface needs at least 2 rows of 2 points");
  EXPECT_EQ(orv::fit::spline_call_refusal(nowhere, 5, 1, 1), "");
  EXPECT_EQ(orv::fit::surface_call_refusal(nowhere, 2, 2), "");
}

TEST(FitChecks, TheSharedTableHoldsForTheRulesThemselves) {
  for (const orv::fit::RefusalCase& c : orv::fit::refusal_cases()) {
    const std::string why = c.surface ? orv::fit::surface_refusal(c.data(), c.rows, c.cols)
                                      : orv::fit::spline_refusal(c.data(), c.count(), c.start_kind, c.end_kind);
    EXPECT_EQ(why, c.refusal) << c.name;
  }
}

}  // namespace
