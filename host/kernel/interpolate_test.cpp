// Interpolating curves and surfaces: through every point, the natural spline at chord-length
// parameters, and sound results or clean refusals for the degenerate point sets a plotter can give.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "kernel/kernel.h"
#include "kernel/test_shapes.h"

namespace orv::kernel {
namespace {

double dist(const Point& a, const Point& b) {
  return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

std::vector<double> chord_params(const std::vector<Point>& pts) {
  std::vector<double> t{0.0};
  for (size_t i = 1; i < pts.size(); ++i) t.push_back(t.back() + dist(pts[i], pts[i - 1]));
  for (double& x : t) x /= t.back();
  return t;
}

// The textbook natural cubic spline (second derivatives M, zero at both ends), one coordinate at a
// time: an independent reference for the B-spline form.
struct NaturalSpline {
  std::vector<double> t;
  std::vector<Point> y, M;
  NaturalSpline(std::vector<double> params, std::vector<Point> pts) : t(std::move(params)), y(std::move(pts)) {
    const size_t n = t.size() - 1;
    M.assign(n + 1, Point{0, 0, 0});
    if (n < 2) return;
    std::vector<double> a(n + 1), b(n + 1), c(n + 1);
    std::vector<Point> r(n + 1);
    for (size_t i = 1; i < n; ++i) {
      const double h0 = t[i] - t[i - 1], h1 = t[i + 1] - t[i];
      a[i] = h0;
      b[i] = 2 * (h0 + h1);
      c[i] = h1;
      for (int k = 0; k < 3; ++k)
        r[i][k] = 6 * ((y[i + 1][k] - y[i][k]) / h1 - (y[i][k] - y[i - 1][k]) / h0);
    }
    for (size_t i = 2; i < n; ++i) {  // Thomas: the system is diagonally dominant
      const double f = a[i] / b[i - 1];
      b[i] -= f * c[i - 1];
      for (int k = 0; k < 3; ++k) r[i][k] -= f * r[i - 1][k];
    }
    for (size_t i = n - 1; i >= 1; --i)
      for (int k = 0; k < 3; ++k) M[i][k] = (r[i][k] - c[i] * M[i + 1][k]) / b[i];
  }
  Point at(double s) const {
    size_t i = 0;
    while (i + 2 < t.size() && s > t[i + 1]) ++i;
    const double h = t[i + 1] - t[i], A = (t[i + 1] - s) / h, B = (s - t[i]) / h;
    Point p;
    for (int k = 0; k < 3; ++k)
      p[k] = A * y[i][k] + B * y[i + 1][k] + ((A * A * A - A) * M[i][k] + (B * B * B - B) * M[i + 1][k]) * h * h / 6;
    return p;
  }
};

double max_miss(const nb_type& nb, const std::vector<Point>& pts, const std::vector<double>& t) {
  double worst = 0;
  for (size_t i = 0; i < pts.size(); ++i) worst = std::max(worst, dist(evaluate_curve(nb, t[i]), pts[i]));
  return worst;
}

TEST(InterpolateCurve, PassesThroughEveryPointAndIsTheNaturalSpline) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> coord(-50, 50);
  std::vector<Point> random_pts;
  for (int i = 0; i < 200; ++i) random_pts.push_back({coord(rng), coord(rng), coord(rng)});
  const std::vector<std::vector<Point>> cases = {
      testing::helix(37, 1), testing::helix(1000), random_pts,
      {{0, 0, 0}, {1, 2, 3}},                          // two points: the segment
      {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}},               // three points
      {{1e6, 1e6, 0}, {1e6 + 1, 1e6, 0}, {1e6 + 1, 1e6 + 1, 0}, {1e6, 1e6 + 1, 0}},  // far off origin
  };
  for (const auto& pts : cases) {
    SCOPED_TRACE(pts.size());
    nb_type nb;
    std::string err;
    ASSERT_TRUE(interpolate_curve(pts, nb, err)) << err;
    ASSERT_TRUE(check_curve(nb, err)) << err;
    EXPECT_EQ(nb.udegree, 3);
    EXPECT_EQ(nb.nu, static_cast<int>(pts.size()) + 2);
    const auto t = chord_params(pts);
    EXPECT_LE(max_miss(nb, pts, t), 1e-9 * model_size(pts));
    const NaturalSpline ref(t, pts);
    double worst = 0;
    for (int k = 0; k <= 5000; ++k) {
      const double s = k / 5000.0;
      worst = std::max(worst, dist(evaluate_curve(nb, s), ref.at(s)));
    }
    EXPECT_LE(worst, 1e-9 * model_size(pts));
  }
}

TEST(InterpolateCurve, RepeatedPointsCountOnce) {
  const std::vector<Point> pts = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 1, 0}, {2, 1, 0}};
  nb_type nb;
  std::string err;
  ASSERT_TRUE(interpolate_curve(pts, nb, err)) << err;
  EXPECT_EQ(nb.nu, 3 + 2);  // three distinct points
  for (const auto& p : nb.poles)
    for (double c : p) EXPECT_TRUE(std::isfinite(c));
  const std::vector<Point> distinct = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}};
  EXPECT_LE(max_miss(nb, distinct, chord_params(distinct)), 1e-9 * model_size(pts));

  // A plot with equal limits gives two equal points; nearly equal ones (below 1e-12 of the model)
  // are one point too.
  const std::vector<Point> near = {{0, 0, 0}, {1e-15, 0, 0}, {1, 1, 1}};
  ASSERT_TRUE(interpolate_curve(near, nb, err)) << err;
  EXPECT_EQ(nb.nu, 4);
}

