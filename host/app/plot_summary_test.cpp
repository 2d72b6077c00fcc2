// The batch summary: what counts as made (only what the plot added, not what a part file brought
// in), how kinds are named and counted, and the line's layout.
#include <gtest/gtest.h>

#include "app/plot_summary.h"

namespace orv::app {
namespace {

EntityData curve(int32_t kind, std::size_t through) {
  EntityData e;
  e.kind = kind;
  e.through.assign(through, {0, 0, 0});
  return e;
}

EntityData grid(int32_t kind, int rows, int cols) {
  EntityData e = curve(kind, static_cast<std::size_t>(rows * cols));
  e.rows = rows;
  e.cols = cols;
  return e;
}

TEST(PlotSummary, NamesWhatThePlotAddedByKind) {
  struct Case {
    const char* name;
    std::vector<EntityData> made;
    int64_t marks, lines;
    const char* says;
  };
  EntityData point;
  point.kind = ENT_POINT;
  EntityData line;
  line.kind = ENT_LINE;
  const Case cases[] = {
      {"nothing", {}, 0, 0, ""},
      {"one spline", {curve(ENT_SPLINE, 37)}, 37, 0, "1 spline through 37 points, 37 marks"},
      {"a NURB curve keeps no points", {curve(ENT_NURBS_CURVE, 0)}, 181, 0, "1 NURB curve, 181 marks"},
      {"a surface grid", {grid(ENT_NURBS_SURFACE, 19, 13)}, 0, 0, "1 NURB surface through 19 x 13 points"},
      {"many of a kind, in kind order", {line, point, line, point, point}, 0, 0, "3 points, 2 lines"},
      {"two curves: no single grid to name", {curve(ENT_SPLINE, 4), curve(ENT_SPLINE, 5)}, 0, 0, "2 splines"},
      {"drawing only", {}, 73, 72, "72 screen lines, 73 marks"},
      {"one of each on the screen", {}, 1, 1, "1 screen line, 1 mark"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GeometryDatabase db;
    // What a part file brought in before the plot is not the plot's.
    db.add(curve(ENT_SPLINE, 9));
    db.add(point);
    // Read from the records (a start taken by hand) and from the counts kept on add (plot_start).
    PlotStart scanned;
    scanned.first_id = db.next_id();
    PlotStart counted = plot_start(db);
    ASSERT_TRUE(counted.counted);
    for (PlotStart* start : {&scanned, &counted}) {
      start->marks = 100;
      start->lines = 7;
    }
    for (const EntityData& e : c.made) db.add(e);
    EXPECT_EQ(describe_made(db, scanned, scanned.marks + c.marks, scanned.lines + c.lines), c.says);
    EXPECT_EQ(describe_made(db, counted, counted.marks + c.marks, counted.lines + c.lines), c.says);
  }
}

// A removal since the start (of an entity from before the plot or of the plot's own) makes the
// counts kept on add say too much: the records are read instead.
TEST(PlotSummary, RemovalsSinceTheStartAreCountedFromTheRecords) {
  EntityData point;
  point.kind = ENT_POINT;
  struct Case {
    const char* name;
    bool remove_older;
    const char* says;
  } cases[] = {{"one from before the plot", true, "2 points"}, {"one of the plot's", false, "1 point"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GeometryDatabase db;
    db_list_ent_type* older = db.add(point);
    const PlotStart start = plot_start(db);
    db_list_ent_type* made = db.add(point);
    db.add(point);
    ASSERT_TRUE(db.remove(c.remove_older ? older : made));
    EXPECT_EQ(describe_made(db, start, start.marks, start.lines), c.says);
  }
}

TEST(PlotSummary, LineNamesTheFileWhatWasMadeAndWhatWasWritten) {
  EXPECT_EQ(summary_line("helix.eqn", "1 spline through 37 points, 37 marks", {"helix.step", "helix.png"}),
            "helix.eqn: 1 spline through 37 points, 37 marks; wrote helix.step, helix.png");
  EXPECT_EQ(summary_line("x.eqn", "", {}), "x.eqn: made nothing");
  EXPECT_EQ(summary_line("x.eqn", "", {"x.step"}), "x.eqn: made nothing; wrote x.step");
}

}  // namespace
}  // namespace orv::app
