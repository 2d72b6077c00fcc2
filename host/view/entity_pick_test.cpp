// The outline that highlights a picked entity: one point for a point, the two ends of a line, one
// stroke along a curve that stays on it, the boundary and a few iso-curves across a surface; the
// parts of strokes a surface hides are left out of the highlight.
#include "view/entity_pick.h"

#include <cmath>

#include <gtest/gtest.h>

#include "view/test_shapes.h"

namespace orv::view {
namespace {

TEST(EntityOutline, FollowsTheEntityItHighlights) {
  GeometryDatabase db;
  db.add(shapes::helix(1.0, 0.5, 1.0));  // one turn, poles on a circle of radius 1
  EntityData line;
  line.kind = ENT_LINE;
  line.p1[0] = 3;
  line.p2[0] = 5;
  db.add(line);
  EntityData p;
  p.kind = ENT_POINT;
  p.p1[0] = 1;
  db.add(p);
  db.add(shapes::torus());

  const auto circle = entity_outline(*db.entities()[0]);
  ASSERT_EQ(circle.size(), 1u);
  ASSERT_GE(circle[0].size(), 32u);
  // A cubic B-spline lies inside its poles' circle and, with 16 poles a turn, within 4% of it.
  for (const Point& q : circle[0]) {
    EXPECT_LE(std::hypot(q[0], q[1]), 1.0 + 1e-12);
    EXPECT_GE(std::hypot(q[0], q[1]), 0.96);
  }

  const auto segment = entity_outline(*db.entities()[1]);
  ASSERT_EQ(segment.size(), 1u);
  ASSERT_EQ(segment[0].size(), 2u);
  EXPECT_EQ(segment[0][0][0], 3);
  EXPECT_EQ(segment[0][1][0], 5);

  const auto point = entity_outline(*db.entities()[2]);
  ASSERT_EQ(point.size(), 1u);
  EXPECT_EQ(point[0].size(), 1u);

  // A surface: its boundary and a few iso-curves each way, fewer than the scene draws.
  const auto torus = entity_outline(*db.entities()[3]);
  EXPECT_GE(torus.size(), 8u) << "iso-curves in both directions";
  EXPECT_LE(torus.size(), 10u);
}

TEST(EntityOutline, TheHighlightLeavesOutWhatTheSurfaceHides) {
  // A torus seen from the top, with a line below it and a point above: the raster of its facets
  // hides the line where the torus covers it, and the outer circle of the ring (in sight all round)
  // stays whole, while its underside circle is hidden.
  GeometryDatabase db;
  db.add(shapes::torus(2.0, 0.7));
  Detail detail;
  detail.facets = true;
  const Scene scene = make_scene(db, detail);
  const Camera top = Camera::named(NamedView::Top);
  const Viewport vp(scene.bounds(top), 0, 0, 400, 400, 0.06, 1.0, top);
  const DepthRaster raster(scene, vp, 0, 0, 400, 400);
  // A line 5 below the ring from the centre outward: hidden under the tube (radius 1.3 to 2.7),
  // seen in the hole and beyond the ring.
  std::vector<Point> under;
  for (int i = 0; i <= 60; ++i) under.push_back({i * 0.05, 0, -5});
  const auto runs = visible_runs(under, raster);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_LT(runs[0].back()[0], 1.35);
  EXPECT_GT(runs[1].front()[0], 2.65);
  // The same line above the ring is in sight all along; a single point stays a stroke.
  for (Point& p : under) p[2] = 5;
  EXPECT_EQ(visible_runs(under, raster).size(), 1u);
  EXPECT_EQ(visible_runs(under, raster)[0].size(), under.size());
  EXPECT_EQ(visible_runs({{2, 0, -5}}, raster).size(), 1u);
  // Circles on the torus itself: its top circle (z = 0.7) is seen, its bottom circle is not.
  std::vector<Point> crest, keel;
  for (int i = 0; i < 48; ++i) {
    const double a = i * 2 * M_PI / 48;
    crest.push_back({2 * std::cos(a), 2 * std::sin(a), 0.7});
    keel.push_back({2 * std::cos(a), 2 * std::sin(a), -0.7});
  }
  ASSERT_EQ(visible_runs(crest, raster).size(), 1u);
  EXPECT_EQ(visible_runs(crest, raster)[0].size(), crest.size());
  EXPECT_TRUE(visible_runs(keel, raster).empty());
}

}  // namespace
}  // namespace orv::view
