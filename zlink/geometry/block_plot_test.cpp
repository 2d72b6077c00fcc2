// Plots by blocks against plots one step at a time: every kind, with failing steps, failing rows and
// a stop asked for in the middle of a block, must store, draw, poll and leave the variables exactly
// as the step-by-step path does. A run observer makes a plot take that path, as kuvra-check's dry
// run does, so each case plots once with one and once without.
#include <cstring>
#include <string>
#include <vector>

#include "eqfile/plot_test_support.h"
#include "geometry/plot_step.h"
#include "geometry/plotting.h"

namespace {

// Everything a plot leaves that the person or the host can see.
struct PlotResult {
  std::vector<orv::EntityData> entities;
  std::vector<orv::ScreenMark> marks;
  std::vector<orv::ScreenLine> lines;
  std::vector<std::pair<int64_t, int64_t>> progress;
  VariableTableRecord variables;
};

bool same_bits(const void* a, const void* b, size_t size) { return std::memcmp(a, b, size) == 0; }

void observe_nothing() {}
void observe_nothing_finished(const Statement*, int) {}
constexpr StatementRunObserver quiet_observer = {observe_nothing, observe_nothing_finished};

class BlockPlotTest : public PlotTest {
 protected:
  PlotResult plot(const std::string& text, bool step_by_step, int64_t stop_from = -1) {
    PlotSettings = initial_plot_settings;
    reset_equation_tables();
    host_.database.clear();
    front_end_.progress.clear();
    front_end_.stop_from = stop_from;
    statement_run_observer = step_by_step ? &quiet_observer : nullptr;
    plot_geometry(read_text(text));
    statement_run_observer = nullptr;
    PlotResult r;
    for (const orv::EntityData* e : stored()) r.entities.push_back(*e);
    r.marks = marks();
    r.lines = lines();
    r.progress = front_end_.progress;
    std::memcpy(&r.variables, &VariableTable, sizeof VariableTable);
    pool_release();
    return r;
  }
  void expect_same_plot(const std::string& text, int64_t stop_from = -1) {
    const PlotResult blocks = plot(text, false, stop_from);
    const PlotResult steps = plot(text, true, stop_from);
    ASSERT_EQ(blocks.entities.size(), steps.entities.size());
    for (size_t i = 0; i < steps.entities.size(); ++i) {
      const orv::EntityData& a = blocks.entities[i];
      const orv::EntityData& b = steps.entities[i];
      EXPECT_EQ(a.kind, b.kind) << i;
      EXPECT_TRUE(same_bits(a.p1, b.p1, sizeof a.p1) && same_bits(a.p2, b.p2, sizeof a.p2)) << i;
      ASSERT_EQ(a.through.size(), b.through.size()) << i;
      EXPECT_TRUE(a.through.empty() || same_bits(a.through.data(), b.through.data(), a.through.size() * 24)) << i;
      EXPECT_EQ(a.rows, b.rows);
    }
    ASSERT_EQ(blocks.marks.size(), steps.marks.size());
    for (size_t i = 0; i < steps.marks.size(); ++i)
      EXPECT_TRUE(same_bits(blocks.marks[i].at, steps.marks[i].at, sizeof steps.marks[i].at)) << i;
    ASSERT_EQ(blocks.lines.size(), steps.lines.size());
    for (size_t i = 0; i < steps.lines.size(); ++i) {
      EXPECT_TRUE(same_bits(blocks.lines[i].from, steps.lines[i].from, sizeof steps.lines[i].from) &&
                  same_bits(blocks.lines[i].to, steps.lines[i].to, sizeof steps.lines[i].to))
          << i;
    }
    EXPECT_EQ(blocks.progress, steps.progress);
    EXPECT_EQ(blocks.variables.count, steps.variables.count);
    for (int row = 0; row < steps.variables.count; ++row) {
      EXPECT_EQ(blocks.variables.rows[row].defined, steps.variables.rows[row].defined) << row;
      EXPECT_TRUE(same_bits(&blocks.variables.rows[row].value, &steps.variables.rows[row].value, sizeof(double)))
          << steps.variables.rows[row].name;
    }
    made_ = steps.entities.size() + steps.marks.size();
  }
  size_t made_ = 0;
};

constexpr const char* curve_range = "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 3\nstep_size1 = 0.001\n";
constexpr const char* grid_range =
    "step_var1 = u\nstep_var2 = v\nlower_limit1 = -1\nupper_limit1 = 1\nstep_size1 = 0.05\n"
    "lower_limit2 = 0\nupper_limit2 = 6\nstep_size2 = 0.02\n";

TEST_F(BlockPlotTest, CurvesOfEveryKindAsStepByStep) {
  const char* cases[] = {
      "geometry = points\nr = 2\nx = r*cos(t)\ny = r*sin(t)\nz = t/10\n",
      "geometry = points\nx = sqrt(t - 1)\ny = ln(t - 0.5)\n",          // domain failures are skipped
      "geometry = lines\nx = 1/(t - 1.5)\ny = t\n",                        // ends at the division by zero
      "geometry = draw\norigin = 1, 2, 3\nx = t^2\ny = atan(t)\nz = exp(t)\n",
      "geometry = spline\nangles = degrees\nx = cos(t*100)\ny = sin(t*100)\nz = t\n",
      "geometry = points\nx = t + (step_size1 = 0.001)\ny = x\n",           // no blocks: a keyword set
      "geometry = points\nx = 1 + t, y = sqrt(1 - t)\nz = x\n",             // partial assignments
  };
  for (const char* c : cases) {
    SCOPED_TRACE(c);
    expect_same_plot(std::string(curve_range) + c);
    EXPECT_GT(made_, 0u);
  }
}

TEST_F(BlockPlotTest, SurfacesOfEveryKindAsStepByStep) {
  const char* cases[] = {
      "geometry = parametric_surf\nR = 5\nx = (R + cos(v))*cos(u)\ny = (R + cos(v))*sin(u)\nz = sin(v)\n",
      "geometry = points_surf\nx = sqrt(u) * v\ny = 1/(v - 3)\n",           // failing rows and points
      "geometry = parametric_surf\nx = u\ny = v\nz = 1/(u - 0.5)\n",        // a row fails: leading rows kept
      "geometry = draw_surf\nx = u*v\ny = ln(v)\n",
  };
  for (const char* c : cases) {
    SCOPED_TRACE(c);
    expect_same_plot(std::string(grid_range) + c);
    EXPECT_GT(made_, 0u);
  }
}

TEST_F(BlockPlotTest, AStopInsideABlockLeavesWhatStepByStepLeaves) {
  // Polls come every 1024 steps; a stop at 2048 falls inside the ninth block of a curve and inside
  // a row of the grid (301 points a row).
  expect_same_plot(std::string(curve_range) + "geometry = points\nx = t\ny = t*t\n", 2048);
  EXPECT_EQ(made_, 2 * 2048u);
  expect_same_plot(std::string(grid_range) + "geometry = parametric_surf\nx = u\ny = v\nz = u*v\n", 2048);
}

}  // namespace
