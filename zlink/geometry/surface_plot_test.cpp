// Surface plotting against the host's real database and screen: the 5 x 5 grid for every kind, the
// failure rules along and at the end of a row, surfaces from the leading complete rows, and the
// refusal of grids the host cannot take.
#include <cmath>
#include <cstring>
#include <utility>

#include "eqfile/plot_test_support.h"
#include "geometry/plotting.h"

namespace {

class SurfacePlotTest : public PlotTest {
 protected:
  void plot(const std::string& text) { plot_geometry(read_text(text)); }
};

constexpr const char* grid = "step_var1 = u\nstep_var2 = v\nx = u\ny = v\nz = u * v\n";

TEST_F(SurfacePlotTest, FiveByFiveGridForEveryKind) {
  plot(std::string(grid) + "geometry = draw_surf\n");
  EXPECT_TRUE(stored().empty());
  ASSERT_EQ(marks().size(), 25u);
  // The first variable is constant along each row of 5.
  EXPECT_DOUBLE_EQ(marks()[7].at[0], 0.25);
  EXPECT_DOUBLE_EQ(marks()[7].at[1], 0.5);

  host_.database.clear();
  plot(std::string(grid) + "geometry = points_surf\n");
  ASSERT_EQ(stored().size(), 25u);
  EXPECT_TRUE(marks().empty());
  EXPECT_DOUBLE_EQ(stored()[24]->p1[2], 1.0);
  EXPECT_EQ(stored()[13]->kind, ENT_POINT);

  for (int kind : {kw_parametric_surf, kw_nurbs_surf}) {
    host_.database.clear();
    plot(std::string(grid) + "geometry = " + KeywordTable[kind].name + "\n");
    ASSERT_EQ(stored().size(), 1u) << kind;
    const auto* surface = stored()[0];
    EXPECT_EQ(surface->kind, kind == kw_nurbs_surf ? ENT_NURBS_SURFACE : ENT_SURFACE);
    EXPECT_EQ(surface->rows, 5);
    EXPECT_EQ(surface->cols, 5);
    ASSERT_EQ(surface->through.size(), 25u);
    EXPECT_DOUBLE_EQ(surface->through[6][0], 0.25);
    EXPECT_DOUBLE_EQ(surface->through[6][1], 0.25);
    EXPECT_EQ(marks().size(), 25u);
  }
}

TEST_F(SurfacePlotTest, MissingStepVariablesAreNamedInOrder) {
  Statement* head = read_text("x = u\ny = v\ngeometry = draw_surf\n");
  std::strcpy(PlotSettings.step_var[0], "a");
  std::strcpy(PlotSettings.step_var[1], "b");
  plot_geometry(head);
  std::strcpy(PlotSettings.step_var[0], "u");
  plot_geometry(head);
  ASSERT_EQ(shown_messages().size(), 2u);
  EXPECT_EQ(shown_messages()[0].text, "Warning a not found in equation");
  EXPECT_EQ(shown_messages()[1].text, "Warning b not found in equation");
  EXPECT_TRUE(marks().empty());
}

// sqrt(v - 0.3) fails for v = 0 and 0.25: the first two points of every row.
TEST_F(SurfacePlotTest, FailedPointsAlongARow) {
  const std::string text = "step_var1 = u\nstep_var2 = v\nx = u\ny = sqrt(v - 0.3)\n";
  plot(text + "geometry = points_surf\n");
  EXPECT_EQ(stored().size(), 15u);

  host_.database.clear();
  plot(text + "geometry = draw_surf\n");
  EXPECT_EQ(marks().size(), 15u);

  // Failing at the end of a row ends the plot after that row; domain failures of points_surf do not.
  host_.database.clear();
  const std::string at_end = "step_var1 = u\nstep_var2 = v\nx = u\ny = sqrt(0.3 - v * u)\n";
  plot(at_end + "geometry = draw_surf\n");
  EXPECT_EQ(marks().size(), 5u + 5u + 3u);  // row u = 0.5 fails at v = 0.75 and 1
  host_.database.clear();
  plot(at_end + "geometry = points_surf\n");
  EXPECT_EQ(stored().size(), 5u + 5u + 3u + 2u + 2u);
}

TEST_F(SurfacePlotTest, SurfaceFromLeadingCompleteRows) {
  // Row u = 0.75 fails in its middle: rows 0, 0.25, 0.5 are complete.
  plot("step_var1 = u\nstep_var2 = v\ngeometry = parametric_surf\nx = u\ny = v\n"
       "w = 1 / (abs(u - 0.75) + abs(v - 0.5))\nz = u * v\n");
  ASSERT_EQ(stored().size(), 1u);
  EXPECT_EQ(stored()[0]->rows, 3);
  EXPECT_EQ(stored()[0]->cols, 5);
  ASSERT_EQ(stored()[0]->through.size(), 15u);
  EXPECT_DOUBLE_EQ(stored()[0]->through[14][0], 0.5);
  EXPECT_EQ(marks().size(), 24u);  // one grid point failed, the rest were computed and drawn

  // A failure in the second row leaves one complete row: no surface.
  host_.database.clear();
  plot("step_var1 = u\nstep_var2 = v\ngeometry = nurbs_surf\nx = u\ny = v\n"
       "z = 1 / (abs(u - 0.25) + abs(v - 0.5))\n");
  EXPECT_TRUE(stored().empty());
  EXPECT_EQ(marks().size(), 24u);

  // The last point of row u = 0.5 fails: no further rows, two complete rows before it.
  host_.database.clear();
  plot("step_var1 = u\nstep_var2 = v\ngeometry = nurbs_surf\nx = u\ny = v\n"
       "z = 1 / (abs(u - 0.5) + abs(v - 1))\n");
  ASSERT_EQ(stored().size(), 1u);
  EXPECT_EQ(stored()[0]->kind, ENT_NURBS_SURFACE);
  EXPECT_EQ(stored()[0]->rows, 2);
  EXPECT_EQ(marks().size(), 14u);
}

// A stop is asked for every 1024 grid points: the surface is made of the rows completed before it,
// a row it cut short is dropped, and fewer than two complete rows make no surface.
TEST_F(SurfacePlotTest, StopAskedForKeepsTheCompleteRows) {
  const std::string grid_of = "step_var1 = u\nstep_var2 = v\nstep_size1 = 1\nstep_size2 = 1\nx = u\ny = v / 100\n"
                              "z = u * v / 1000\nupper_limit1 = 9\n";
  struct Case {
    const char* kind;
    int last_v;        // points in a row - 1
    int64_t stop_from;
    int rows;          // of the surface made, 0 for none
    size_t marks;
  } cases[] = {
      {"parametric_surf", 399, 1024, 2, 1024},  // row 2 cut short at its 225th point
      {"nurbs_surf", 255, 1024, 4, 1024},       // the stop falls between rows 3 and 4
      {"parametric_surf", 1023, 1024, 0, 1024}, // one complete row only
      {"parametric_surf", 399, 0, 0, 0},
  };
  for (const Case& c : cases) {
    host_.database.clear();
    front_end_.progress.clear();
    front_end_.stop_from = c.stop_from;
    plot(grid_of + "upper_limit2 = " + std::to_string(c.last_v) + "\ngeometry = " + c.kind + "\n");
    const int64_t count = 10 * int64_t{c.last_v + 1};
    EXPECT_EQ(front_end_.progress.front(), (std::pair<int64_t, int64_t>{0, count})) << c.kind;
    EXPECT_EQ(front_end_.progress.back().first, c.stop_from) << c.kind;
    EXPECT_EQ(marks().size(), c.marks) << c.kind << " " << c.last_v;
    if (c.rows == 0) {
      EXPECT_TRUE(stored().empty()) << c.kind << " " << c.last_v;
      continue;
    }
    ASSERT_EQ(stored().size(), 1u) << c.kind;
    EXPECT_EQ(stored()[0]->kind, std::string(c.kind) == "nurbs_surf" ? ENT_NURBS_SURFACE : ENT_SURFACE);
    EXPECT_EQ(stored()[0]->rows, c.rows);
    EXPECT_EQ(stored()[0]->cols, c.last_v + 1);
    ASSERT_EQ(stored()[0]->through.size(), size_t(c.rows) * (c.last_v + 1));
    EXPECT_DOUBLE_EQ(stored()[0]->through.back()[0], c.rows - 1);
  }

  // Stored points stay; the row cut short keeps the points stored before the stop.
  host_.database.clear();
  front_end_.stop_from = 2048;
  plot(grid_of + "upper_limit2 = 399\ngeometry = points_surf\n");
  ASSERT_EQ(stored().size(), 2048u);
  EXPECT_DOUBLE_EQ(stored()[2047]->p1[0], 5);
  EXPECT_DOUBLE_EQ(stored()[2047]->p1[1], 0.47);  // row u = 5, its 48th point
}

// Without grid points (an inner step size of 0) the rows alone are stepped through, and counted.
TEST_F(SurfacePlotTest, StopAskedForWhileSteppingEmptyRows) {
  front_end_.stop_from = 2048;
  plot("step_var1 = u\nstep_var2 = v\nstep_size1 = 1\nupper_limit1 = 100000\nstep_size2 = 0\n"
       "geometry = draw_surf\nx = u\n");
  ASSERT_EQ(front_end_.progress.size(), 3u);
  EXPECT_EQ(front_end_.progress[1], (std::pair<int64_t, int64_t>{1024, 100001}));
  EXPECT_EQ(VariableTable.rows[find_variable("u")].value, 2047);
  EXPECT_TRUE(marks().empty());
}

TEST_F(SurfacePlotTest, GridsTooLargeAreRefusedBeforeAnythingHappens) {
  PlotSettings.trace_variables = 1;
  // 32768 rows do not fit the host's 16-bit row count.
  plot(std::string(grid) + "upper_limit1 = 32767\nstep_size1 = 1\ngeometry = parametric_surf\n");
  EXPECT_TRUE(marks().empty());
  EXPECT_TRUE(front_end_.listed.empty());
  // 2101 x 2101 fits 16 bits, but not the host's buffer, which refuses to grow.
  plot(std::string(grid) + "upper_limit1 = 2100\nstep_size1 = 1\nupper_limit2 = 2100\nstep_size2 = 1\n"
       "geometry = nurbs_surf\n");
  EXPECT_TRUE(marks().empty());
  EXPECT_TRUE(stored().empty());
  EXPECT_TRUE(front_end_.listed.empty());
  // A buffer too small grows to the grid with 10 points to spare.
  int32_t before = CSurfDataMgr::get_max_n_surf_patches();
  plot(std::string(grid) + "upper_limit1 = 40\nstep_size1 = 1\nupper_limit2 = 40\nstep_size2 = 1\n"
       "geometry = parametric_surf\n");
  ASSERT_EQ(stored().size(), 1u);
  if (before < 41 * 41) {
    EXPECT_EQ(CSurfDataMgr::get_max_n_surf_patches(), 41 * 41 + 10);
  }
  // The same rows for a kind that gathers nothing are plotted.
  plot(std::string(grid) + "upper_limit1 = 32767\nstep_size1 = 1\nupper_limit2 = 0\ngeometry = draw_surf\n");
  EXPECT_EQ(marks().size(), 41u * 41u + 2u * 32768u);
  EXPECT_EQ(front_end_.listed.size(), 2u);
}

TEST_F(SurfacePlotTest, InvalidCountsAndOtherKinds) {
  PlotSettings.trace_variables = 1;
  plot(std::string(grid) + "step_size2 = 0\ngeometry = points_surf\n");  // only the outer variable moves
  EXPECT_TRUE(stored().empty());
  EXPECT_DOUBLE_EQ(VariableTable.rows[find_variable("u")].value, 1.0);
  EXPECT_FALSE(VariableTable.rows[find_variable("v")].defined);
  ASSERT_EQ(front_end_.listed_text.size(), 1u);
  EXPECT_EQ(front_end_.listed_text[0].find("u = "), std::string::npos);  // header only

  host_.database.clear();
  Statement* head = read_text(grid);
  PlotSettings.step_size[1] = 0.25;
  PlotSettings.geometry = 13;
  plot_geometry(head);
  EXPECT_TRUE(stored().empty());
  EXPECT_TRUE(marks().empty());
  ASSERT_EQ(front_end_.listed_text.size(), 2u);
  EXPECT_NE(front_end_.listed_text[1].find("u = 1\nv = 1\nx = 1\ny = 1\nz = 1\n\n"), std::string::npos)
      << front_end_.listed_text[1];
}

}  // namespace