TEST(InterpolateCurve, RefusesDegenerateAndNonFinitePoints) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  const std::vector<std::vector<Point>> bad = {
      {},
      {{1, 2, 3}},
      {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}},
      {{0, 0, 0}, {nan, 0, 0}, {1, 1, 1}},
      {{0, 0, 0}, {1, inf, 0}},
      {{0, 0, -inf}, {1, 0, 0}},
  };
  for (const auto& pts : bad) {
    nb_type nb;
    nb.nu = 99;
    std::string err;
    EXPECT_FALSE(interpolate_curve(pts, nb, err)) << pts.size();
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(nb.nu, 99) << "a refusal leaves the output alone";
  }
}

TEST(InterpolateCurve, ExtremeMagnitudesGiveASoundCurveOrARefusal) {
  const std::vector<std::vector<Point>> cases = {
      {{-1e308, 0, 0}, {1e308, 0, 0}},              // the extent overflows
      {{0, 0, 0}, {1e200, 1e200, 0}, {0, 1e200, 1}},  // chord lengths overflow
      {{0, 0, 0}, {1e-300, 0, 0}, {2e-300, 1e-300, 0}},
  };
  for (const auto& pts : cases) {
    nb_type nb;
    std::string err;
    if (!interpolate_curve(pts, nb, err)) {
      EXPECT_FALSE(err.empty());
      continue;
    }
    ASSERT_TRUE(check_curve(nb, err)) << err;
    const auto t = chord_params(pts);
    EXPECT_LE(max_miss(nb, pts, t), 1e-9 * model_size(pts));
  }
  // Evaluation outside the range clamps, and a NaN parameter reads as the start.
  nb_type nb;
  std::string err;
  ASSERT_TRUE(interpolate_curve(testing::helix(10, 1), nb, err)) << err;
  EXPECT_EQ(evaluate_curve(nb, std::nan("")), evaluate_curve(nb, 0.0));
  EXPECT_EQ(evaluate_curve(nb, 7.0), evaluate_curve(nb, 1.0));
}

