// The accuracy measure against shapes whose distances are known: each reported largest distance is
// compared with one worked out here from the fit (the kernel's, through points computed here) and the
// analytic shape, by dense sampling rather than the measure's own closest-point search. Then the
// advice: the step it gives meets the tolerance when written back and measured again.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "check_test_support.h"
#include "kernel/kernel.h"

namespace {

using nlohmann::json;
using orv::kernel::Point;

constexpr double deg = 0.017453292519943295;  // the Zlink's factor for degrees

json accuracy_of(const std::string& file, double tol = 0, CheckResult* result = nullptr) {
  CheckOptions options;
  options.json = true;
  options.accuracy = true;
  options.tol = tol;
  return json::parse(check_text(file, options, result))["accuracy"];
}

std::string curve_file(const char* geometry, double step, const std::string& statements) {
  return "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 360\nstep_size1 = " + std::to_string(step) +
         "\ngeometry = " + geometry + "\nangles = degrees\n" + statements;
}

std::vector<Point> curve_points(double step, const std::function<Point(double)>& at) {
  std::vector<Point> pts;
  const int n = static_cast<int>(std::floor(360 / step + 0.5));
  for (int j = 0; j <= n; ++j) pts.push_back(at(j * (360.0 / n)));
  return pts;
}

// The largest of `away` over the fitted curve, sampled densely.
double largest_over_curve(const nb_type& nb, const std::function<double(const Point&)>& away) {
  const auto range = orv::kernel::curve_range(nb);
  double largest = 0;
  for (int i = 0; i <= 200000; ++i) largest = std::max(largest, away(orv::kernel::evaluate_curve(nb, range[0] + (range[1] - range[0]) * i / 200000)));
  return largest;
}

double largest_over_surface(const nb_type& nb, const std::function<double(const Point&)>& away) {
  const auto range = orv::kernel::surface_range(nb);
  double largest = 0;
  for (int i = 0; i <= 400; ++i)
    for (int j = 0; j <= 400; ++j)
      largest = std::max(largest, away(orv::kernel::evaluate_surface(nb, range[0] + (range[1] - range[0]) * i / 400,
                                                                     range[2] + (range[3] - range[2]) * j / 400)));
  return largest;
}

TEST(Accuracy, CirclesAgainstTheirRadius) {
  for (double step : {30.0, 10.0, 1.0}) {
    json a = accuracy_of(curve_file("spline", step, "x = 10*cos(t)\ny = 10*sin(t)\nz = 0\n"));
    ASSERT_TRUE(a["measured"]) << a.dump();
    nb_type nb;
    std::string err;
    ASSERT_TRUE(orv::kernel::interpolate_curve(
        curve_points(step, [](double t) { return Point{10 * std::cos(t * deg), 10 * std::sin(t * deg), 0}; }), nb, err));
    const double exact = largest_over_curve(nb, [](const Point& p) { return std::fabs(std::hypot(p[0], p[1]) - 10); });
    const double reported = a["largest"];
    EXPECT_LE(reported, exact * 1.02 + 1e-12) << step;
    EXPECT_GE(reported, exact * 0.98) << step;
    EXPECT_EQ(a["points_measured"], static_cast<int>(std::floor(360 / step + 0.5)) * 9) << step;
  }
}

// A polyline's largest distance from a circle is at the middle of a chord, R (1 - cos(h / 2)).
TEST(Accuracy, LinesAreChordsOfTheCircle) {
  json a = accuracy_of(curve_file("lines", 30, "x = 10*cos(t)\ny = 10*sin(t)\nz = 0\n"));
  EXPECT_NEAR(a["largest"].get<double>(), 10 * (1 - std::cos(15 * deg)), 1e-12) << a.dump();
}

TEST(Accuracy, HelixAgainstAClosestPointFoundByBruteForce) {
  auto helix = [](double t) { return Point{10 * std::cos(t * deg), 10 * std::sin(t * deg), t / 36}; };
  json a = accuracy_of(curve_file("spline", 30, "x = 10*cos(t)\ny = 10*sin(t)\nz = t/36\n"));
  nb_type nb;
  std::string err;
  ASSERT_TRUE(orv::kernel::interpolate_curve(curve_points(30, helix), nb, err));
  const auto range = orv::kernel::curve_range(nb);
  constexpr int dense = 24000;
  std::vector<Point> samples;
  for (int i = 0; i <= dense; ++i) samples.push_back(orv::kernel::evaluate_curve(nb, range[0] + (range[1] - range[0]) * i / dense));
  auto gap = [&](const Point& p, double u) {
    Point c = orv::kernel::evaluate_curve(nb, u);
    return std::hypot(c[0] - p[0], c[1] - p[1], c[2] - p[2]);
  };
  double largest = 0;
  for (int j = 0; j < 12; ++j)
    for (int s = 1; s <= 9; ++s) {
      const Point p = helix(30 * j + 30.0 * s / 10);
      int best = 0;
      for (int i = 1; i <= dense; ++i)
        if (gap(p, range[0] + (range[1] - range[0]) * i / dense) < gap(p, range[0] + (range[1] - range[0]) * best / dense)) best = i;
      // Golden-section search between the neighbours of the best sample.
      double lo = range[0] + (range[1] - range[0]) * std::max(best - 1, 0) / dense;
      double hi = range[0] + (range[1] - range[0]) * std::min(best + 1, dense) / dense;
      for (int k = 0; k < 100; ++k) {
        const double m1 = hi - (hi - lo) * 0.618033988749895, m2 = lo + (hi - lo) * 0.618033988749895;
        if (gap(p, m1) < gap(p, m2)) hi = m2; else lo = m1;
      }
      largest = std::max(largest, gap(p, 0.5 * (lo + hi)));
    }
  EXPECT_NEAR(a["largest"].get<double>(), largest, largest * 1e-6 + 1e-12) << a.dump();
}

struct SurfaceCase {
  const char* name;
  std::string file;
  int rows, cols;
  std::function<Point(double, double)> at;        // the grid point at (u, v) in degrees
  std::function<double(const Point&)> away;       // distance of a point from the analytic shape
};

TEST(Accuracy, SurfacesAgainstTheirShape) {
  const SurfaceCase cases[] = {
      {"sphere",
       "step_var1 = u\nstep_var2 = v\nupper_limit1 = 180\nstep_size1 = 15\nupper_limit2 = 360\nstep_size2 = 20\n"
       "geometry = parametric_surf\nangles = degrees\nx = 10*sin(u)*cos(v)\ny = 10*sin(u)*sin(v)\nz = 10*cos(u)\n",
       13, 19,
       [](double u, double v) {
         return Point{10 * std::sin(u * deg) * std::cos(v * deg), 10 * std::sin(u * deg) * std::sin(v * deg),
                      10 * std::cos(u * deg)};
       },
       [](const Point& p) { return std::fabs(std::hypot(p[0], p[1], p[2]) - 10); }},
      {"torus",
       "step_var1 = u\nstep_var2 = v\nupper_limit1 = 360\nstep_size1 = 20\nupper_limit2 = 360\nstep_size2 = 30\n"
       "geometry = nurbs_surf\nangles = degrees\nr = 30 + 10*cos(v)\nx = r*cos(u)\ny = r*sin(u)\nz = 10*sin(v)\n",
       19, 13,
       [](double u, double v) {
         const double r = 30 + 10 * std::cos(v * deg);
         return Point{r * std::cos(u * deg), r * std::sin(u * deg), 10 * std::sin(v * deg)};
       },
       [](const Point& p) { return std::fabs(std::hypot(std::hypot(p[0], p[1]) - 30, p[2]) - 10); }},
  };
  for (const SurfaceCase& c : cases) {
    json a = accuracy_of(c.file);
    ASSERT_TRUE(a["measured"]) << c.name << a.dump();
    std::vector<Point> grid;
    const double du = (c.name == std::string("sphere") ? 180.0 : 360.0) / (c.rows - 1), dv = 360.0 / (c.cols - 1);
    for (int i = 0; i < c.rows; ++i)
      for (int j = 0; j < c.cols; ++j) grid.push_back(c.at(i * du, j * dv));
    nb_type nb;
    std::string err;
    ASSERT_TRUE(orv::kernel::interpolate_surface(grid, c.rows, c.cols, nb, err)) << err;
    const double exact = largest_over_surface(nb, c.away);
    EXPECT_LE(a["largest"].get<double>(), exact * 1.02 + 1e-12) << c.name << " " << exact;
    EXPECT_GE(a["largest"].get<double>(), exact * 0.9) << c.name << " " << exact;  // 3 x 3 a cell misses a little
  }
}

TEST(Accuracy, APlaneIsReproducedExactly) {
  json a = accuracy_of("step_var1 = u\nstep_var2 = v\nupper_limit1 = 4\nstep_size1 = 1\nupper_limit2 = 3\nstep_size2 = 1\n"
                       "geometry = parametric_surf\nx = u\ny = v\nz = 2*u + 3*v + 1\n");
  ASSERT_TRUE(a["measured"]) << a.dump();
  EXPECT_LT(a["largest"].get<double>(), 1e-9);
  EXPECT_EQ(a["points_measured"], 4 * 3 * 9);
}

TEST(Accuracy, NurbCurvesTellThePolesKeptAndTheirOwnDeviation) {
  json a = accuracy_of(curve_file("nurbs", 5, "x = 10*cos(t)\ny = 10*sin(t)\nz = 0\n"));
  EXPECT_LT(a["poles_kept"].get<int>(), a["poles_before"].get<int>()) << a.dump();
  EXPECT_LE(a["fit_deviation"].get<double>(), 0.001);
  EXPECT_GE(a["largest"].get<double>(), 0.0);
}

TEST(Accuracy, TheAdvisedStepMeetsTheTolerance) {
  const std::string statements = "x = 10*cos(t)\ny = 10*sin(t)\nz = t/36\n";
  CheckResult result;
  json a = accuracy_of(curve_file("spline", 30, statements), 1e-4, &result);
  EXPECT_FALSE(a["file_meets"]);
  EXPECT_TRUE(result.accuracy_missed);
  ASSERT_TRUE(a["advice"]["reached"]) << a.dump();
  const double advised = a["advice"]["step_size"][0];
  EXPECT_LT(advised, 30);
  json again = accuracy_of(curve_file("spline", advised, statements), 1e-4, &result);
  EXPECT_LE(again["largest"].get<double>(), 1e-4) << again.dump();
  EXPECT_TRUE(again["file_meets"]);
  EXPECT_FALSE(result.accuracy_missed);
}

TEST(Accuracy, AStatementFailingBetweenTwoSteps) {
  CheckResult result;
  json a = accuracy_of("step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 10\nstep_size1 = 1\ngeometry = spline\n"
                       "x = t\ny = 1/(t - 4.5)\n",
                       0.01, &result);
  ASSERT_EQ(a["fails_between_steps"].size(), 1u) << a.dump();
  const json& f = a["fails_between_steps"][0];
  EXPECT_EQ(f["line"], 7);
  EXPECT_EQ(f["status"], -12);
  EXPECT_EQ(f["at"]["t"], 4.5);
  EXPECT_EQ(f["before"]["t"], 4);
  EXPECT_EQ(f["after"]["t"], 5);
  EXPECT_FALSE(a["advice"]["reached"]);  // every step either lands on the pole or passes over it
  EXPECT_TRUE(result.accuracy_missed);
}

TEST(Accuracy, TheProgramExitsOneWhenTheFilesStepMisses) {
  std::string out;
  const std::string helix = std::string(KUVRA_EXAMPLES_DIR) + "/helix.eqn";
  EXPECT_EQ(run_checker("--accuracy --tol 0.1 " + helix, &out), 0) << out;
  EXPECT_NE(out.find("the file's own step meets --tol 0.1"), std::string::npos) << out;
  EXPECT_EQ(run_checker("--accuracy --tol 0.0001 " + helix, &out), 1) << out;
  EXPECT_NE(out.find("accuracy: write step_size1 = "), std::string::npos) << out;
  EXPECT_EQ(run_checker("--tol -1 " + helix, &out), 2) << out;
  EXPECT_EQ(run_checker("--accuracy " + std::string(KUVRA_EXAMPLES_DIR) + "/ellipse.eqn", &out), 0) << out;
  EXPECT_NE(out.find("accuracy: nothing is fitted for geometry = draw"), std::string::npos) << out;
}

}  // namespace
