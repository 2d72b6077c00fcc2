// Equation file reader and writer: what a file turns into, the fixed layout written back, numbers
// that read back as the same double, failing lines kept verbatim, and the edit-and-read-again cycle.
#include "eqfile/equation_file.h"

#include <cmath>
#include <cstring>
#include <filesystem>

#include "eqfile/plot_test_support.h"

namespace {

class EquationFileTest : public PlotTest {};

constexpr const char* helix_file =
    "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 360\nstep_size1 = 10\ngeometry = spline\n"
    "angles = degrees\nx = cos(t)\ny = sin(t)\nz = t/360\n";

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST_F(EquationFileTest, HelixFileBecomesSettingsAndThreeStatements) {
  PlotSettings.use_degrees = 0;
  Statement* head = read_text(helix_file);
  EXPECT_EQ(texts(head), (std::vector<std::string>{"x = cos(t)", "y = sin(t)", "z = t/360"}));
  EXPECT_STREQ(PlotSettings.step_var[0], "t");
  EXPECT_EQ(PlotSettings.lower_limit[0], 0.0);
  EXPECT_EQ(PlotSettings.upper_limit[0], 360.0);
  EXPECT_EQ(PlotSettings.step_size[0], 10.0);
  EXPECT_EQ(PlotSettings.geometry, kw_spline);
  EXPECT_EQ(PlotSettings.use_degrees, 1);
  EXPECT_EQ(written_text(head),
            "step_var1 = t\nstep_size1 = 10\nlower_limit1 = 0\nupper_limit1 = 360\ngeometry = spline\n"
            "angles = degrees\norigin = 0, 0, 0\nx = cos(t)\ny = sin(t)\nz = t/360\n");
}

TEST_F(EquationFileTest, SurfaceFilesWriteBothBlocksCurveFilesOnlyTheFirst) {
  Statement* head = read_text("geometry = nurbs_surf\nstep_var1 = u\nstep_var2 = v\nstep_size2 = 0.5\n"
                              "angles = radians\norigin = 1\nx = u\ny = v\n");
  EXPECT_EQ(written_text(head),
            "step_var1 = u\nstep_size1 = 0.25\nlower_limit1 = 0\nupper_limit1 = 1\n"
            "step_var2 = v\nstep_size2 = 0.5\nlower_limit2 = 0\nupper_limit2 = 1\n"
            "geometry = nurbs_surf\nangles = radians\norigin = 1, 0, 0\nx = u\ny = v\n");
  // A curve kind drops the second block from the file but keeps it in memory.
  head = read_text("geometry = points\nstep_var2 = w\nx = t\n");
  EXPECT_STREQ(PlotSettings.step_var[1], "w");
  EXPECT_EQ(written_text(head).find("step_var2"), std::string::npos);
}

TEST_F(EquationFileTest, SettingsLinesInAnyOrderGiveTheSameResult) {
  Statement* in_order = read_text("step_var1 = s\nstep_size1 = 0.1\nlower_limit1 = -1\nupper_limit1 = 2*pi\n"
                                  "geometry = lines\nangles = radians\nx = s\ny = s*s\n");
  std::string expected = written_text(in_order);
  PlotSettings = initial_plot_settings;
  Statement* shuffled = read_text("x = s\nupper_limit1 = 2*pi\ngeometry = lines\ny = s*s\n\n   \n()\n"
                                  "angles = radians\nstep_size1 = 0.3\nlower_limit1 = -1\nstep_var1 = s\n"
                                  "step_size1 = 0.1\n");
  EXPECT_EQ(written_text(shuffled), expected);
  EXPECT_EQ(PlotSettings.upper_limit[0], 6.283185307179586);
}

TEST_F(EquationFileTest, EmptyAndSettingsOnlyFilesLeaveNoStatements) {
  PlotSettings.step_size[0] = 0.125;
  EXPECT_EQ(read_text(""), nullptr);
  EXPECT_EQ(PlotSettings.step_size[0], 0.125);
  EXPECT_EQ(VariableTable.count, 2);
  EXPECT_EQ(read_text("step_size1 = 0.5\ngeometry = draw_surf\n"), nullptr);
  EXPECT_EQ(PlotSettings.step_size[0], 0.5);
  EXPECT_EQ(PlotSettings.geometry, kw_draw_surf);
}

TEST_F(EquationFileTest, RepeatedAndCommentLikeLinesAreStatementsWrittenBackAsRead) {
  Statement* head = read_text("x = t\n# note\nx = t\nGeometry = draw\n");
  EXPECT_EQ(texts(head), (std::vector<std::string>{"x = t", "# note", "x = t", "Geometry = draw"}));
  EXPECT_GE(find_variable("#note"), 0);
  for (const Statement* s = head; s != nullptr; s = s->next) EXPECT_FALSE(is_inert(s));
  std::string text = written_text(head);
  EXPECT_NE(text.find("\nx = t\n# note\nx = t\nGeometry = draw\n"), std::string::npos);
  EXPECT_NE(text.find("geometry = draw\n"), std::string::npos);
}

// Failing lines stay in their place, inert, and come back unchanged; their settings are not applied.
TEST_F(EquationFileTest, FailingLinesAreKeptVerbatimAsInertEntries) {
  Statement* head = read_text("x = t\ny = (t + 1\ngeometry = 3\ndegrees = 1\nstep_var1 = 3\nz = 2\n"
                              "lower_limit1 = undefinedname\n");
  EXPECT_EQ(texts(head), (std::vector<std::string>{"x = t", "y = (t + 1", "geometry = 3", "degrees = 1",
                                                   "step_var1 = 3", "z = 2", "lower_limit1 = undefinedname"}));
  std::vector<int> statuses;
  for (const Statement* s = head; s != nullptr; s = s->next) statuses.push_back(s->failed_status);
  EXPECT_EQ(statuses[0], 0);
  EXPECT_EQ(statuses[1], status_unbalanced);
  EXPECT_NE(statuses[2], 0);
  EXPECT_EQ(statuses[3], status_wrong_sort);
  EXPECT_NE(statuses[4], 0);
  EXPECT_EQ(statuses[5], 0);
  EXPECT_NE(statuses[6], 0);
  EXPECT_EQ(head->next->length, 0);
  EXPECT_EQ(PlotSettings.geometry, kw_draw);
  EXPECT_STREQ(PlotSettings.step_var[0], "x");
  EXPECT_EQ(PlotSettings.lower_limit[0], 0.0);

  // Reading what was written keeps the same entries in the same places.
  std::string first = written_text(head);
  EXPECT_NE(first.find("origin = 0, 0, 0\nx = t\ny = (t + 1\ngeometry = 3\ndegrees = 1\n"), std::string::npos);
  Statement* again = read_text(first);
  EXPECT_EQ(texts(again), texts(head));
  EXPECT_EQ(written_text(again), first);
  // A line that fails after assigning part of its keywords sets none of them.
  read_text("step_var1 = t ===dz==step_var1 = s\nx = t\n");
  EXPECT_STREQ(PlotSettings.step_var[0], "x");
  // A list of failed lines only is still something to write back.
  EXPECT_NE(read_text("y = (\n"), nullptr);
}

TEST_F(EquationFileTest, TextsEndingInACarriageReturnSurviveTheWriteBack) {
  // The host's line reading drops one carriage return before a line feed, and only one.
  Statement* head = read_text("x = t\r\r\ny = t\r\n");
  EXPECT_EQ(texts(head), (std::vector<std::string>{"x = t\r", "y = t"}));
  std::string written = written_text(head);
  EXPECT_NE(written.find("\nx = t\r\r\ny = t\n"), std::string::npos);
  EXPECT_EQ(texts(read_text(written)), texts(head));
  // So does a step variable's name.
  read_text("step_var1 = t\r\r\n");
  EXPECT_STREQ(PlotSettings.step_var[0], "t\r");
  read_text(written_text(nullptr));
  EXPECT_STREQ(PlotSettings.step_var[0], "t\r");
}

TEST(FileNumberTest, ShortestTextThatReadsBackTheSameDouble) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},          {-0.0, "-0"},       {0.25, "0.25"},        {10.0, "10"},
      {1e6, "1e6"},        {1234567.0, "1234567"}, {6.28319, "6.28319"}, {2 * M_PI, "6.283185307179586"},
      {-1e-7, "-1e-07"},   {1e300, "1e300"},   {-2.5e100, "-2.5e100"}, {0.1, "0.1"},
      {1e16, "1e16"},      {123456789012.0, "123456789012"}, {1.0 / 3.0, "0.3333333333333333"},
      {5e-324, "4.94066e-324"},
  };
  for (const Case& c : cases) {
    char out[32];
    format_file_number(c.value, out, sizeof out);
    EXPECT_STREQ(out, c.text) << c.text;
    EXPECT_TRUE(same_bits(std::strtod(out, nullptr), c.value)) << c.text;
  }
}

