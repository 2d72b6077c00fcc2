// The isometric view, the fit, the palette and the scene built from a database.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include "view/palette.h"
#include "view/projection.h"
#include "view/scene.h"
#include "view/test_shapes.h"

namespace orv::view {
namespace {

// Where the unit points of the three axes land in each named view (view-plane x right, y up), and
// their depth (positive: toward the viewer).
TEST(Views, UnitPointsOfTheAxesLandWhereACadUserExpects) {
  const double a = std::sqrt(0.5), b = 1 / std::sqrt(6.0), c = 1 / std::sqrt(3.0);
  struct Case {
    NamedView view;
    P2 x, y, z;
    double dx, dy, dz;
  } cases[] = {
      // Z-up isometric from above: x to the lower right, y to the upper right, z straight up.
      {NamedView::Isometric, {a, -b}, {a, b}, {0, 2 * b}, c, -c, c},
      {NamedView::Top, {1, 0}, {0, 1}, {0, 0}, 0, 0, 1},
      {NamedView::Bottom, {1, 0}, {0, -1}, {0, 0}, 0, 0, -1},
      {NamedView::Front, {1, 0}, {0, 0}, {0, 1}, 0, -1, 0},
      {NamedView::Back, {-1, 0}, {0, 0}, {0, 1}, 0, 1, 0},
      {NamedView::Left, {0, 0}, {-1, 0}, {0, 1}, -1, 0, 0},
      {NamedView::Right, {0, 0}, {1, 0}, {0, 1}, 1, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(view_name(k.view));
    Camera cam = Camera::named(k.view);
    const P2 got[3] = {cam.project({1, 0, 0}), cam.project({0, 1, 0}), cam.project({0, 0, 1})};
    const P2 want[3] = {k.x, k.y, k.z};
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(got[i].x, want[i].x, 1e-12) << "axis " << i;
      EXPECT_NEAR(got[i].y, want[i].y, 1e-12) << "axis " << i;
    }
    EXPECT_NEAR(cam.depth({1, 0, 0}), k.dx, 1e-12);
    EXPECT_NEAR(cam.depth({0, 1, 0}), k.dy, 1e-12);
    EXPECT_NEAR(cam.depth({0, 0, 1}), k.dz, 1e-12);
    // A view never mirrors: a counter-clockwise turn in XY stays counter-clockwise seen from above
    // (the top side toward the viewer) and clockwise from below.
    const P2 o = cam.project({0, 0, 0});
    const double turn = (got[0].x - o.x) * (got[1].y - o.y) - (got[0].y - o.y) * (got[1].x - o.x);
    EXPECT_NEAR(turn, cam.depth({0, 0, 1}), 1e-12);
  }
  EXPECT_NEAR(iso_project({0, 0, 1}).y, 2 * b, 1e-12);
}

TEST(Views, NamesReadInAnyCaseAndUnknownOnesAreRefused) {
  for (const char* n : {"top", "bottom", "front", "back", "left", "right", "isometric"}) {
    std::optional<NamedView> v = parse_view_name(n);
    ASSERT_TRUE(v) << n;
    EXPECT_STREQ(view_name(*v), n);
    EXPECT_EQ(Camera::named(*v).name, n);
  }
  EXPECT_EQ(parse_view_name("ISOMETRIC"), NamedView::Isometric);
  EXPECT_FALSE(parse_view_name("iso"));
  EXPECT_FALSE(parse_view_name(""));
  EXPECT_FALSE(parse_view_name("top "));
}

bool same_camera(const Camera& a, const Camera& b, double tol = 1e-9) {
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(a.right[i] - b.right[i]) > tol || std::fabs(a.up[i] - b.up[i]) > tol ||
        std::fabs(a.toward[i] - b.toward[i]) > tol)
      return false;
  }
  return true;
}