double max_grid_miss(const nb_type& nb, const std::vector<Point>& pts, int rows, int cols) {
  // Evaluated at the averaged chord parameters, recomputed here from the grid.
  auto avg = [&](int count, int lines, bool along_rows) {
    std::vector<double> sum(count, 0.0);
    int used = 0;
    for (int l = 0; l < lines; ++l) {
      std::vector<Point> line;
      for (int k = 0; k < count; ++k)
        line.push_back(along_rows ? pts[static_cast<size_t>(l) * cols + k] : pts[static_cast<size_t>(k) * cols + l]);
      if (model_size(line) == 0) continue;
      const auto t = chord_params(line);
      for (int k = 0; k < count; ++k) sum[k] += t[k];
      ++used;
    }
    for (double& s : sum) s /= used;
    return sum;
  };
  const auto v = avg(cols, rows, true), u = avg(rows, cols, false);
  double worst = 0;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j)
      worst = std::max(worst, dist(evaluate_surface(nb, u[i], v[j]), pts[static_cast<size_t>(i) * cols + j]));
  return worst;
}

// Points far from the origin can only be met to their doubles' spacing (4096 near 3.5e19): curves
// and surfaces there are made, not refused, and still pass within that resolution of every point.
TEST(InterpolateCurve, FarFromTheOriginFitsToTheCoordinatesResolution) {
  for (double far : {1e6, 3.4934271057485095e19, -1e100, 1e300}) {
    SCOPED_TRACE(far);
    std::vector<Point> line, helix = testing::helix(37, 1);
    for (int k = 0; k <= 10; ++k) line.push_back({87.3, far, 8.8 * k});
    for (Point& p : helix) p[0] += far;
    for (const auto* pts : {&line, &helix}) {
      nb_type nb;
      std::string err;
      ASSERT_TRUE(interpolate_curve(*pts, nb, err)) << err;
      EXPECT_LE(max_miss(nb, *pts, chord_params(*pts)), fit_tolerance(*pts));
      // The resolution allowance is a few hundred units in the last place, not a blanket pass.
      EXPECT_LT(fit_tolerance(*pts), 1e-9 * model_size(*pts) + 1e-13 * std::fabs(far));
    }
    std::vector<Point> grid;
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 6; ++j) grid.push_back({87.3 + i, far, 8.8 * j + i * j});
    nb_type nb;
    std::string err;
    ASSERT_TRUE(interpolate_surface(grid, 5, 6, nb, err)) << err;
    EXPECT_LE(max_grid_miss(nb, grid, 5, 6), fit_tolerance(grid));
  }
  // Near the origin the allowance is the relative one alone.
  const auto pts = testing::helix(10, 1);
  EXPECT_NEAR(fit_tolerance(pts), 1e-9 * model_size(pts), 1e-12 * model_size(pts));
}

std::vector<Point> saddle(int rows, int cols) {
  std::vector<Point> pts;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      const double x = double(i) / (rows - 1), y = double(j * j) / ((cols - 1) * (cols - 1));
      pts.push_back({x, y, x * y - 0.5 * x * x});
    }
  return pts;
}

TEST(InterpolateSurface, PassesThroughTheGridWithDegreesByCount) {
  struct Case {
    const char* name;
    std::vector<Point> pts;
    int rows, cols, udegree, vdegree;
  };
  const std::vector<Case> cases = {
      {"torus", testing::torus(25, 30), 25, 30, 3, 3},
      {"sphere, collapsed poles", testing::sphere(13, 25), 13, 25, 3, 3},
      {"2 x 2", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}}, 2, 2, 1, 1},
      {"3 x 5", testing::torus(3, 5), 3, 5, 2, 3},
      {"5 x 2", saddle(5, 2), 5, 2, 3, 1},
      {"40 x 3", saddle(40, 3), 40, 3, 3, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    nb_type nb;
    std::string err;
    ASSERT_TRUE(interpolate_surface(c.pts, c.rows, c.cols, nb, err)) << err;
    ASSERT_TRUE(check_surface(nb, err)) << err;
    EXPECT_EQ(nb.udegree, c.udegree);
    EXPECT_EQ(nb.vdegree, c.vdegree);
    EXPECT_LE(max_grid_miss(nb, c.pts, c.rows, c.cols), 1e-9 * model_size(c.pts));
  }
}

