// Closed curves and surfaces: points whose ends meet give a fit that meets itself and is C2 through
// its seam, an open set stays open, knot reduction keeps a closed curve closed, and the fit agrees
// with OpenCASCADE's periodic interpolation where that one is C2 too.
#include <gtest/gtest.h>

#include <GeomAPI_Interpolate.hxx>
#include <Geom_BSplineCurve.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_HArray1OfPnt.hxx>

#include <cmath>

#include "kernel/kernel.h"
#include "kernel/test_shapes.h"

namespace orv::kernel {
namespace {

double dist(const Point& a, const Point& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }
double len(const Point& a) { return std::hypot(a[0], a[1], a[2]); }

std::vector<Point> circle(int count) {  // count points, the last equal to the first
  std::vector<Point> pts;
  for (int k = 0; k < count; ++k) {
    const double a = 2 * M_PI * k / (count - 1);
    pts.push_back({5 * std::cos(a), 5 * std::sin(a), 0});
  }
  pts.back() = pts.front();
  return pts;
}

std::vector<Point> trefoil(int count) {
  std::vector<Point> pts;
  for (int k = 0; k < count; ++k) {
    const double a = 2 * M_PI * k / (count - 1);
    pts.push_back({std::sin(a) + 2 * std::sin(2 * a), std::cos(a) - 2 * std::cos(2 * a), -std::sin(3 * a)});
  }
  pts.back() = pts.front();
  return pts;
}

// Relative mismatch of the first and second derivatives at the two ends of a curve.
std::array<double, 2> seam_mismatch(const nb_type& nb) {
  const auto d = end_derivatives(nb);
  return {dist(d[0], d[2]) / std::max(len(d[0]), len(d[2])),
          dist(d[1], d[3]) / std::max(len(d[1]), len(d[3]))};
}

// The row i (along v) or column j (along u) of a surface's poles as a curve.
nb_type pole_line(const nb_type& s, bool along_v, int index) {
  nb_type c;
  c.udegree = along_v ? s.vdegree : s.udegree;
  c.uknots = along_v ? s.vknots : s.uknots;
  c.nu = along_v ? s.nv : s.nu;
  for (int k = 0; k < c.nu; ++k)
    c.poles.push_back(along_v ? s.poles[static_cast<size_t>(index) * s.nv + k]
                              : s.poles[static_cast<size_t>(k) * s.nv + index]);
  c.weights.assign(c.poles.size(), 1.0);
  return c;
}

TEST(ClosedFit, CurvesWhoseEndsMeetAreC2ThroughTheSeamAndOpenOnesStayOpen) {
  struct Case {
    const char* name;
    std::vector<Point> pts;
    bool closed;
  };
  const Case cases[] = {
      {"circle", circle(37), true},
      {"circle of 5", circle(5), true},
      {"trefoil", trefoil(60), true},
      {"helix", testing::helix(37, 1), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    nb_type nb;
    std::string err;
    ASSERT_TRUE(interpolate_curve(c.pts, nb, err)) << err;
    ASSERT_TRUE(check_curve(nb, err)) << err;
    EXPECT_EQ(curve_closed(nb), c.closed);
    const auto d = end_derivatives(nb);
    if (c.closed) {
      EXPECT_EQ(nb.poles.front(), nb.poles.back());
      const auto m = seam_mismatch(nb);
      EXPECT_LT(m[0], 1e-9);
      EXPECT_LT(m[1], 1e-9);
      // Not trivially so: the curve turns at the seam.
      EXPECT_GT(len(d[1]), 1.0);
    } else {
      // The natural ends: no bending at either end.
      EXPECT_LT(len(d[1]), 1e-9 * len(d[0]));
      EXPECT_LT(len(d[3]), 1e-9 * len(d[2]));
    }
    // Through every point, at the chord-length parameters.
    std::vector<double> t{0.0};
    for (size_t k = 1; k < c.pts.size(); ++k) t.push_back(t.back() + dist(c.pts[k], c.pts[k - 1]));
    for (size_t k = 0; k < c.pts.size(); ++k)
      EXPECT_LE(dist(evaluate_curve(nb, t[k] / t.back()), c.pts[k]), 1e-12 * model_size(c.pts)) << k;
  }
}

TEST(ClosedFit, EndsMeetWithinTheFitToleranceOnly) {
  for (double gap : {0.0, 4e-10, 1e-6}) {
    SCOPED_TRACE(gap);
    auto pts = circle(25);
    pts.back()[2] += gap * 10;  // the circle's size is 10
    nb_type nb;
    std::string err;
    ASSERT_TRUE(interpolate_curve(pts, nb, err)) << err;
    const bool closed = gap < 1e-9;
    EXPECT_EQ(nb.poles.front() == nb.poles.back(), closed);
    EXPECT_EQ(seam_mismatch(nb)[1] < 1e-6, closed);
  }
}

// OpenCASCADE's periodic interpolation doubles the knot at the seam, so its curvature jumps there;
// ours is C2 through the seam, and the two agree as the points get dense.
TEST(ClosedFit, ComparedWithOpenCascadesPeriodicInterpolation) {
  struct Case {
    int distinct;
    double agree;  // largest distance between the two curves, relative to the model size
  };
  for (const Case& c : {Case{9, 0.2}, Case{10, 0.2}, Case{120, 1e-4}}) {
    SCOPED_TRACE(c.distinct);
    const auto pts = trefoil(c.distinct + 1);
    nb_type ours;
    std::string err;
    ASSERT_TRUE(interpolate_curve(pts, ours, err)) << err;
    Handle(TColgp_HArray1OfPnt) arr = new TColgp_HArray1OfPnt(1, c.distinct);
    for (int k = 0; k < c.distinct; ++k) arr->SetValue(k + 1, gp_Pnt(pts[k][0], pts[k][1], pts[k][2]));
    GeomAPI_Interpolate occt(arr, Standard_True, 1e-12);
    occt.Perform();
    ASSERT_TRUE(occt.IsDone());
    Handle(Geom_BSplineCurve) theirs = occt.Curve();
    ASSERT_TRUE(theirs->IsPeriodic());
    // Both use chord lengths, the closing chord included; theirs are not normalised.
    const double a = theirs->FirstParameter(), b = theirs->LastParameter();
    double worst = 0.0;
    for (int k = 0; k <= 1000; ++k) {
      const double s = k / 1000.0;
      const gp_Pnt q = theirs->Value(a + s * (b - a));
      worst = std::max(worst, dist(evaluate_curve(ours, s), {q.X(), q.Y(), q.Z()}));
    }
    EXPECT_LT(worst, c.agree * model_size(pts));
    gp_Pnt p0, p1;
    gp_Vec d1a, d2a, d1b, d2b;
    theirs->D2(a, p0, d1a, d2a);
    theirs->D2(b, p1, d1b, d2b);
    EXPECT_EQ(theirs->Multiplicity(1), 2);
    EXPECT_GT((d2a - d2b).Magnitude() / d2a.Magnitude(), 1e-4);
    EXPECT_LT(seam_mismatch(ours)[1], 1e-9);
  }
}

TEST(ClosedFit, SurfacesCloseInEachDirectionWhoseEdgesMeet) {
  struct Case {
    const char* name;
    std::vector<Point> pts;
    int rows, cols;
    bool closed_u, closed_v;
  };
  std::vector<Point> cylinder;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 13; ++j) {
      const double a = 2 * M_PI * j / 12;
      cylinder.push_back({std::cos(a), std::sin(a), 0.5 * i});
    }
  const Case cases[] = {
      {"torus", testing::torus(19, 13), 19, 13, true, true},
      {"sphere", testing::sphere(9, 13), 9, 13, false, true},
      {"cylinder", cylinder, 5, 13, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    nb_type nb;
    std::string err;
    ASSERT_TRUE(interpolate_surface(c.pts, c.rows, c.cols, nb, err)) << err;
    ASSERT_TRUE(check_surface(nb, err)) << err;
    EXPECT_EQ(nb.udegree, 3);
    EXPECT_EQ(nb.vdegree, 3);
    // Along v: every row of poles is a curve; closed and C2 through the seam, or not.
    for (int i = 0; i < nb.nu; ++i) {
      const nb_type row = pole_line(nb, true, i);
      EXPECT_EQ(row.poles.front() == row.poles.back(), c.closed_v) << "row " << i;
      if (c.closed_v && len(end_derivatives(row)[1]) > 0) {
        EXPECT_LT(seam_mismatch(row)[1], 1e-9) << "row " << i;
      }
    }
    for (int j = 0; j < nb.nv; ++j) {
      const nb_type col = pole_line(nb, false, j);
      EXPECT_EQ(col.poles.front() == col.poles.back(), c.closed_u) << "column " << j;
      if (c.closed_u) {
        EXPECT_LT(seam_mismatch(col)[1], 1e-9) << "column " << j;
      }
    }
  }
  // The sphere's poles stay points: every pole of the first and last rows is the pole itself.
  nb_type sphere;
  std::string err;
  ASSERT_TRUE(interpolate_surface(testing::sphere(9, 13), 9, 13, sphere, err)) << err;
  for (int j = 0; j < sphere.nv; ++j) {
    EXPECT_LT(dist(sphere.poles[j], {0, 0, -1}), 1e-12);
    EXPECT_LT(dist(sphere.poles[static_cast<size_t>(sphere.nu - 1) * sphere.nv + j], {0, 0, 1}), 1e-12);
  }
}

TEST(ClosedFit, KnotReductionKeepsAClosedCurveClosedAndWithinTolerance) {
  nb_type full, reduced;
  std::string err;
  ASSERT_TRUE(interpolate_curve(trefoil(2001), full, err)) << err;
  const double tol = 1e-3;
  ASSERT_TRUE(reduce_knots(full, tol, reduced));
  EXPECT_LT(reduced.nu, full.nu / 4);
  EXPECT_TRUE(curve_closed(reduced));
  EXPECT_LE(deviation_bound(full, reduced), tol);
  EXPECT_LT(seam_mismatch(reduced)[0], 1e-9);  // the ends keep the original's tangent
}

}  // namespace
}  // namespace orv::kernel
