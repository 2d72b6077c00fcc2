// Measuring: what the pointer snaps to (marks and ends before the curve between them, a stored point
// before its mark, nothing beyond the radius), the entity under the pointer, a curve's length from
// its exact form, an entity's box, and the numbers as the frame writes them.
#include <gtest/gtest.h>

#include <cmath>
#include <clocale>

#include "view/measure.h"
#include "view/test_shapes.h"

namespace orv::view {
namespace {

// A top view of 800 x 800 pixels over the square [0, 10] x [0, 10]: 10 model units are
// 800 * (1 - 2 * 0.06) = 704 pixels, the model's (0, 0) at the lower left.
Viewport top_view() {
  Box2 content;
  content.add({0, 0});
  content.add({10, 10});
  return Viewport(content, 0, 0, 800, 800, 0.06, 1.0, Camera::named(NamedView::Top));
}

TEST(Snap, MarksAndEndsComeBeforeTheCurveAndNothingBeyondTheRadius) {
  Scene s;
  s.curves.push_back({10, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, 7});  // a curve of entity 7
  s.marks.push_back({{5, 0, 0}, 14, false, 0});                       // a screen mark on it
  s.marks.push_back({{0, 10, 0}, 14, false, 0});
  s.marks.push_back({{0, 10, 0}, 14, true, 9});  // a stored point at the same place as a mark
  const Viewport vp = top_view();
  auto at = [&vp](double x, double y, double dx = 0, double dy = 0) {
    const P2 d = vp.to_device(Vec3{x, y, 0});
    return P2{d.x + dx, d.y + dy};
  };
  // Near the mark in the middle of the curve: the mark, exactly, not the curve under the pointer.
  Snap m = snap_at(s, vp, at(5, 0, 4, -3), 12);
  EXPECT_EQ(m.kind, Snap::Kind::Mark);
  EXPECT_EQ(m.at, (Point{5, 0, 0}));
  EXPECT_NEAR(m.pixels, 5, 1e-9);
  // Near the curve's end: the end, and the curve's entity.
  Snap end = snap_at(s, vp, at(10, 10, -6, 5), 12);
  EXPECT_EQ(end.kind, Snap::Kind::CurveEnd);
  EXPECT_EQ(end.at, (Point{10, 10, 0}));
  EXPECT_EQ(end.entity, 7);
  // The stored point wins over the screen mark drawn with it.
  Snap point = snap_at(s, vp, at(0, 10, 2, 2), 12);
  EXPECT_EQ(point.kind, Snap::Kind::Point);
  EXPECT_EQ(point.entity, 9);
  // Between marks and ends: the point of the curve nearest the pointer, in model space.
  Snap on = snap_at(s, vp, at(10, 3, 7, 0), 12);
  EXPECT_EQ(on.kind, Snap::Kind::OnCurve);
  EXPECT_NEAR(on.at[0], 10, 1e-12);
  EXPECT_NEAR(on.at[1], 3, 1e-12);
  EXPECT_EQ(on.entity, 7);
  EXPECT_NEAR(on.pixels, 7, 1e-9);
  // Just beyond the radius from everything: nothing.
  EXPECT_EQ(snap_at(s, vp, at(5, 5), 12).kind, Snap::Kind::None);
  EXPECT_EQ(snap_at(s, vp, at(10, 3, 12.5, 0), 12).kind, Snap::Kind::None);
  EXPECT_EQ(snap_at(s, vp, at(10, 3, 11.5, 0), 12).kind, Snap::Kind::OnCurve);
  EXPECT_EQ(snap_at(Scene{}, vp, at(5, 5), 12).kind, Snap::Kind::None);
  // Screen marks that are not drawn (many over a surface) are not aimed at; stored points still are.
  EXPECT_EQ(snap_at(s, vp, at(5, 0, 4, -3), 12, false).kind, Snap::Kind::OnCurve);
  EXPECT_EQ(snap_at(s, vp, at(0, 10, 2, 2), 12, false).kind, Snap::Kind::Point);
}

TEST(Snap, WhereNoCurveIsThePointerTakesTheNearestSurface) {
  GeometryDatabase db;
  db.add(shapes::square(0, 0, 4, 0, 10));  // id 1, low
  db.add(shapes::square(2, 2, 4, 1, 12));  // id 2, higher, overlapping the first at [2, 4]^2
  db.add(shapes::line(8, 0, 0, 8, 10, 0));  // id 3
  Detail d;
  d.facets = true;
  const Scene s = make_scene(db, d);
  const Viewport vp = top_view();
  auto at = [&vp](double x, double y) { return vp.to_device(Vec3{x, y, 0}); };
  EXPECT_EQ(entity_at(s, vp, at(1, 1), 12), 1);
  EXPECT_EQ(entity_at(s, vp, at(3, 3), 12), 2) << "the higher square is nearer the viewer from the top";
  EXPECT_EQ(entity_at(s, vp, at(5, 5), 12), 2);
  EXPECT_EQ(entity_at(s, vp, at(8.05, 5), 12), 3) << "the line, within the radius";
  EXPECT_EQ(entity_at(s, vp, at(7, 9), 12), 0) << "nothing there";
  // The point under the pointer on the nearest surface, in model space.
  const Snap on = snap_at(s, vp, at(3.5, 2.25), 12);
  EXPECT_EQ(on.kind, Snap::Kind::OnSurface);
  EXPECT_NEAR(on.at[0], 3.5, 1e-9);
  EXPECT_NEAR(on.at[1], 2.25, 1e-9);
  EXPECT_NEAR(on.at[2], 1, 1e-12);
}

// The unit circle as an exact rational quadratic curve of radius r about the origin.
EntityData circle(double r) {
  EntityData e;
  e.kind = ENT_NURBS_CURVE;
  e.color = 10;
  e.level = 1;
  const double s = std::sqrt(0.5);
  const double cx[9] = {1, 1, 0, -1, -1, -1, 0, 1, 1}, cy[9] = {0, 1, 1, 1, 0, -1, -1, -1, 0};
  const double cw[9] = {1, s, 1, s, 1, s, 1, s, 1};
  e.nb.udegree = 2;
  e.nb.nu = 9;
  e.nb.uknots = {0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1};
  for (int i = 0; i < 9; ++i) {
    e.nb.poles.push_back({r * cx[i], r * cy[i], 0});
    e.nb.weights.push_back(cw[i]);
  }
  return e;
}

TEST(Measure, LengthsAndBoxesOfEachKind) {
  GeometryDatabase db;
  db.add(circle(3));                         // 1
  db.add(shapes::line(1, 2, 3, 4, 6, 3));    // 2: length 5
  db.add(shapes::point(1, -2, 7));           // 3
  db.add(shapes::torus(2.0, 0.7, 11));       // 4
  Measures m;
  ASSERT_TRUE(measure_entity(db, 1, m));
  EXPECT_EQ(m.kind, "NURB curve");
  ASSERT_TRUE(m.has_length);
  EXPECT_NEAR(m.length, 2 * M_PI * 3, 2 * M_PI * 3 * 1e-6) << "the exact circle's length";
  EXPECT_LT(m.length, 2 * M_PI * 3) << "chords fall short of the arc";
  EXPECT_NEAR(m.box.lo[0], -3, 1e-9);
  EXPECT_NEAR(m.box.hi[1], 3, 1e-9);
  ASSERT_TRUE(measure_entity(db, 2, m));
  EXPECT_EQ(m.kind, "line");
  EXPECT_DOUBLE_EQ(m.length, 5);
  EXPECT_EQ(measures_text(m), "line 2 \u00b7 length 5 mm \u00b7 box 3 \u00d7 4 \u00d7 0 mm");
  ASSERT_TRUE(measure_entity(db, 3, m));
  EXPECT_FALSE(m.has_length);
  EXPECT_EQ(measures_text(m), "point 3 \u00b7 box 0 \u00d7 0 \u00d7 0 mm");
  ASSERT_TRUE(measure_entity(db, 4, m));
  EXPECT_EQ(m.kind, "NURB surface");
  EXPECT_FALSE(m.has_length);
  // The torus reaches R + r round the axis and r above and below it.
  EXPECT_NEAR(m.box.hi[0], 2.7, 1e-3);
  EXPECT_NEAR(m.box.lo[1], -2.7, 1e-3);
  EXPECT_NEAR(m.box.hi[2], 0.7, 1e-3);
  EXPECT_NEAR(m.box.lo[2], -0.7, 1e-3);
  EXPECT_FALSE(measure_entity(db, 5, m)) << "no such entity";
  EXPECT_FALSE(measure_entity(db, 0, m));
}

TEST(Measure, NumbersAreWrittenAlikeInEveryLocale) {
  struct Case {
    double v;
    const char* text;
  } cases[] = {{3, "3"}, {-0.00001, "0"}, {12.5, "12.5"}, {-0.0013, "-0.0013"}, {1234.56789, "1234.5679"},
               {2.5e8, "2.5000e+08"}, {NAN, "nan"}};
  const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // a comma locale, where installed
  for (const Case& c : cases) EXPECT_EQ(coordinate_text(c.v), c.text) << c.v;
  Snap s{Snap::Kind::CurveEnd, {3, -0.5, 0}, 1, 0};
  EXPECT_EQ(snap_text(s), "x 3  y -0.5  z 0 mm \u00b7 end");
  EXPECT_EQ(snap_text(Snap{}), "");
  if (old) std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace orv::view
