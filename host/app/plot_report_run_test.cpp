// What a batch plot tells of a plot that kept only part of what it meant to make, or of file lines
// that were not read: the words on standard error, the summary on standard output, the exit status
// and the transcript's plot_issue events, run through the built orvantis as a user runs it.
#include <gtest/gtest.h>

#include "app/app_test_support.h"

namespace orv::app::testing {
namespace {

const std::string kOrvantis = ORV_TEST_ORVANTIS;

const std::string kCurve = "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 10\nstep_size1 = 1\n";
const std::string kGrid =
    "step_var1 = u\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\n"
    "step_var2 = v\nlower_limit2 = 0\nupper_limit2 = 4\nstep_size2 = 1\n";
const std::string kNineByNine =
    "step_var1 = u\nlower_limit1 = 0\nupper_limit1 = 8\nstep_size1 = 1\n"
    "step_var2 = v\nlower_limit2 = 0\nupper_limit2 = 8\nstep_size2 = 1\n";

struct Case {
  const char* name;
  std::string text;
  int status;
  std::string err;   // standard error, whole; "NAME" stands for the file's path
  std::string made;  // the summary's account of what was made
};

std::string with_name(std::string text, const std::string& name) {
  for (std::size_t at = text.find("NAME"); at != std::string::npos; at = text.find("NAME", at + name.size()))
    text.replace(at, 4, name);
  return text;
}

TEST(PlotReportRun, BatchTellsWhatEachPlotKeptAndWhy) {
  const std::string hint = " (kuvra-check NAME names the step variables' values there)\n";
  const Case cases[] = {
      {"spline_ends_early", kCurve + "geometry = spline\nx = t\ny = sqrt(5 - t)\n", 3,
       "orvantis: NAME:7: \"y = sqrt(5 - t)\": square root of a negative number at step 7 of 11: the spline ends "
       "there, through 6 of 11 points" + hint,
       "1 spline through 6 of 11 points, 6 marks"},
      {"nurbs_ends_early", kCurve + "geometry = nurbs\nx = t\ny = sqrt(5 - t)\n", 3,
       "orvantis: NAME:7: \"y = sqrt(5 - t)\": square root of a negative number at step 7 of 11: the NURB curve "
       "ends there, through 6 of 11 points" + hint,
       "1 NURB curve through 6 of 11 points, 6 marks"},
      {"lines_end_early", kCurve + "geometry = lines\nx = t\ny = 1 / (t - 5)\n", 3,
       "orvantis: NAME:7: \"y = 1 / (t - 5)\": division by zero at step 6 of 11: the plot ends there; 4 lines "
       "kept" + hint,
       "4 lines, 5 marks"},
      {"points_skip_steps", kCurve + "geometry = points\nx = t\ny = sqrt(abs(t - 5) - 2)\n", 3,
       "orvantis: NAME:7: \"y = sqrt(abs(t - 5) - 2)\": square root of a negative number: skipped 3 of 11 steps, "
       "the first at step 5; 8 of 11 points kept" + hint,
       "8 of 11 points, 11 marks"},
      {"nurbs_surf_drops_rows", kNineByNine + "geometry = nurbs_surf\nx = u\ny = v\nz = 1 / (abs(u - 2) + abs(v - 4))\n",
       3,
       "orvantis: NAME:12: \"z = 1 / (abs(u - 2) + abs(v - 4))\": division by zero at grid point 23 of 81 (row 3, "
       "column 5): the grid point is skipped; the surface keeps its first 2 of 9 rows, the complete ones before "
       "the first failed grid point" + hint,
       "1 NURB surface through 2 x 9 of 9 x 9 points, 80 marks"},
      {"surface_ends_at_a_rows_last_point", kGrid + "geometry = parametric_surf\nx = u\ny = v\nz = 1 / (v - 4 + 10 * abs(u - 2))\n",
       3,
       "orvantis: NAME:12: \"z = 1 / (v - 4 + 10 * abs(u - 2))\": division by zero at grid point 15 of 25 (row 3, "
       "column 5): the plot ends there (the last grid point of its row); the surface keeps its first 2 of 5 rows, "
       "the complete ones before the first failed grid point" + hint,
       "1 surface through 2 x 5 of 5 x 5 points, 14 marks"},
      {"points_surf_repeats_counted", kGrid + "geometry = points_surf\nx = u\ny = v\nz = sqrt(u - v)\n", 3,
       "orvantis: NAME:12: \"z = sqrt(u - v)\": square root of a negative number: skipped 10 of 25 grid points, "
       "the first at grid point 2; 15 of 25 points kept" + hint,
       "15 of 25 points"},
      {"spline_refused_for_its_size",
       "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 360000\nstep_size1 = 1\ngeometry = spline\nx = t\ny = t\n", 3,
       "orvantis: NAME: the plot was refused for its size before anything was drawn: the limit is 32,000 steps, "
       "that is 32,001 points, for a spline or NURB spline, and 32,767 rows of 32,767 points for a surface\n",
       "made nothing"},
      {"lines_not_read", kCurve + "geometry = spline\nx = t\ny = (t\nz = .\n", 3,
       "orvantis: NAME: 2 lines not read: line 7 \"y = (t\": the parentheses do not balance; line 8 \"z = .\": a "
       "number cannot be read (such as a lone point)\n",
       "1 spline through 11 points, 11 marks"},
      {"clean", kCurve + "geometry = spline\nx = t\ny = t * t\n", 0, "", "1 spline through 11 points, 11 marks"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch s;
    const fs::path f = s.file(std::string(c.name) + ".eqn", c.text);
    const Outcome r = run_program(kOrvantis, {"plot", f.string(), "--main-dir", s.main_dir().string(), "--temp-dir",
                                              s.temp_dir().string()},
                                  "", s.root());
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err, with_name(c.err, f.string()));
    EXPECT_EQ(r.out, "orvantis: " + f.string() + ": " + c.made + "\n");
  }
}

// One plot_issue event a note, with the fields a program needs to point at the line.
TEST(PlotReportRun, TranscriptHoldsOnePlotIssueEventANote) {
  Scratch s;
  const fs::path f = s.file("f.eqn", kCurve + "geometry = points\nx = t\ny = sqrt(abs(t - 5) - 2)\nw = (\n");
  const fs::path transcript = s / "t.jsonl";
  const Outcome r = run_program(kOrvantis,
                                {"plot", f.string(), "--main-dir", s.main_dir().string(), "--temp-dir",
                                 s.temp_dir().string(), "--transcript", transcript.string()},
                                "", s.root());
  EXPECT_EQ(r.status, 3) << r.err;
  const std::vector<nlohmann::json> issues = events_of(read_transcript(transcript), "plot_issue");
  ASSERT_EQ(issues.size(), 2u);
  const nlohmann::json& not_read = issues[0];
  EXPECT_EQ(not_read["kind"], "not_read");
  EXPECT_EQ(not_read["file"], f.string());
  EXPECT_EQ(not_read["line"], 8);
  EXPECT_EQ(not_read["text"], "w = (");
  EXPECT_EQ(not_read["status"], -9);
  EXPECT_EQ(not_read["reason"], "the parentheses do not balance");
  const nlohmann::json& skipped = issues[1];
  EXPECT_EQ(skipped["kind"], "skipped");
  EXPECT_EQ(skipped["line"], 7);
  EXPECT_EQ(skipped["text"], "y = sqrt(abs(t - 5) - 2)");
  EXPECT_EQ(skipped["status"], -13);
  EXPECT_EQ(skipped["reason"], "square root of a negative number");
  EXPECT_EQ(skipped["step"], 5);
  EXPECT_EQ(skipped["steps"], 11);
  EXPECT_EQ(skipped["count"], 3);
  EXPECT_NE(skipped["words"].get<std::string>().find("skipped 3 of 11 steps, the first at step 5"), std::string::npos);
}

}  // namespace
}  // namespace orv::app::testing
