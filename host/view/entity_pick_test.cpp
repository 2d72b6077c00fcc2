// The outline that highlights a picked entity: one point for a point, the two ends of a line, one
// stroke along a curve that stays on it, and iso-curves both ways across a surface.
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

  EXPECT_GE(entity_outline(*db.entities()[3]).size(), 12u) << "iso-curves in both directions";
}

}  // namespace
}  // namespace orv::view