TEST(Views, TurningGoesRoundAndReachesTheOtherViews) {
  const Camera front = Camera::named(NamedView::Front);
  // The content turned a quarter to the right: the camera now looks at it from the left.
  EXPECT_TRUE(same_camera(front.turned(90, 0), Camera::named(NamedView::Left)));
  EXPECT_TRUE(same_camera(front.turned(-90, 0), Camera::named(NamedView::Right)));
  EXPECT_TRUE(same_camera(front.turned(0, 90), Camera::named(NamedView::Top)));
  EXPECT_TRUE(same_camera(front.turned(0, -90), Camera::named(NamedView::Bottom)));
  EXPECT_EQ(front.turned(15, 0).name, "turned");
  EXPECT_EQ(front.turned(0, 0).name, "front");
  // Many small turns stay a rotation (orthonormal, right-handed) and come back home.
  Camera c = Camera::named(NamedView::Isometric);
  for (int i = 0; i < 24; ++i) c = c.turned(15, 0);
  for (int i = 0; i < 24; ++i) c = c.turned(0, 15);
  EXPECT_TRUE(same_camera(c, Camera::named(NamedView::Isometric), 1e-9));
}

TEST(Views, FramedZoomsAndPansTheContentBox) {
  Box2 b;
  b.add({0, 0});
  b.add({10, 4});
  Box2 z = framed(b, 2, {0, 0});
  EXPECT_DOUBLE_EQ(z.x0, 2.5);
  EXPECT_DOUBLE_EQ(z.x1, 7.5);
  EXPECT_DOUBLE_EQ(z.y0, 1);
  EXPECT_DOUBLE_EQ(z.y1, 3);
  Box2 p = framed(b, 1, {0.1, -0.2});  // in fractions of the larger side (10)
  EXPECT_DOUBLE_EQ(p.x0, 1);
  EXPECT_DOUBLE_EQ(p.y0, -2);
  EXPECT_TRUE(framed(Box2{}, 2, {1, 1}).empty());
  Box2 bad = framed(b, 0, {0, 0});  // an unusable zoom is no zoom
  EXPECT_DOUBLE_EQ(bad.x1, 10);
}

TEST(Views, TheWheelZoomsAboutThePointUnderThePointer) {
  Box2 b;
  b.add({0, 0});
  b.add({10, 4});
  const Camera top = Camera::named(NamedView::Top);
  for (const P2 pan : {P2{0, 0}, P2{0.2, -0.1}}) {
    const Viewport before(framed(b, 1.5, pan), 0, 0, 800, 500, 0.06, 1.0, top);
    const P2 pointer{620, 130};
    const P2 at = before.to_view(pointer);
    EXPECT_NEAR(before.to_device(at).x, pointer.x, 1e-9) << "to_view undoes to_device";
    EXPECT_NEAR(before.to_device(at).y, pointer.y, 1e-9);
    for (const double zoom : {1.5 * 1.25, 1.5 / 1.25, 40.0}) {
      const P2 moved = pan_keeping(b, 1.5, zoom, pan, at);
      const Viewport after(framed(b, zoom, moved), 0, 0, 800, 500, 0.06, 1.0, top);
      const P2 d = after.to_device(at);
      EXPECT_NEAR(d.x, pointer.x, 1e-6) << zoom;
      EXPECT_NEAR(d.y, pointer.y, 1e-6) << zoom;
      EXPECT_NEAR(after.scale() / before.scale(), zoom / 1.5, 1e-9);
    }
  }
  // The centre stays the centre; nothing to frame leaves the pan alone.
  const P2 centre = pan_keeping(b, 1, 2, {0, 0}, {5, 2});
  EXPECT_NEAR(centre.x, 0, 1e-12);
  EXPECT_NEAR(centre.y, 0, 1e-12);
  EXPECT_EQ(pan_keeping(Box2{}, 1, 2, {0.3, 0.1}, {5, 2}).x, 0.3);
}

