// Knot reduction: the reduced curve stays within the tolerance of the ORIGINAL curve everywhere
// (measured by dense sampling, independently of the kernel's own bound) with fewer poles than
// OpenCASCADE's knot removal keeps, and a curve that cannot be reduced is reported and left alone.
#include <gtest/gtest.h>

#include <Geom_BSplineCurve.hxx>

#include <cmath>
#include <random>

#include "kernel/kernel.h"
#include "kernel/occt_convert.h"
#include "kernel/test_shapes.h"

namespace orv::kernel {
namespace {

// max |a(t) - b(t)| sampled `per_span` times in every knot span of a, evaluated by OpenCASCADE so
// that the kernel's own evaluation is not what checks the kernel.
double sampled_deviation(const nb_type& a, const nb_type& b, int per_span) {
  const auto ca = to_occt_curve(a), cb = to_occt_curve(b);
  EXPECT_FALSE(ca.IsNull());
  EXPECT_FALSE(cb.IsNull());
  double worst = 0;
  for (int k = 1; k < ca->NbKnots(); ++k) {
    const double t0 = ca->Knot(k), t1 = ca->Knot(k + 1);
    for (int s = 0; s < per_span; ++s) {
      const double t = t0 + (t1 - t0) * s / per_span;
      const gp_Pnt p = ca->Value(t), q = cb->Value(t);
      worst = std::max(worst, p.Distance(q));
    }
  }
  return worst;
}

nb_type spline_through(const std::vector<Point>& pts) {
  nb_type nb;
  std::string err;
  EXPECT_TRUE(interpolate_curve(pts, nb, err)) << err;
  return nb;
}

TEST(ReduceKnots, StaysWithinToleranceOfTheOriginalAsAWhole) {
  struct Case {
    int points;
    double turns, tol;
  };
  for (const Case c : {Case{32001, 10, 1e-3}, Case{1000, 10, 1e-3}, Case{1000, 2, 1e-6}, Case{5000, 40, 1e-4}}) {
    SCOPED_TRACE(c.points);
    const nb_type original = spline_through(testing::helix(c.points, c.turns));
    nb_type reduced;
    ASSERT_TRUE(reduce_knots(original, c.tol, reduced));
    std::string err;
    ASSERT_TRUE(check_curve(reduced, err)) << err;
    EXPECT_LT(reduced.nu, original.nu / 4) << "a smooth helix reduces a lot";
    EXPECT_EQ(evaluate_curve(reduced, 0.0), evaluate_curve(original, 0.0));
    EXPECT_EQ(evaluate_curve(reduced, 1.0), evaluate_curve(original, 1.0));
    const double bound = deviation_bound(original, reduced);
    EXPECT_LE(bound, c.tol);
    const double sampled = sampled_deviation(original, reduced, c.points > 10000 ? 8 : 32);
    EXPECT_LE(sampled, c.tol);
    EXPECT_LE(sampled, bound * (1 + 1e-9)) << "the bound bounds";
    EXPECT_GT(sampled, c.tol / 100) << "and the reduction used its tolerance";
  }
}

// OpenCASCADE removes knots one at a time, each removal checked against the curve of the step before.
// At the same tolerance ours, bounded against the original as a whole, keeps markedly fewer poles.
TEST(ReduceKnots, ComparedWithOpenCascadesKnotByKnotRemoval) {
  const nb_type original = spline_through(testing::helix(1000, 10));
  for (double tol : {1e-2, 1e-3, 1e-4}) {
    SCOPED_TRACE(tol);
    Handle(Geom_BSplineCurve) theirs = to_occt_curve(original);
    for (bool removed = true; removed;) {  // sweeps until no knot can go
      removed = false;
      for (int k = 2; k < theirs->NbKnots(); ++k) removed = theirs->RemoveKnot(k, 0, tol) || removed;
    }
    nb_type ours;
    ASSERT_TRUE(reduce_knots(original, tol, ours));
    EXPECT_LE(sampled_deviation(original, ours, 16), tol);
    EXPECT_LT(ours.nu * 5, theirs->NbPoles() * 4) << ours.nu << " against " << theirs->NbPoles();
  }
}

TEST(ReduceKnots, SurvivesAKinkAndWildData) {
  // A square corner: the spline overshoots there; reduction keeps many knots near it, few on the
  // straight legs, and stays within tolerance.
  std::vector<Point> corner;
  for (int i = 0; i <= 200; ++i) corner.push_back({i / 200.0, 0, 0});
  for (int i = 1; i <= 200; ++i) corner.push_back({1, i / 200.0, 0});
  const nb_type a = spline_through(corner);
  nb_type r;
  ASSERT_TRUE(reduce_knots(a, 1e-4, r));
  EXPECT_LT(r.nu, a.nu / 2);
  EXPECT_LE(sampled_deviation(a, r, 32), 1e-4);
  // Random points: nothing can go at a tiny tolerance; the output is left alone.
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> coord(0, 1);
  std::vector<Point> noise;
  for (int i = 0; i < 300; ++i) noise.push_back({coord(rng), coord(rng), coord(rng)});
  const nb_type b = spline_through(noise);
  nb_type untouched;
  untouched.nu = 42;
  EXPECT_FALSE(reduce_knots(b, 1e-9, untouched));
  EXPECT_EQ(untouched.nu, 42);
}

TEST(ReduceKnots, RefusesWhatItCannotReduce) {
  nb_type out;
  out.nu = 42;
  const nb_type helix = spline_through(testing::helix(100, 1));
  nb_type rational = helix;
  rational.weights[5] = 2.0;
  nb_type line = line_curve({0, 0, 0}, {1, 1, 1});
  nb_type bent = spline_through({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});  // two spans, one would bulge
  EXPECT_FALSE(reduce_knots(rational, 1e-3, out));
  EXPECT_FALSE(reduce_knots(line, 1e-3, out));
  EXPECT_FALSE(reduce_knots(helix, 0.0, out));
  EXPECT_FALSE(reduce_knots(helix, std::nan(""), out));
  EXPECT_FALSE(reduce_knots(bent, 1e-6, out));
  EXPECT_FALSE(reduce_knots(nb_type{}, 1e-3, out));
  EXPECT_EQ(out.nu, 42);
}

TEST(DeviationBound, IsZeroForARefinementAndBoundsSampledDistance) {
  const nb_type coarse = spline_through(testing::helix(50, 2));
  // The same curve with knots inserted by OpenCASCADE: no deviation at all.
  auto c = to_occt_curve(coarse);
  for (int k = 1; k < 40; ++k) c->InsertKnot(k / 40.0 + 0.003, 1);
  c->InsertKnot(0.5, 2);
  nb_type fine;
  ASSERT_TRUE(from_occt_curve(c, fine));
  EXPECT_LE(deviation_bound(fine, coarse), 1e-12);
  // A perturbed fine curve: the bound is at least what sampling sees, and not wildly more.
  nb_type moved = fine;
  moved.poles[20][1] += 0.01;
  moved.poles[30][2] -= 0.02;
  const double bound = deviation_bound(moved, coarse);
  const double sampled = sampled_deviation(moved, coarse, 64);
  EXPECT_GE(bound, sampled);
  EXPECT_LE(bound, 0.0201);
  // Knots of b that a lacks, or another degree: no comparison.
  EXPECT_TRUE(std::isinf(deviation_bound(coarse, fine)));
  EXPECT_TRUE(std::isinf(deviation_bound(coarse, line_curve({0, 0, 0}, {1, 0, 0}))));
}

}  // namespace
}  // namespace orv::kernel

