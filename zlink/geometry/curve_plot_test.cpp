// Curve plotting against the host's real database and screen: what each kind stores and draws, the
// step rule's ranges, the failure rules, the spline buffer's growth and the NURB spline build.
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "eqfile/plot_test_support.h"
#include "geometry/plotting.h"

namespace {

class CurvePlotTest : public PlotTest {
 protected:
  // Reads the equation text and plots it with the settings it leaves.
  void plot(const std::string& text) { plot_geometry(read_text(text)); }
};

void expect_at(const double* p, double x, double y, double z) {
  EXPECT_NEAR(p[0], x, 1e-12);
  EXPECT_NEAR(p[1], y, 1e-12);
  EXPECT_NEAR(p[2], z, 1e-12);
}

constexpr const char* parabola = "step_var1 = t\norigin = 10, 0, 0\nx = t\ny = t * t\n";
const double parabola_points[5][3] = {{10, 0, 0}, {10.25, 0.0625, 0}, {10.5, 0.25, 0}, {10.75, 0.5625, 0}, {11, 1, 0}};

TEST_F(CurvePlotTest, HelixFileMakesOneSplineThrough37Points) {
  plot("step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 360\nstep_size1 = 10\ngeometry = spline\n"
       "angles = degrees\nx = cos(t)\ny = sin(t)\nz = t/360\n");
  ASSERT_EQ(stored().size(), 1u);
  const auto* spline = stored()[0];
  EXPECT_EQ(spline->kind, ENT_SPLINE);
  ASSERT_EQ(spline->through.size(), 37u);
  expect_at(spline->through[9].data(), std::cos(M_PI / 2), 1, 0.25);
  expect_at(spline->through[36].data(), 1, std::sin(2 * M_PI), 1);
  EXPECT_EQ(marks().size(), 37u);
  EXPECT_EQ(spline->color, 10);
  EXPECT_EQ(spline->level, 1);
}

TEST_F(CurvePlotTest, FivePointExampleForEachKind) {
  plot(std::string(parabola) + "geometry = points\n");
  ASSERT_EQ(stored().size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(stored()[i]->kind, ENT_POINT);
    expect_at(stored()[i]->p1, parabola_points[i][0], parabola_points[i][1], parabola_points[i][2]);
  }
  EXPECT_EQ(marks().size(), 5u);
  EXPECT_TRUE(lines().empty());

  host_.database.clear();
  plot(std::string(parabola) + "geometry = lines\n");
  ASSERT_EQ(stored().size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(stored()[i]->kind, ENT_LINE);
    expect_at(stored()[i]->p1, parabola_points[i][0], parabola_points[i][1], 0);
    expect_at(stored()[i]->p2, parabola_points[i + 1][0], parabola_points[i + 1][1], 0);
  }
  EXPECT_EQ(marks().size(), 5u);

  host_.database.clear();
  plot(std::string(parabola) + "geometry = draw\n");
  EXPECT_TRUE(stored().empty());
  ASSERT_EQ(marks().size(), 5u);
  ASSERT_EQ(lines().size(), 4u);
  expect_at(lines()[3].from, 10.75, 0.5625, 0);
  expect_at(lines()[3].to, 11, 1, 0);
  expect_at(marks()[2].at, 10.5, 0.25, 0);

  host_.database.clear();
  plot(std::string(parabola) + "geometry = spline\n");
  ASSERT_EQ(stored().size(), 1u);
  ASSERT_EQ(stored()[0]->through.size(), 5u);
  for (int i = 0; i < 5; ++i)
    expect_at(stored()[0]->through[i].data(), parabola_points[i][0], parabola_points[i][1], 0);
}

// The NURB spline: a temporary spline (the first id) is read back, reduced, converted and deleted; what
// stays is one NURB curve in the entity colour at the spline's level.
TEST_F(CurvePlotTest, NurbsSplineReplacesItsTemporarySpline) {
  main_color = 12;
  gr_back_color = 3;
  main_level = 7;
  main_attrib.line_width = 3;
  plot("step_var1 = t\nupper_limit1 = 360\nstep_size1 = 10\ngeometry = nurbs\nx = cos(t)\ny = sin(t)\nz = t/360\n");
  ASSERT_EQ(stored().size(), 1u);
  const auto* nurbs = stored()[0];
  EXPECT_EQ(nurbs->kind, ENT_NURBS_CURVE);
  EXPECT_EQ(nurbs->id, 2);
  EXPECT_EQ(nurbs->color, 12);
  EXPECT_EQ(nurbs->level, 7);
  EXPECT_EQ(nurbs->attrib.line_width, 3);
  EXPECT_GT(nurbs->nb.poles.size(), 3u);
  EXPECT_LE(nurbs->nb.poles.size(), 39u);  // knots removed where the chord tolerance allows
  EXPECT_EQ(main_color, 12);
  EXPECT_EQ(marks().size(), 37u);
  EXPECT_EQ(marks()[0].color, 12);

  // A spline the host refuses (its points are not finite) ends the build: nothing is stored.
  host_.database.clear();
  plot("step_var1 = t\ngeometry = nurbs\nx = exp(1000 * t)\n");
  EXPECT_TRUE(stored().empty());
  EXPECT_EQ(main_color, 12);
}

TEST_F(CurvePlotTest, RangesEqualReversedAndSignOfStepSize) {
  plot("step_var1 = t\nlower_limit1 = 0.5\nupper_limit1 = 0.5\ngeometry = lines\nx = t\n");
  ASSERT_EQ(stored().size(), 1u);  // two steps at the same value: one line of zero length
  expect_at(stored()[0]->p1, 0.5, 0, 0);
  expect_at(stored()[0]->p2, 0.5, 0, 0);

  host_.database.clear();
  plot("step_var1 = t\nlower_limit1 = 1\nupper_limit1 = 0\nstep_size1 = -0.25\ngeometry = points\nx = t\n");
  ASSERT_EQ(stored().size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(stored()[i]->p1[0], 1.0 - 0.25 * i);

  // Step size 0 gives no valid count: nothing at all.
  host_.database.clear();
  plot("step_var1 = t\nstep_size1 = 0\ngeometry = points\nx = t\n");
  EXPECT_TRUE(stored().empty());
  EXPECT_TRUE(marks().empty());
}

TEST_F(CurvePlotTest, MissingStepVariableWarnsAndDoesNothing) {
  PlotSettings.trace_variables = 1;
  Statement* head = read_text("geometry = points\nx = s\n");
  std::strcpy(PlotSettings.step_var[0], "t");
  plot_geometry(head);
  ASSERT_EQ(shown_messages().size(), 1u);
  EXPECT_EQ(shown_messages()[0].text, "Warning t not found in equation");
  EXPECT_EQ(shown_messages()[0].caption, "Warning");
  EXPECT_TRUE(stored().empty());
  EXPECT_TRUE(marks().empty());
  EXPECT_TRUE(front_end_.listed.empty());
}

TEST_F(CurvePlotTest, ConstantStepVariableAndMissingZ) {
  plot("step_var1 = pi\norigin = 1, 2, 5\ngeometry = points\nx = pi\ny = 2*pi\n");
  ASSERT_EQ(stored().size(), 5u);
  for (const ent* p : stored()) expect_at(p->p1, M_PI + 1, 2 * M_PI + 2, 0);  // z: no variable, no origin
}

TEST_F(CurvePlotTest, DomainFailuresSkipPointsButEndOtherKinds) {
  const std::string text = "step_var1 = t\nx = t\ny = sqrt(0.5 - t)\n";
  plot(text + "geometry = points\n");
  ASSERT_EQ(stored().size(), 3u);  // t = 0.75 and 1 fail
  EXPECT_EQ(marks().size(), 5u);   // their markers are drawn where the coordinates stand
  expect_at(marks()[3].at, 0.75, 0, 0);

  host_.database.clear();
  plot(text + "geometry = lines\n");
  EXPECT_EQ(stored().size(), 2u);
  EXPECT_EQ(marks().size(), 3u);

  // Failures that are not arithmetic domain failures end a points plot too.
  host_.database.clear();
  plot("step_var1 = t\ngeometry = points\nx = t\ny = q\n");
  EXPECT_TRUE(stored().empty());
  EXPECT_TRUE(marks().empty());
}

TEST_F(CurvePlotTest, SplineStopsAtAFailureAndIsBuiltFromWhatWasGathered) {
  plot("step_var1 = t\ngeometry = spline\nx = t\ny = sqrt(0.5 - t)\n");
  ASSERT_EQ(stored().size(), 1u);
  EXPECT_EQ(stored()[0]->through.size(), 3u);

  host_.database.clear();
  plot("step_var1 = t\ngeometry = spline\nx = t\ny = sqrt(t - 0.5)\n");  // the first step fails
  EXPECT_TRUE(stored().empty());
  EXPECT_TRUE(marks().empty());
}

TEST_F(CurvePlotTest, SplineStepLimitAndBufferGrowth) {
  PlotSettings.trace_variables = 1;
  plot("step_var1 = t\nupper_limit1 = 32001\nstep_size1 = 1\ngeometry = spline\nx = t\n");
  EXPECT_TRUE(stored().empty());
  EXPECT_TRUE(marks().empty());
  EXPECT_TRUE(front_end_.listed.empty());  // refused before the log is made

  PlotSettings.trace_variables = 0;
  int32_t before = CSplineNodeMgr::get_max_n_spline_pts();
  plot("step_var1 = t\nupper_limit1 = 32000\nstep_size1 = 1\ngeometry = spline\nx = t\ny = t / 1000\n");
  ASSERT_EQ(stored().size(), 1u);
  EXPECT_EQ(stored()[0]->through.size(), 32001u);
  EXPECT_EQ(marks().size(), 32001u);
  if (before < 32001) {
    EXPECT_EQ(CSplineNodeMgr::get_max_n_spline_pts(), 32010);
  }
}

// The host is asked every 1024 steps, from step 0, with the plot's step count; a stop ends the plot
// as a failing step would: what was stored stays, the curve is built from what was gathered.
TEST_F(CurvePlotTest, StopAskedForEndsThePlotKeepingWhatWasMade) {
  const std::string ramp = "step_var1 = t\nupper_limit1 = 3000\nstep_size1 = 1\nx = t\ny = t / 1000\n";
  const std::vector<std::pair<int64_t, int64_t>> asked_to_2048 = {{0, 3001}, {1024, 3001}, {2048, 3001}};

  front_end_.stop_from = 2048;
  plot(ramp + "geometry = spline\n");
  EXPECT_EQ(front_end_.progress, asked_to_2048);
  ASSERT_EQ(stored().size(), 1u);
  EXPECT_EQ(stored()[0]->kind, ENT_SPLINE);
  ASSERT_EQ(stored()[0]->through.size(), 2048u);
  expect_at(stored()[0]->through[2047].data(), 2047, 2.047, 0);
  EXPECT_EQ(marks().size(), 2048u);

  struct Case {
    const char* kind;
    int64_t stop_from;
    size_t entities, marks;
    int32_t first_kind;
  } cases[] = {
      {"points", 1024, 1024, 1024, ENT_POINT},
      {"lines", 1024, 1023, 1024, ENT_LINE},
      {"nurbs", 1024, 1, 1024, ENT_NURBS_CURVE},
      {"draw", 2048, 0, 2048, 0},
      {"spline", 0, 0, 0, 0},        // stopped before the first step: nothing gathered, no spline
      {"points", 4096, 3001, 3001, ENT_POINT},  // a stop never asked for runs to the end
  };
  for (const Case& c : cases) {
    host_.database.clear();
    front_end_.progress.clear();
    front_end_.stop_from = c.stop_from;
    plot(ramp + "geometry = " + c.kind + "\n");
    ASSERT_EQ(stored().size(), c.entities) << c.kind << " stopped at " << c.stop_from;
    EXPECT_EQ(marks().size(), c.marks) << c.kind;
    if (c.entities > 0) {
      EXPECT_EQ(stored()[0]->kind, c.first_kind) << c.kind;
    }
    if (std::string(c.kind) == "draw") {
      EXPECT_EQ(lines().size(), 2047u);
    }
  }
  const auto* last = stored().back();
  expect_at(last->p1, 3000, 3, 0);
  EXPECT_EQ(front_end_.progress.back(), (std::pair<int64_t, int64_t>{2048, 3001}));
}

TEST_F(CurvePlotTest, StoppedPlotStillClosesAndShowsItsTraceLog) {
  PlotSettings.trace_variables = 1;
  front_end_.stop_from = 1024;
  plot("step_var1 = t\nupper_limit1 = 5000\nstep_size1 = 1\ngeometry = points\nx = t\n");
  ASSERT_EQ(front_end_.listed_text.size(), 1u);
  const std::string& log = front_end_.listed_text[0];
  EXPECT_NE(log.find("\nt = 1023\nx = 1023\n\n"), std::string::npos);
  EXPECT_EQ(log.find("t = 1024\n"), std::string::npos);
  EXPECT_EQ(stored().size(), 1024u);
}

TEST_F(CurvePlotTest, InertEntriesAndOtherKinds) {
  // The failed line between the statements is never run; kind 2 only draws markers.
  plot("step_var1 = t\ngeometry = points\nx = t\ny = (t\ny = 2\n");
  EXPECT_EQ(stored().size(), 5u);
  EXPECT_DOUBLE_EQ(stored()[4]->p1[1], 2.0);
  host_.database.clear();
  Statement* head = read_text("step_var1 = t\nx = t\n");
  PlotSettings.geometry = 2;
  plot_geometry(head);
  EXPECT_TRUE(stored().empty());
  EXPECT_EQ(marks().size(), 5u);
}

TEST_F(CurvePlotTest, AngleUnitInForceWhenPlottedApplies) {
  Statement* head = read_text("step_var1 = t\nupper_limit1 = 90\nstep_size1 = 90\ngeometry = points\nx = sin(t)\n");
  PlotSettings.use_degrees = 1;
  plot_geometry(head);
  ASSERT_EQ(stored().size(), 2u);
  EXPECT_NEAR(stored()[1]->p1[0], 1.0, 1e-15);
  host_.database.clear();
  PlotSettings.use_degrees = 0;
  plot_geometry(head);
  ASSERT_EQ(stored().size(), 2u);
  EXPECT_NEAR(stored()[1]->p1[0], std::sin(90.0), 1e-15);
}

}  // namespace
