// The kernel's records against OpenCASCADE: conversion both ways keeps every number, and the
// kernel's evaluation of curves and surfaces (rational too) agrees with OpenCASCADE's.
#include <gtest/gtest.h>

#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>

#include "kernel/kernel.h"
#include "kernel/occt_convert.h"
#include "kernel/test_shapes.h"

namespace orv::kernel {
namespace {

double dist(const Point& a, const gp_Pnt& b) {
  return std::sqrt((a[0] - b.X()) * (a[0] - b.X()) + (a[1] - b.Y()) * (a[1] - b.Y()) +
                   (a[2] - b.Z()) * (a[2] - b.Z()));
}

void expect_same(const nb_type& a, const nb_type& b) {
  EXPECT_EQ(a.udegree, b.udegree);
  EXPECT_EQ(a.vdegree, b.vdegree);
  EXPECT_EQ(a.nu, b.nu);
  EXPECT_EQ(a.nv, b.nv);
  EXPECT_EQ(a.uknots, b.uknots);
  EXPECT_EQ(a.vknots, b.vknots);
  EXPECT_EQ(a.poles, b.poles);
  EXPECT_EQ(a.weights, b.weights);
}

TEST(OcctConvert, CurvesRoundTripAndEvaluateAlike) {
  nb_type helix;
  std::string err;
  ASSERT_TRUE(interpolate_curve(testing::helix(200, 3), helix, err)) << err;
  // A rational quarter circle (degree 2) with a double knot, joined to a line piece.
  nb_type arc;
  arc.udegree = 2;
  arc.nu = 5;
  arc.uknots = {0, 0, 0, 1, 1, 2, 2, 2};
  arc.poles = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {-0.5, 1, 0}, {-1, 1, 0}};
  arc.weights = {1, std::sqrt(0.5), 1, 1, 1};
  for (const nb_type& nb : {helix, arc}) {
    const auto c = to_occt_curve(nb);
    ASSERT_FALSE(c.IsNull());
    nb_type back;
    ASSERT_TRUE(from_occt_curve(c, back));
    expect_same(nb, back);
    const auto range = curve_range(nb);
    EXPECT_EQ(range[0], c->FirstParameter());
    EXPECT_EQ(range[1], c->LastParameter());
    for (int k = 0; k <= 1000; ++k) {
      const double t = range[0] + (range[1] - range[0]) * k / 1000.0;
      EXPECT_LE(dist(evaluate_curve(nb, t), c->Value(t)), 1e-13);
    }
  }
  // The rational arc really is a circle.
  for (int k = 0; k <= 100; ++k) {
    const Point p = evaluate_curve(arc, k / 100.0);
    EXPECT_NEAR(std::hypot(p[0], p[1]), 1.0, 1e-14);
  }
}

TEST(OcctConvert, SurfacesRoundTripAndEvaluateAlike) {
  nb_type torus;
  std::string err;
  ASSERT_TRUE(interpolate_surface(testing::torus(9, 12), 9, 12, torus, err)) << err;
  nb_type weighted = torus;
  weighted.weights[14] = 3.0;
  weighted.weights[40] = 0.5;
  for (const nb_type& nb : {torus, weighted}) {
    const auto s = to_occt_surface(nb);
    ASSERT_FALSE(s.IsNull());
    nb_type back;
    ASSERT_TRUE(from_occt_surface(s, back));
    expect_same(nb, back);
    for (int a = 0; a <= 40; ++a)
      for (int b = 0; b <= 40; ++b) {
        const double u = a / 40.0, v = b / 40.0;
        EXPECT_LE(dist(evaluate_surface(nb, u, v), s->Value(u, v)), 1e-13);
      }
  }
}

TEST(OcctConvert, MalformedRecordsGiveNullHandles) {
  nb_type bad = line_curve({0, 0, 0}, {1, 0, 0});
  bad.uknots = {0, 0, 0, 0};
  EXPECT_TRUE(to_occt_curve(bad).IsNull());
  EXPECT_TRUE(to_occt_surface(bad).IsNull());
  nb_type out;
  EXPECT_FALSE(from_occt_curve(nullptr, out));
  EXPECT_FALSE(from_occt_surface(nullptr, out));
}

}  // namespace
}  // namespace orv::kernel
