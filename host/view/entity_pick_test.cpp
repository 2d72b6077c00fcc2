// Picking by a click: the entity whose strokes pass within reach of the pointer, the nearest one,
// a point before a curve through it, and nothing in empty space; seen from the top, device = model.
#include "view/entity_pick.h"

#include <gtest/gtest.h>

#include "view/test_shapes.h"

namespace orv::view {
namespace {

P2 top_view(const Point& p) { return {p[0] * 100, -p[1] * 100}; }  // 100 pixels a model unit, y down

TEST(EntityPick, TheNearestEntityWithinReachIsPicked) {
  GeometryDatabase db;
  db.add(shapes::helix(1.0, 0.5, 1.0));  // id 1: a circle of radius 1 seen from the top
  EntityData line;
  line.kind = ENT_LINE;
  line.p1[0] = 3;
  line.p2[0] = 5;  // id 2: from (3, 0) to (5, 0)
  db.add(line);
  db.add(shapes::torus(10, 1));  // id 3: rings of radius 9 to 11
  EXPECT_EQ(pick_entity(db, top_view, {0, -100}, 6), 1);   // on the circle at (0, 1)
  EXPECT_EQ(pick_entity(db, top_view, {400, 4}, 6), 2);    // 4 pixels off the line's middle
  EXPECT_EQ(pick_entity(db, top_view, {400, 9}, 6), 0);    // 9 pixels off: out of reach
  EXPECT_EQ(pick_entity(db, top_view, {0, 0}, 6), 0);      // the circle's empty centre
  EXPECT_EQ(pick_entity(db, top_view, {1000, 0}, 8), 3);   // on the torus's middle ring
  EXPECT_EQ(pick_entity(db, top_view, {296, 0}, 6), 2);    // nearer the line's end than the circle
}

TEST(EntityPick, APointBeatsTheCurveThroughIt) {
  GeometryDatabase db;
  db.add(shapes::helix(1.0, 0.5, 1.0));
  EntityData p;
  p.kind = ENT_POINT;
  p.p1[0] = 1;
  db.add(p);  // id 2, on the circle at (1, 0)
  EXPECT_EQ(pick_entity(db, top_view, {101, 2}, 6), 2);
  EXPECT_EQ(entity_outline(*db.entities()[1]).size(), 1u);
  // A surface's outline is its iso-curves in both directions.
  db.add(shapes::torus());
  EXPECT_GE(entity_outline(*db.entities()[2]).size(), 12u);
}

}  // namespace
}  // namespace orv::view