TEST(Views, AFlatPartOpensSquareToItsPlaneAndAnythingElseTrimetric) {
  auto ring = [](auto place) {
    std::vector<Point> pts;
    for (int i = 0; i <= 36; ++i) {
      const double a = i * M_PI / 18;
      pts.push_back(place(3 * std::cos(a), 2 * std::sin(a)));
    }
    return pts;
  };
  struct Case {
    const char* what;
    std::vector<Point> pts;
    const char* view;
  } cases[] = {
      {"an ellipse at z = 5", ring([](double a, double b) { return Point{a, b, 5}; }), "top"},
      {"an ellipse at y = -2", ring([](double a, double b) { return Point{a, -2, b}; }), "front"},
      {"an ellipse at x = 7", ring([](double a, double b) { return Point{7, a, b}; }), "right"},
      {"an ellipse in the plane x + y + z = 1",
       ring([](double a, double b) {
         // Two orthogonal directions in the plane whose normal is (1, 1, 1).
         const double s2 = std::sqrt(0.5), s6 = std::sqrt(1.0 / 6);
         return Point{1.0 / 3 + a * s2 + b * s6, 1.0 / 3 - a * s2 + b * s6, 1.0 / 3 - 2 * b * s6};
       }),
       "normal"},
      {"the same ellipse a million millimetres out",
       ring([](double a, double b) {
         const double s2 = std::sqrt(0.5), s6 = std::sqrt(1.0 / 6);
         return Point{1e6 + a * s2 + b * s6, 1e6 - a * s2 + b * s6, 1e6 - 2 * b * s6};
       }),
       "normal"},
      {"an ellipse at z = 5 but one point a thousandth off it",
       [&] {
         std::vector<Point> pts = ring([](double a, double b) { return Point{a, b, 5}; });
         pts.push_back({0.5, 0.5, 5.001});
         return pts;
       }(),
       "trimetric"},
      {"an ellipse at z = 5 but one point 2.5e-5 off it (beyond a millionth of its size)",
       [&] {
         std::vector<Point> pts = ring([](double a, double b) { return Point{a, b, 5}; });
         pts.push_back({0.5, 0.5, 5.000025});
         return pts;
       }(),
       "trimetric"},
      {"a helix", {{1, 0, 0}, {0, 1, 0.25}, {-1, 0, 0.5}, {0, -1, 0.75}}, "trimetric"},
      {"a vertical line", {{0, 0, 0}, {0, 0, 1}}, "trimetric"},
      {"a line in XY", {{0, 0, 0}, {4, 1, 0}}, "top"},
  };
  for (const Case& c : cases) {
    Scene s;
    s.curves.push_back({10, c.pts});
    const Camera cam = default_camera(s);
    EXPECT_EQ(cam.name, c.view) << c.what;
    if (cam.name == std::string("normal")) {
      // Looking along the plane's normal, from the side the trimetric view looks from, z up.
      const double k = 1 / std::sqrt(3.0);
      EXPECT_NEAR(cam.toward[0], k, 1e-9);
      EXPECT_NEAR(cam.toward[1], k, 1e-9);
      EXPECT_NEAR(cam.toward[2], k, 1e-9);
      EXPECT_GT(cam.up[2], 0);
      EXPECT_NEAR(cam.right[2], 0, 1e-12) << "level";
    }
  }
  // The saddle: a surface, symmetric about the diagonals, is seen from off them.
  const Camera tri = Camera::named(NamedView::Trimetric);
  EXPECT_EQ(tri.name, "trimetric");
  EXPECT_GT(std::fabs(std::fabs(tri.toward[0]) - std::fabs(tri.toward[1])), 0.2);
  const double x = std::hypot(tri.right[0], tri.up[0]), y = std::hypot(tri.right[1], tri.up[1]),
               z = std::hypot(tri.right[2], tri.up[2]);
  EXPECT_GT(std::fabs(x - y), 0.1) << "each axis shortened by another amount";
  EXPECT_GT(std::fabs(y - z), 0.1);
  EXPECT_GT(std::fabs(x - z), 0.02);
  EXPECT_EQ(default_camera(Scene{}).name, "trimetric");
  EXPECT_EQ(parse_view_name("Trimetric"), NamedView::Trimetric);
}

TEST(Scene, TheGroundGridLiesUnderTheContentInRoundSteps) {
  Box3 box;
  box.add({-30, -30, -10});
  box.add({40, 25, 10});
  const GroundGrid g = ground_grid(box);
  EXPECT_DOUBLE_EQ(g.spacing, 5) << "a tenth of 70 is 7: the round length below it";
  EXPECT_DOUBLE_EQ(g.z, -10);
  // x from -30 to 40 (15 lines), y from -30 to 25 (12 lines), each across the whole grid.
  ASSERT_EQ(g.lines.size(), 15u + 12u);
  for (const auto& l : g.lines) {
    EXPECT_DOUBLE_EQ(l[0][2], -10);
    EXPECT_TRUE(l[0][0] == l[1][0] || l[0][1] == l[1][1]) << "along x or along y";
  }
  EXPECT_DOUBLE_EQ(g.lines.front()[0][0], -30);
  EXPECT_DOUBLE_EQ(g.lines[14][0][0], 40);
  // Bounds between the lines are widened to whole steps.
  Box3 odd;
  odd.add({0.3, 0.1, 2});
  odd.add({1.7, 0.9, 2});
  const GroundGrid small = ground_grid(odd);
  EXPECT_DOUBLE_EQ(small.spacing, 0.1);
  EXPECT_NEAR(small.lines.front()[0][0], 0.3, 1e-12);
  EXPECT_NEAR(small.lines.front()[0][1], 0.1, 1e-12);
  // Nothing, or nothing across: no grid.
  EXPECT_EQ(ground_grid(Box3{}).spacing, 0);
  Box3 line;
  line.add({1, 1, 0});
  line.add({1, 1, 5});
  EXPECT_TRUE(ground_grid(line).lines.empty());
}

