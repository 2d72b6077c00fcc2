// The kernel's open curve fit beside OpenCASCADE's interpolation of the same points: both pass
// through every point and agree away from the ends, but only ours has free ends (no bending at the
// first and last point), which is what a plotted spline is asked to have.
#include <gtest/gtest.h>

#include <GeomAPI_Interpolate.hxx>
#include <Geom_BSplineCurve.hxx>
#include <TColgp_HArray1OfPnt.hxx>

#include <algorithm>
#include <cmath>

#include "kernel/kernel.h"
#include "kernel/test_shapes.h"

namespace orv::kernel {
namespace {

double dist(const Point& a, const Point& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }
double len(const Point& a) { return std::hypot(a[0], a[1], a[2]); }

TEST(OpenFit, ComparedWithOpenCascadesInterpolation) {
  for (int count : {12, 60, 400}) {
    SCOPED_TRACE(count);
    const std::vector<Point> pts = testing::helix(count, 2.0);
    nb_type ours;
    std::string err;
    ASSERT_TRUE(interpolate_curve(pts, ours, err)) << err;
    Handle(TColgp_HArray1OfPnt) arr = new TColgp_HArray1OfPnt(1, count);
    for (int k = 0; k < count; ++k) arr->SetValue(k + 1, gp_Pnt(pts[k][0], pts[k][1], pts[k][2]));
    GeomAPI_Interpolate occt(arr, Standard_False, 1e-12);
    occt.Perform();
    ASSERT_TRUE(occt.IsDone());
    Handle(Geom_BSplineCurve) theirs = occt.Curve();
    const double a = theirs->FirstParameter(), b = theirs->LastParameter();
    const double size = model_size(pts);

    // Both through every point, at the same (chord-length) parameters once theirs are normalised.
    const std::vector<double>& knots = ours.uknots;
    for (int k = 0; k < count; ++k) {
      const double t = knots[static_cast<size_t>(k) + 3];  // clamped cubic: the point parameters
      const gp_Pnt q = theirs->Value(a + t * (b - a));
      EXPECT_LT(dist(evaluate_curve(ours, t), pts[k]), fit_tolerance(pts)) << k;
      EXPECT_LT(dist({q.X(), q.Y(), q.Z()}, pts[k]), 1e-9 * size) << k;
    }

    // Away from the ends (the middle half) the two differ only by what the end conditions spread.
    double middle = 0.0;
    for (int k = 250; k <= 750; ++k) {
      const double s = k / 1000.0;
      const gp_Pnt q = theirs->Value(a + s * (b - a));
      middle = std::max(middle, dist(evaluate_curve(ours, s), {q.X(), q.Y(), q.Z()}));
    }
    EXPECT_LT(middle, (count >= 60 ? 1e-6 : 1e-2) * size);

    // Bending at the ends, as |C''| / |C'|^2 times the model size (the helix's own is about 2):
    // none in ours, the helix's full share in theirs.
    const std::array<Point, 4> d = end_derivatives(ours);
    EXPECT_LT(len(d[1]) / (len(d[0]) * len(d[0])) * size, 1e-6);
    EXPECT_LT(len(d[3]) / (len(d[2]) * len(d[2])) * size, 1e-6);
    for (double u : {a, b}) {
      gp_Pnt p;
      gp_Vec d1, d2;
      theirs->D2(u, p, d1, d2);
      EXPECT_GT(d2.Magnitude() / d1.SquareMagnitude() * size, 1.0) << u;
    }
  }
}

}  // namespace
}  // namespace orv::kernel