// The grid evaluation works each parameter's basis functions out once; every point must still be
// evaluate_surface's to the bit, inside the ranges, at their ends, beyond them and at a NaN.
TEST(InterpolateSurface, GridEvaluationIsPointEvaluationBitForBit) {
  const std::vector<std::pair<std::vector<Point>, std::array<int, 2>>> surfaces = {
      {testing::torus(25, 30), {25, 30}}, {testing::sphere(13, 25), {13, 25}}, {saddle(5, 2), {5, 2}}};
  for (const auto& [pts, size] : surfaces) {
    nb_type nb;
    std::string err;
    ASSERT_TRUE(interpolate_surface(pts, size[0], size[1], nb, err)) << err;
    const auto r = surface_range(nb);
    std::vector<double> us = {r[0], r[1], r[0] - 1, r[1] + 1, std::nan("")}, vs = {r[2], r[3], r[3] * 2, -1e300};
    for (int k = 0; k <= 37; ++k) {
      us.push_back(r[0] + (r[1] - r[0]) * k / 37);
      vs.push_back(r[2] + (r[3] - r[2]) * k / 41);
    }
    const std::vector<Point> grid = evaluate_surface_grid(nb, us, vs);
    ASSERT_EQ(grid.size(), us.size() * vs.size());
    for (size_t i = 0; i < us.size(); ++i) {
      for (size_t j = 0; j < vs.size(); ++j) {
        const Point one = evaluate_surface(nb, us[i], vs[j]);
        ASSERT_EQ(std::memcmp(&one, &grid[i * vs.size() + j], sizeof one), 0) << i << ", " << j;
      }
    }
  }
}

TEST(InterpolateSurface, CollapsedPoleStaysAPoint) {
  const auto pts = testing::sphere(9, 17);
  nb_type nb;
  std::string err;
  ASSERT_TRUE(interpolate_surface(pts, 9, 17, nb, err)) << err;
  for (int k = 0; k <= 100; ++k) {
    const auto p = evaluate_surface(nb, 0.0, k / 100.0);
    EXPECT_LE(dist(p, {0, 0, -1}), 1e-12);
  }
  // Between the grid lines the surface stays near the sphere.
  for (int k = 0; k <= 50; ++k)
    for (int l = 0; l <= 50; ++l) {
      const auto p = evaluate_surface(nb, k / 50.0, l / 50.0);
      EXPECT_NEAR(dist(p, {0, 0, 0}), 1.0, 0.02);
    }
}

TEST(InterpolateSurface, CoincidentColumnsAndRowsCountOnce) {
  // Every point of column 2 repeats column 1, and row 3 repeats row 2.
  auto base = testing::torus(6, 7);
  std::vector<Point> pts;
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 7; ++j) {
      pts.push_back(base[i * 7 + j]);
      if (j == 1) pts.push_back(base[i * 7 + j]);
    }
    if (i == 2)
      for (int j = 0; j < 8; ++j) pts.push_back(pts[pts.size() - 8]);
  }
  nb_type nb;
  std::string err;
  ASSERT_TRUE(interpolate_surface(pts, 7, 8, nb, err)) << err;
  EXPECT_EQ(nb.nu, 6 + 2);
  EXPECT_EQ(nb.nv, 7 + 2);
  for (const auto& p : nb.poles)
    for (double c : p) ASSERT_TRUE(std::isfinite(c));
}