TEST(Scene, FlatInXyOnlyWhenEveryPointHasOneHeight) {
  struct Case {
    const char* what;
    std::vector<Point> pts;
    bool flat;
  } cases[] = {
      {"a profile at z = 5", {{0, 0, 5}, {10, 3, 5}, {4, 8, 5}}, true},
      {"a profile at z = 0", {{0, 0, 0}, {1, 1, 0}}, true},
      {"rounding noise", {{0, 0, 1}, {100, 0, 1 + 1e-12}}, true},
      {"a helix", {{1, 0, 0}, {0, 1, 0.25}}, false},
      {"a vertical line", {{0, 0, 0}, {0, 0, 1}}, false},
  };
  for (const Case& c : cases) {
    Scene s;
    s.curves.push_back({10, c.pts});
    EXPECT_EQ(s.flat_in_xy(), c.flat) << c.what;
  }
  EXPECT_FALSE(Scene{}.flat_in_xy());
}

TEST(Scene, SurfaceFacetsFollowTheIsoCurves) {
  GeometryDatabase db;
  db.add(shapes::torus(2.0, 0.7, 11));
  Detail d;
  d.facets = true;
  Scene s = make_scene(db, d);
  EXPECT_TRUE(s.surfaces.empty());  // facets instead of iso-curves
  ASSERT_FALSE(s.facets.empty());
  EXPECT_LE(s.facets.size(), static_cast<std::size_t>(d.max_facet_steps * d.max_facet_steps));
  // Every facet lies on the torus; the marked sides are as many as the iso-curves' pieces.
  int marked = 0;
  for (const Facet& f : s.facets) {
    for (const Point& p : f.p) {
      double ring = std::hypot(p[0], p[1]) - 2.0;
      ASSERT_NEAR(std::hypot(ring, p[2]), 0.7, 1e-9);
    }
    for (int i = 0; i < 4; ++i) marked += (f.edges >> i) & 1;
  }
  std::vector<std::vector<Point>> iso = surface_iso_curves(db.entities()[0]->nb(), d);
  const std::size_t steps = static_cast<std::size_t>(std::sqrt(static_cast<double>(s.facets.size())));
  // Each iso-curve runs along `steps` facets; inner ones are shared by two facets.
  EXPECT_GE(static_cast<std::size_t>(marked), iso.size() * steps);
  EXPECT_LE(static_cast<std::size_t>(marked), 2 * iso.size() * steps);
  EXPECT_EQ(Box3().size()[0], 0);
  Point size = s.model_bounds().size();
  EXPECT_NEAR(size[0], 5.4, 1e-9);
  EXPECT_NEAR(size[2], 1.4, 1e-9);
}

TEST(Viewport, FitsContentCentredWithinTheMargin) {
  Box2 b;
  b.add({-2, -1});
  b.add({6, 3});  // 8 x 4, wider than tall
  Viewport vp(b, 10, 20, 200, 200, 0.1);
  P2 lo = vp.to_device(P2{-2, -1}), hi = vp.to_device(P2{6, 3});
  EXPECT_NEAR(lo.x, 30, 1e-9);  // 10 + margin 20
  EXPECT_NEAR(hi.x, 190, 1e-9);
  EXPECT_NEAR((lo.y + hi.y) / 2, 120, 1e-9);  // centred vertically
  EXPECT_GT(lo.y, hi.y);                       // device y points down
  EXPECT_NEAR(lo.y - hi.y, 80, 1e-9);          // equal scales: half the width
}