TEST_F(EquationFileTest, WrittenNumbersReadBackBitIdenticalAndASecondWriteIsTheSame) {
  PlotSettings.geometry = kw_parametric_surf;
  std::strcpy(PlotSettings.step_var[0], "u");
  std::strcpy(PlotSettings.step_var[1], "v");
  PlotSettings.lower_limit[0] = -1e-7;
  PlotSettings.upper_limit[0] = 2 * M_PI;
  PlotSettings.step_size[0] = 1e6;
  PlotSettings.lower_limit[1] = 1234567.0;
  PlotSettings.upper_limit[1] = 1e300;
  PlotSettings.step_size[1] = 0.1 + 0.2;
  PlotSettings.origin[0] = -1e-7;
  PlotSettings.origin[1] = 1e300;
  PlotSettings.origin[2] = -2 * M_PI;
  PlotSettings.use_degrees = 0;
  Statement* head = read_text("x = u * 1e6\ny = v\n");
  PlotSettingsRecord before = PlotSettings;
  std::string first = written_text(head);
  EXPECT_NE(first.find("step_size1 = 1e6\n"), std::string::npos);
  EXPECT_NE(first.find("origin = -1e-07, 1e300, -6.283185307179586\n"), std::string::npos);

  PlotSettings = initial_plot_settings;
  Statement* again = read_text(first);
  EXPECT_EQ(texts(again), texts(head));
  for (int i = 0; i < 2; ++i) {
    EXPECT_STREQ(PlotSettings.step_var[i], before.step_var[i]);
    EXPECT_TRUE(same_bits(PlotSettings.lower_limit[i], before.lower_limit[i])) << i;
    EXPECT_TRUE(same_bits(PlotSettings.upper_limit[i], before.upper_limit[i])) << i;
    EXPECT_TRUE(same_bits(PlotSettings.step_size[i], before.step_size[i])) << i;
  }
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(same_bits(PlotSettings.origin[i], before.origin[i])) << i;
  EXPECT_EQ(PlotSettings.geometry, before.geometry);
  EXPECT_EQ(PlotSettings.use_degrees, before.use_degrees);
  EXPECT_EQ(written_text(again), first);
}

TEST_F(EquationFileTest, EditReadsTheEditedFileAgain) {
  std::string path = write_file("edit.eqn", "x = t\n");
  Statement* head = nullptr;
  front_end_.on_edit = [&](const std::string& p) { std::ofstream(p) << "geometry = lines\nx = 2*t\ny = t\n"; };
  edit_equation_file(path.c_str(), &head);
  EXPECT_EQ(front_end_.edited, std::vector<std::string>{path});
  EXPECT_EQ(texts(head), (std::vector<std::string>{"x = 2*t", "y = t"}));
  EXPECT_EQ(PlotSettings.geometry, kw_lines);

  // When the file is gone after editing, the list and the settings stay as they were.
  front_end_.on_edit = [](const std::string& p) { std::filesystem::remove(p); };
  Statement* kept = head;
  edit_equation_file(path.c_str(), &head);
  EXPECT_EQ(head, kept);
  EXPECT_EQ(PlotSettings.geometry, kw_lines);
}

}  // namespace