TEST(InterpolateSurface, RefusesWhatIsNoSurface) {
  const double nan = std::nan("");
  struct Case {
    const char* name;
    std::vector<Point> pts;
    int rows, cols;
  };
  std::vector<Point> line_grid;  // every row the same line: a curve, not a surface
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) line_grid.push_back({double(j), 0, 0});
  auto with_nan = testing::torus(4, 4);
  with_nan[5][1] = nan;
  const std::vector<Case> cases = {
      {"one row", testing::torus(2, 4), 1, 8},
      {"count mismatch", testing::torus(3, 3), 3, 4},
      {"all one point", std::vector<Point>(9, Point{1, 1, 1}), 3, 3},
      {"rows all the same", line_grid, 4, 4},
      {"a NaN", with_nan, 4, 4},
  };
  for (const auto& c : cases) {
    nb_type nb;
    std::string err;
    EXPECT_FALSE(interpolate_surface(c.pts, c.rows, c.cols, nb, err)) << c.name;
    EXPECT_FALSE(err.empty()) << c.name;
  }
}

TEST(InterpolateSurface, RandomDegenerateGridsAreSoundOrRefused) {
  // Small random grids with repeated points, rows and columns, collapsed end rows and flat grids:
  // every fit is a well-formed record with finite points everywhere (the fit checks its own points),
  // or a refusal with a reason.
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> coord(-1, 1);
  int fitted = 0;
  for (int it = 0; it < 3000; ++it) {
    const int rows = 2 + rng() % 5, cols = 2 + rng() % 5, kind = rng() % 5;
    std::vector<Point> pts(static_cast<size_t>(rows) * cols);
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < cols; ++j) {
        Point& p = pts[i * cols + j];
        p = {coord(rng), coord(rng), coord(rng)};
        if (kind == 0 && j > 0 && rng() % 2) p = pts[i * cols + j - 1];
        if (kind == 1 && i > 0 && rng() % 2) p = pts[(i - 1) * cols + j];
        if (kind == 2 && (i == 0 || i == rows - 1)) p = {0, 0, double(i)};
        if (kind == 3) p = {double(i), double(j % 2), 0};
      }
    nb_type nb;
    std::string err;
    if (!interpolate_surface(pts, rows, cols, nb, err)) {
      EXPECT_FALSE(err.empty());
      continue;
    }
    ++fitted;
    ASSERT_TRUE(check_surface(nb, err)) << err;
    for (int a = 0; a <= 8; ++a)
      for (int b = 0; b <= 8; ++b) {
        const Point p = evaluate_surface(nb, a / 8.0, b / 8.0);
        ASSERT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) << it;
      }
  }
  EXPECT_GT(fitted, 2500);
}

TEST(CheckCurve, RejectsMalformedRecords) {
  const nb_type good = line_curve({0, 0, 0}, {1, 0, 0});
  std::string err;
  ASSERT_TRUE(check_curve(good, err)) << err;
  auto bad = [&](auto change) {
    nb_type nb = good;
    change(nb);
    std::string e;
    return !check_curve(nb, e) && !e.empty();
  };
  EXPECT_TRUE(bad([](nb_type& nb) { nb.udegree = 0; }));
  EXPECT_TRUE(bad([](nb_type& nb) { nb.uknots.pop_back(); }));
  EXPECT_TRUE(bad([](nb_type& nb) { nb.uknots = {0, 1, 0, 1}; }));
  EXPECT_TRUE(bad([](nb_type& nb) { nb.uknots = {1, 1, 1, 1}; }));
  EXPECT_TRUE(bad([](nb_type& nb) { nb.weights[1] = 0; }));
  EXPECT_TRUE(bad([](nb_type& nb) { nb.poles[0][2] = std::nan(""); }));
  EXPECT_TRUE(bad([](nb_type& nb) { nb.poles.pop_back(); }));
  EXPECT_TRUE(bad([](nb_type& nb) { nb.nv = 2; }));
  // A cubic with a knot repeated four times inside falls apart.
  nb_type cubic;
  cubic.udegree = 3;
  cubic.nu = 8;
  cubic.uknots = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2};
  cubic.poles.assign(8, Point{0, 0, 0});
  cubic.weights.assign(8, 1.0);
  EXPECT_FALSE(check_curve(cubic, err));
}

}  // namespace
}  // namespace orv::kernel