TEST(Viewport, KeepsCirclesRoundOnCellsTallerThanWide) {
  Box2 b;
  b.add({-1, -1});
  b.add({1, 1});
  // Units twice as tall as wide (terminal cells): the square spans twice the units across.
  Viewport vp(b, 0, 0, 80, 40, 0.0, 0.5);
  P2 lo = vp.to_device(P2{-1, -1}), hi = vp.to_device(P2{1, 1});
  EXPECT_NEAR(hi.x - lo.x, 2 * (lo.y - hi.y), 1e-9);
  EXPECT_NEAR(lo.y - hi.y, 40, 1e-9);
}

TEST(Viewport, EmptyOrPointContentIsCentredWithoutNaN) {
  Box2 empty;
  Viewport a(empty, 0, 0, 100, 50);
  P2 c = a.to_device(P2{0, 0});
  EXPECT_DOUBLE_EQ(c.x, 50);
  EXPECT_DOUBLE_EQ(c.y, 25);
  Box2 one;
  one.add({3, 4});
  Viewport b(one, 0, 0, 100, 50);
  P2 p = b.to_device(P2{3, 4}), q = b.to_device(P2{4, 4});
  EXPECT_DOUBLE_EQ(p.x, 50);
  EXPECT_TRUE(std::isfinite(q.x));
  EXPECT_GT(q.x, p.x);
  // A vertical segment: fitted by its height alone.
  Box2 v;
  v.add({0, 0});
  v.add({0, 10});
  Viewport w(v, 0, 0, 100, 100, 0.0);
  EXPECT_NEAR(w.to_device(P2{0, 10}).y, 0, 1e-9);
  EXPECT_NEAR(w.to_device(P2{0, 0}).y, 100, 1e-9);
}

TEST(Palette, NamedColoursCubeAndGreys) {
  Rgb green = color_rgb(10);  // the default colour of new entities
  EXPECT_GT(green.g, green.r + 0.3);
  EXPECT_GT(green.g, green.b + 0.3);
  Rgb black = color_rgb(0), white = color_rgb(15);
  EXPECT_EQ(black.r + black.g + black.b, 0);
  EXPECT_EQ(white.r + white.g + white.b, 3);
  Rgb red = color_rgb(16 + 36 * 5);  // cube corner: full red
  EXPECT_DOUBLE_EQ(red.r, 1);
  EXPECT_DOUBLE_EQ(red.g, 0);
  Rgb g1 = color_rgb(232), g2 = color_rgb(255);
  EXPECT_DOUBLE_EQ(g1.r, g1.b);
  EXPECT_LT(g1.r, g2.r);
  EXPECT_LT(luminance(contrasting(white)), 0.2);
  EXPECT_GT(luminance(contrasting(black)), 0.8);
}

TEST(Scene, CurveSamplesAreDenseAndEndAtTheCurveEnds) {
  EntityData h = shapes::helix(1, 0.5, 3, 16);
  Detail d;
  std::vector<Point> pts = sample_curve_dense(h.nb, d);
  int spans = h.nb.nu - 3;
  EXPECT_EQ(static_cast<int>(pts.size()), spans * d.samples_per_span + 1);
  // A clamped cubic starts and ends at its end poles.
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(pts.front()[k], h.nb.poles.front()[k], 1e-12);
    EXPECT_NEAR(pts.back()[k], h.nb.poles.back()[k], 1e-12);
  }
  // Close to the helix it approximates, and no step jumps.
  double worst_r = 0, worst_step = 0;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    worst_r = std::max(worst_r, std::fabs(std::hypot(pts[i][0], pts[i][1]) - 1.0));
    if (i) worst_step = std::max(worst_step, std::hypot(pts[i][0] - pts[i - 1][0], pts[i][1] - pts[i - 1][1]));
  }
  EXPECT_LT(worst_r, 0.05);
  EXPECT_LT(worst_step, 2 * M_PI / 16 / 2);  // half the poles' spacing
  // A curve with many spans is capped; a single span still gets enough points to look round.
  Detail small;
  small.max_curve_samples = 100;
  EXPECT_EQ(sample_curve_dense(shapes::helix(1, 0.5, 40, 16).nb, small).size(), 100u);
  EXPECT_GE(sample_curve_dense(shapes::helix(1, 0.5, 0.25, 12).nb, d).size(), 48u);
}

