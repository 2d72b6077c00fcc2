// The dry run's findings, each from a small equation file: the failing steps with their values and
// what the plot does then, what the plot would make, and what the plot or the host would refuse.
#include <gtest/gtest.h>

#include <string>

#include "check_test_support.h"

namespace {

using nlohmann::json;

std::string curve(const char* geometry, const char* range, const std::string& statements) {
  return std::string("step_var1 = t\n") + range + "geometry = " + geometry + "\n" + statements;
}

std::string surface(const char* geometry, const char* ranges, const std::string& statements) {
  return std::string("step_var1 = u\nstep_var2 = v\n") + ranges + "geometry = " + geometry + "\n" + statements;
}

constexpr const char* t_0_10 = "lower_limit1 = 0\nupper_limit1 = 10\nstep_size1 = 1\n";
constexpr const char* grid_5x5 =
    "lower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\nlower_limit2 = 0\nupper_limit2 = 4\nstep_size2 = 1\n";

struct FailureCase {
  const char* name;
  std::string file;
  int line, step, status;
  json values;
  const char* effect;
  json makes;
};

TEST(DryRun, FailingStepsAndWhatFollows) {
  const FailureCase cases[] = {
      {"spline ends, curve from the points before", curve("spline", t_0_10, "x = t\ny = sqrt(5 - t)\n"), 7, 7, -13,
       {{"t", 6}}, "ends", {"a spline through 6 points", "6 marks on the screen"}},
      {"points skip a domain failure", curve("points", t_0_10, "x = t\ny = sqrt(5 - t)\n"), 7, 7, -13, {{"t", 6}},
       "skips", {"6 points", "11 marks on the screen"}},
      {"points end at another failure", curve("points", t_0_10, "x = t\ny = q\n"), 7, 1, 105, {{"t", 0}}, "ends",
       {"nothing"}},
      {"lines end, lines so far stay", curve("lines", t_0_10, "x = t\ny = 1/(t - 3)\n"), 7, 4, -12, {{"t", 3}}, "ends",
       {"2 lines", "3 marks on the screen"}},
      {"a failing note", curve("draw", t_0_10, "# a bare note\nx = t\n"), 6, 1, -10, {{"t", 0}}, "ends", {"nothing"}},
      {"draw_surf skips a point inside a row",
       surface("draw_surf", grid_5x5, "x = u\ny = v\nz = 1/(v - 2)\n"), 12, 3, -12, {{"u", 0}, {"v", 2}}, "skips",
       {"20 marks on the screen"}},
      {"parametric_surf ends at a row's last point",
       surface("parametric_surf", grid_5x5, "x = u\ny = v\nz = 1/(u*v - 8)\n"), 12, 15, -12, {{"u", 2}, {"v", 4}},
       "ends", {"a surface through a grid of 2 x 5", "14 marks on the screen"}},
  };
  for (const FailureCase& c : cases) {
    CheckResult result;
    json r = check_json(c.file, &result)["dry_run"];
    ASSERT_EQ(r["failures"].size(), 1u) << c.name << "\n" << r.dump();
    const json& f = r["failures"][0];
    EXPECT_EQ(f["line"], c.line) << c.name;
    EXPECT_EQ(f["step"], c.step) << c.name;
    EXPECT_EQ(f["status"], c.status) << c.name;
    EXPECT_EQ(f["values"], c.values) << c.name;
    EXPECT_EQ(f["effect"], c.effect) << c.name;
    EXPECT_EQ(r["makes"], c.makes) << c.name;
    EXPECT_TRUE(result.dry_run_failed) << c.name;
  }
}

TEST(DryRun, PlainReportNamesTheStepTheValuesAndTheReason) {
  std::string report = check_text(curve("spline", t_0_10, "x = t\ny = sqrt(5 - t)\n"), CheckOptions{});
  EXPECT_NE(report.find("test.eqn: dry run: geometry = spline, 10 steps of t, 11 points\n"), std::string::npos) << report;
  EXPECT_NE(report.find("test.eqn:7: point 7 (t = 6): y = sqrt(5 - t): square root of a negative number (status -13); "
                        "the plot ends there"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("test.eqn: dry run: would make a spline through 6 points"), std::string::npos) << report;
  // A curve names one step variable, and kinds by their keyword only.
  EXPECT_EQ(report.find("step_var2"), std::string::npos) << report;
  EXPECT_EQ(report.find("(7)"), std::string::npos) << report;

  std::string grid = check_text(surface("draw_surf", grid_5x5, "x = u\ny = v\nz = 1/(v - 2)\n"), CheckOptions{});
  EXPECT_NE(grid.find("test.eqn:12: grid point 3 (u = 0, v = 2): z = 1/(v - 2): division by zero"), std::string::npos)
      << grid;
  EXPECT_NE(grid.find("25 grid points (5 values of u by 5 of v)"), std::string::npos) << grid;
  EXPECT_NE(grid.find("step_var2 = v"), std::string::npos) << grid;
}

struct RefusalCase {
  const char* name;
  std::string file;
  const char* refusal;  // a part of the only refusal
};

TEST(DryRun, WhatThePlotOrTheHostRefuses) {
  const RefusalCase cases[] = {
      {"over 32000 spline steps",
       curve("spline", "lower_limit1 = 0\nupper_limit1 = 32001\nstep_size1 = 1\n", "x = t\n"),
       "a spline takes at most 32,000 steps, that is 32,001 points; this plot has 32,001 steps of t, that is 32,002 points"},
      {"a grid side over 32767",
       surface("parametric_surf",
               "lower_limit1 = 0\nupper_limit1 = 40000\nstep_size1 = 1\nlower_limit2 = 0\nupper_limit2 = 1\nstep_size2 = 1\n",
               "x = u\ny = v\n"),
       "at most 32767 x 32767 points, this one is 40001 x 2"},
      {"a grid larger than the host's buffer",
       surface("nurbs_surf",
               "lower_limit1 = 0\nupper_limit1 = 3000\nstep_size1 = 1\nlower_limit2 = 0\nupper_limit2 = 3000\nstep_size2 = 1\n",
               "x = u\ny = v\n"),
       "surface buffer refused: 9006011 points asked for; it holds from 1 to 4194304"},
      {"a spline point that is not finite", curve("spline", t_0_10, "x = t\ny = ln(t)\n"),
       "the host refuses a spline through 11 points: spline refused: point 1 of 11 is not finite (y = -inf)"},
      {"a spline whose points coincide", curve("spline", t_0_10, "x = 1\n"), "all 11 points coincide"},
      {"a NURB curve whose points coincide", curve("nurbs", t_0_10, "x = 1\n"), "all 11 points coincide"},
      {"stored points that are not finite", curve("points", t_0_10, "x = t\ny = ln(t)\n"),
       "refuses 1 point with a coordinate that is not finite (the first at point 1)"},
      {"lines that are not finite", curve("lines", t_0_10, "x = t\ny = ln(abs(t - 5))\n"),
       "refuses 2 lines with an end that is not finite (the first at point 6)"},
      {"a surface point that is not finite", surface("parametric_surf", grid_5x5, "x = u\ny = v\nz = ln(u*v)\n"),
       "is not finite"},
      {"a grid with no area", surface("nurbs_surf", grid_5x5, "x = u\ny = 0\nz = 0\n"),
       "surface refused (a 5 x 5 grid): the grid has no area: its rows or its columns all coincide"},
      // The load-time step variable is x, which this file never mentions.
      {"a missing step variable", "geometry = draw\ny = 1\n",
       "the plot stops before it starts with the box \"Warning x not found in equation\""},
      {"the second step variable missing", "step_var1 = u\ngeometry = draw_surf\nx = u\n",
       "\"Warning y not found in equation\""},
  };
  for (const RefusalCase& c : cases) {
    CheckResult result;
    json r = check_json(c.file, &result)["dry_run"];
    ASSERT_EQ(r["refusals"].size(), 1u) << c.name << "\n" << r.dump();
    EXPECT_NE(r["refusals"][0].get<std::string>().find(c.refusal), std::string::npos) << c.name << "\n" << r.dump();
    EXPECT_TRUE(result.dry_run_failed) << c.name;
  }
}

TEST(DryRun, ACleanPlotMakesWhatItsKindMakes) {
  const struct {
    const char* geometry;
    json makes;
  } cases[] = {
      {"draw", {"11 marks and 10 lines on the screen"}},
      {"points", {"11 points", "11 marks on the screen"}},
      {"lines", {"10 lines", "11 marks on the screen"}},
      {"spline", {"a spline through 11 points", "11 marks on the screen"}},
      {"nurbs", {"a NURB curve through 11 points", "11 marks on the screen"}},
  };
  for (const auto& c : cases) {
    CheckResult result;
    json r = check_json(curve(c.geometry, t_0_10, "x = t\ny = t*t\n"), &result)["dry_run"];
    EXPECT_EQ(r["makes"], c.makes) << c.geometry;
    EXPECT_EQ(r["steps"], 11) << c.geometry;
    EXPECT_TRUE(r["refusals"].empty()) << c.geometry;
    EXPECT_FALSE(result.dry_run_failed) << c.geometry;
  }
  json r = check_json(surface("points_surf", grid_5x5, "x = u\ny = v\nz = sqrt(u - 2)\n"))["dry_run"];
  EXPECT_EQ(r["makes"], json({"15 points"}));
  EXPECT_EQ(r["failures"][0]["effect"], "skips");
}

TEST(DryRun, AHugePlotStopsAtTheStepLimit) {
  CheckOptions options;
  options.json = true;
  CheckResult result;
  json r = json::parse(check_text(curve("draw", "lower_limit1 = 0\nupper_limit1 = 2\nstep_size1 = 1e-9\n", "x = t\n"),
                                  options, &result))["dry_run"];
  EXPECT_EQ(r["steps"], 2000000001);
  EXPECT_TRUE(r["stopped"]);
  EXPECT_GE(r["run"].get<int64_t>(), dry_run_step_limit);
  EXPECT_LT(r["run"].get<int64_t>(), dry_run_step_limit + 1024 + 1);
  EXPECT_FALSE(result.dry_run_failed);  // a stopped dry run is not a fault of the file

  options.json = false;
  options.step_limit = 5000;
  std::string report = check_text(
      surface("draw_surf", "lower_limit1 = 0\nupper_limit1 = 99\nstep_size1 = 1\nlower_limit2 = 0\nupper_limit2 = 99\nstep_size2 = 1\n",
              "x = u\ny = v\n"),
      options);
  EXPECT_NE(report.find("dry run: stopped after 5,120 of 10,000 grid points (a dry run executes at most 5,000)"),
            std::string::npos)
      << report;
}

// What a surface built from its grid keeps after a failed point: the words and what the recording
// host was given must agree.
TEST(DryRun, ASurfaceSaysWhatItKeeps) {
  const struct {
    const char* name;
    std::string file;
    const char* follows;  // a part of what the dry run says follows the first failure
    json makes;
  } cases[] = {
      {"two complete rows", surface("parametric_surf", grid_5x5, "x = u\ny = v\nz = 1/(u - 2)\n"),
       "the point is skipped and the row goes on; but the surface keeps only the 2 complete rows before it "
       "(u = 0 to 1), a grid of 2 x 5 instead of 5 x 5",
       {"a surface through a grid of 2 x 5", "10 marks on the screen"}},
      {"a failure in the first row", surface("parametric_surf", grid_5x5, "x = u\ny = v\nz = 1/(v - 2)\n"),
       "no surface is made: it needs 2 complete rows before the first failed point, and none comes before it",
       {"no surface: fewer than 2 complete rows before the first failed point", "20 marks on the screen"}},
      {"one complete row", surface("nurbs_surf", grid_5x5, "x = u\ny = v\nz = 1/(u - 1)\n"), "and only 1 comes before it",
       {"no surface: fewer than 2 complete rows before the first failed point", "5 marks on the screen"}},
      {"a preview keeps every other point", surface("draw_surf", grid_5x5, "x = u\ny = v\nz = 1/(v - 2)\n"),
       "the point is skipped and the row goes on", {"20 marks on the screen"}},
  };
  for (const auto& c : cases) {
    json r = check_json(c.file)["dry_run"];
    ASSERT_FALSE(r["failures"].empty()) << c.name;
    EXPECT_NE(r["failures"][0]["what_follows"].get<std::string>().find(c.follows), std::string::npos)
        << c.name << ": " << r["failures"][0]["what_follows"];
    EXPECT_EQ(r["makes"], c.makes) << c.name;
  }
  std::string text = check_text(surface("draw_surf", grid_5x5, "x = u\ny = v\nz = 1/(v - 2)\n"), CheckOptions{});
  EXPECT_EQ(text.find("surface keeps"), std::string::npos) << text;
}

// A plot refused for its size says so once, in one wording of steps and points, and never leaves
// "would make" without an object.
TEST(DryRun, ASplineRefusedForItsSize) {
  CheckResult result;
  std::string report =
      check_text(curve("spline", "lower_limit1 = 0\nupper_limit1 = 360000\nstep_size1 = 1\n", "x = t\n"),
                 CheckOptions{}, &result);
  EXPECT_TRUE(result.dry_run_failed);
  EXPECT_NE(report.find("dry run: geometry = spline, 360,000 steps of t, 360,001 points\n"), std::string::npos) << report;
  EXPECT_NE(report.find("dry run: would make nothing\n"), std::string::npos) << report;
  EXPECT_NE(report.find("dry run: the plot is refused for its size before anything is drawn: a spline takes at most "
                        "32,000 steps, that is 32,001 points; this plot has 360,000 steps of t, that is 360,001 points"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("would make \n"), std::string::npos) << report;
  const std::string dry_run = report.substr(report.find("dry run:"));  // the file's own lines hold 360000
  EXPECT_EQ(dry_run.find("360001"), std::string::npos) << report;
  EXPECT_EQ(dry_run.find("360000"), std::string::npos) << report;
  // At the limit itself the spline is made.
  json r = check_json(curve("spline", "lower_limit1 = 0\nupper_limit1 = 32000\nstep_size1 = 1\n", "x = t\n"))["dry_run"];
  EXPECT_TRUE(r["refusals"].empty()) << r.dump();
  EXPECT_EQ(r["makes"][0], "a spline through 32,001 points");
}

}  // namespace