namespace orv::kernel {
namespace {

// A closed circle through 37 points, 10 degrees apart, of radius r.
std::vector<Point> circle_points(double r) {
  std::vector<Point> pts;
  for (int k = 0; k <= 36; ++k) pts.push_back({r * std::cos(k * M_PI / 18), r * std::sin(k * M_PI / 18), 0});
  pts.back() = pts.front();
  return pts;
}

// The smallest and largest distance from the origin of the curve, relative to r, less 1.
std::array<double, 2> radius_error(const nb_type& nb, double r) {
  const auto c = to_occt_curve(nb);
  double lo = 1e300, hi = 0;
  for (int k = 0; k <= 20000; ++k) {
    const gp_Pnt p = c->Value(c->FirstParameter() + (c->LastParameter() - c->FirstParameter()) * k / 20000);
    lo = std::min(lo, std::hypot(p.X(), p.Y()));
    hi = std::max(hi, std::hypot(p.X(), p.Y()));
  }
  return {lo / r - 1, hi / r - 1};
}

// The user's absolute tolerance is also bounded by the curve's size: a circle of 1 micrometre keeps
// its radius within 0.1% as one of a metre does, at the default tolerance, where an absolute 0.001 mm
// alone once made it a segment out and back.
TEST(ReduceKnots, ASmallCurveKeepsItsShape) {
  for (const double r : {1e-6, 1e-4, 1e-3, 1e-2, 1.0, 1e3}) {
    SCOPED_TRACE(r);
    const nb_type original = spline_through(circle_points(r));
    nb_type reduced;
    const bool removed = reduce_knots(original, 1e-3, reduced);
    const nb_type& kept = removed ? reduced : original;
    const auto err = radius_error(kept, r);
    EXPECT_GT(err[0], -1e-3);
    EXPECT_LT(err[1], 1e-3);
    EXPECT_LE(sampled_deviation(original, kept, 32), shape_tolerance(1e-3, original.poles) * (1 + 1e-9));
  }
  // The bound is the smaller of the two: a large curve is held by the absolute tolerance.
  EXPECT_DOUBLE_EQ(shape_tolerance(1e-3, {{0, 0, 0}, {3e3, 4e3, 0}}), 1e-3);
  EXPECT_DOUBLE_EQ(shape_tolerance(1e-3, {{0, 0, 0}, {3, 4, 0}}), 5 * kShapeRel);
  EXPECT_DOUBLE_EQ(shape_tolerance(1e-3, {{1, 1, 1}}), 1e-3);
}

// A closed curve reduced keeps its first and second derivatives at the seam, so it stays C2 there
// as the fit through its points is: the circle and a cam whose curvature varies.
TEST(ReduceKnots, AReducedClosedCurveStaysC2AtItsSeam) {
  std::vector<Point> cam;
  for (int k = 0; k <= 72; ++k) {
    const double t = k * M_PI / 36, r = 20 + 20 * std::pow((1 - std::cos(t)) / 2, 2);
    cam.push_back({r * std::cos(t), r * std::sin(t), 0});
  }
  cam.back() = cam.front();
  for (const auto& pts : {circle_points(10), cam}) {
    const nb_type original = spline_through(pts);
    ASSERT_TRUE(curve_closed(original));
    nb_type reduced;
    ASSERT_TRUE(reduce_knots(original, 1e-3, reduced));
    EXPECT_LT(reduced.nu, original.nu);
    EXPECT_TRUE(curve_closed(reduced));
    const auto d = end_derivatives(reduced);
    const double first = std::hypot(d[0][0], d[0][1], d[0][2]), second = std::hypot(d[1][0], d[1][1], d[1][2]);
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(d[0][c], d[2][c], 1e-9 * first) << "tangent, coordinate " << c;
      EXPECT_NEAR(d[1][c], d[3][c], 1e-9 * second) << "second derivative, coordinate " << c;
    }
    EXPECT_LE(sampled_deviation(original, reduced, 32), 1e-3);
  }
}

}  // namespace
}  // namespace orv::kernel