TEST(Scene, TorusIsoCurvesLieOnTheTorus) {
  EntityData t = shapes::torus(2.0, 0.7);
  auto iso = surface_iso_curves(t.nb, Detail{});
  // Four spans a direction, each cut in three to reach at least 12 curves: 13 a direction.
  ASSERT_EQ(iso.size(), 26u);
  double worst = 0;
  for (const auto& c : iso) {
    ASSERT_GE(c.size(), 96u);
    for (const Point& p : c) {
      double d = std::hypot(std::hypot(p[0], p[1]) - 2.0, p[2]) - 0.7;
      worst = std::max(worst, std::fabs(d));
    }
  }
  EXPECT_LT(worst, 1e-12);
  Detail few;
  few.min_iso_curves = 2;  // only the knots
  EXPECT_EQ(surface_iso_curves(t.nb, few).size(), 10u);
  few.max_iso_curves = 3;  // fewer than the knots: even steps
  EXPECT_EQ(surface_iso_curves(t.nb, few).size(), 6u);
}

TEST(Scene, BuildsStrokesForEveryKindAndCountsThem) {
  GeometryDatabase db;
  db.add(shapes::point(1, 2, 3));
  db.add(shapes::line(0, 0, 0, 1, 0, 0));
  EntityData h = shapes::helix();
  db.add(h);
  db.add(shapes::torus());
  db.add_mark({{0, 0, 0}, 14});
  db.add_mark({{NAN, 0, 0}, 14});  // never drawn
  db.add_line({{0, 0, 0}, {0, 0, 1}, 12});
  Scene s = make_scene(db);
  EXPECT_EQ(s.points, 1);
  EXPECT_EQ(s.lines, 1);
  EXPECT_EQ(s.curves_n, 1);
  EXPECT_EQ(s.surfaces_n, 1);
  EXPECT_EQ(s.screen_marks, 2);
  EXPECT_EQ(s.skipped, 0);
  ASSERT_EQ(s.marks.size(), 2u);  // the stored point and one finite mark
  EXPECT_TRUE(s.marks[0].stored);
  EXPECT_FALSE(s.marks[1].stored);
  EXPECT_EQ(s.curves.size(), 3u);  // line, helix, screen line
  EXPECT_EQ(s.curves[1].color, 10);
  EXPECT_EQ(s.surfaces.size(), 26u);
  EXPECT_EQ(scene_caption(s), "1 point, 1 line, 1 curve, 1 surface, 1 screen line, 2 marks");
  Box2 b = s.bounds();
  EXPECT_FALSE(b.empty());
  EXPECT_TRUE(std::isfinite(b.x0) && std::isfinite(b.y1));
}

// A thinned screen says how much of it is drawn; an unthinned one does not.
TEST(Scene, CaptionCountsTheMarksOfAThinnedScreen) {
  GeometryDatabase db;
  for (std::size_t i = 0; i + 1 < kMaxScreenItems; ++i) db.add_mark({{double(i), 0, 0}, 10});
  EXPECT_EQ(scene_caption(make_scene(db)), std::to_string(kMaxScreenItems - 1) + " marks");
  // The first line reaches the cap: half the marks go; of the next 11 lines every other one is kept.
  for (std::size_t i = 0; i < 12; ++i) db.add_line({{0, 0, double(i)}, {0, 0, double(i + 1)}, 10});
  EXPECT_EQ(scene_caption(make_scene(db)), "6 screen lines, 500000 marks; 500006 of 1000011 marks drawn");
}

TEST(Scene, MalformedCurvesFallBackToTheirPointsOrAreSkipped) {
  GeometryDatabase db;
  EntityData bad = shapes::helix();
  bad.nb.uknots.pop_back();  // knot vector one short
  db.add(bad);
  EntityData worse;
  worse.kind = ENT_NURBS_CURVE;  // no form, no points
  db.add(worse);
  EntityData grid;
  grid.kind = ENT_SURFACE;  // no form, but its 2 x 3 grid
  grid.rows = 2;
  grid.cols = 3;
  grid.through = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 1}};
  db.add(grid);
  Scene s = make_scene(db);
  ASSERT_EQ(s.curves.size(), 1u);
  EXPECT_EQ(s.curves[0].pts.size(), bad.through.size());  // drawn through its points
  EXPECT_EQ(s.surfaces.size(), 5u);                        // 2 rows and 3 columns
  EXPECT_EQ(s.skipped, 1);
  EXPECT_EQ(scene_caption(Scene{}), "empty");
}

}  // namespace
}  // namespace orv::view
