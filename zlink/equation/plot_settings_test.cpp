// Plot settings: load-time values and the copy of set keyword rows after a file was read.
#include "equation/plot_settings.h"

#include <cstring>
#include <string>

#include "equation/line_routing.h"
#include "equation/language_test_support.h"

namespace {

using Settings = LanguageTest;

std::string dump(const PlotSettingsRecord& s) {
  char out[512];
  dump_plot_settings(s, out, sizeof out);
  return out;
}

// Compiles every line as the reader does, then applies the settings.
void read_lines(std::initializer_list<const char*> lines) {
  Statement* head = nullptr;
  Statement* tail = nullptr;
  reset_equation_tables();
  for (const char* line : lines) compile_line(line, &head, &tail);
  apply_keyword_settings();
}

TEST_F(Settings, LoadTimeValues) {
  EXPECT_EQ(dump(initial_plot_settings),
            "degrees geometry=4(draw) var1=x 0..1 by 0.25 var2=y 0..1 by 0.25 origin=0,0,0 trace=0");
}

TEST_F(Settings, NothingSetChangesNothing) {
  PlotSettings.geometry = 11;
  PlotSettings.lower_limit[1] = -3;
  std::strcpy(PlotSettings.step_var[0], "u");
  PlotSettingsRecord before = PlotSettings;
  read_lines({"x = t", "", "geometry = 3", "degrees = 1", "step_var1 = 3", "Geometry = draw"});
  EXPECT_EQ(dump(PlotSettings), dump(before));
}

TEST_F(Settings, TheWorkedExample) {
  read_lines({"step_var1 = t", "lower_limit1 = 0", "upper_limit1 = 360", "step_size1 = 10",
              "geometry = spline", "angles = degrees", "x = cos(t)", "y = sin(t)", "z = t/360"});
  EXPECT_EQ(dump(PlotSettings),
            "degrees geometry=7(spline) var1=t 0..360 by 10 var2=y 0..1 by 0.25 origin=0,0,0 trace=0");
}

TEST_F(Settings, EveryRowLandsInItsField) {
  read_lines({"angles = radians", "geometry = nurbs_surf", "step_var2 = v", "step_var1 = u",
              "upper_limit1 = 2*pi", "lower_limit1 = -1", "lower_limit2 = -2", "upper_limit2 = 5",
              "step_size1 = 0.1", "step_size1 = 0.2", "step_size2 = 0.5"});
  EXPECT_EQ(PlotSettings.use_degrees, 0);
  EXPECT_EQ(PlotSettings.geometry, 12);
  EXPECT_STREQ(PlotSettings.step_var[0], "u");
  EXPECT_STREQ(PlotSettings.step_var[1], "v");
  EXPECT_EQ(PlotSettings.upper_limit[0], 6.283185307179586);
  EXPECT_EQ(PlotSettings.lower_limit[0], -1.0);
  EXPECT_EQ(PlotSettings.lower_limit[1], -2.0);
  EXPECT_EQ(PlotSettings.upper_limit[1], 5.0);
  EXPECT_EQ(PlotSettings.step_size[0], 0.2);  // the last one wins
  EXPECT_EQ(PlotSettings.step_size[1], 0.5);
}

TEST_F(Settings, ValuesAreTakenUnvalidated) {
  read_lines({"angles = spline", "geometry = radians", "step_size1 = 0-1", "lower_limit1 = 9"});
  EXPECT_EQ(PlotSettings.use_degrees, 0);  // only degrees gives 1
  EXPECT_EQ(PlotSettings.geometry, kw_radians);
  EXPECT_EQ(PlotSettings.step_size[0], -1.0);
  EXPECT_EQ(PlotSettings.lower_limit[0], 9.0);
  PlotSettings.use_degrees = 0;
  read_lines({"angles = degrees"});
  EXPECT_EQ(PlotSettings.use_degrees, 1);
}

TEST_F(Settings, SettingsLinesUseTheAngleFactorsOfTheMoment) {
  read_lines({"angles = degrees", "upper_limit1 = asin(1)"});
  EXPECT_EQ(PlotSettings.upper_limit[0], pi_value / 2);
  PlotSettings.use_degrees = 1;
  set_angle_factors();
  read_lines({"upper_limit1 = asin(1)"});
  EXPECT_DOUBLE_EQ(PlotSettings.upper_limit[0], 90.0);
}

TEST_F(Settings, NonFiniteNumbersNeverReachTheSettings) {
  read_lines({"upper_limit1 = 3", "upper_limit1 = 1e999", "step_size2 = 0-1e999"});
  EXPECT_EQ(PlotSettings.upper_limit[0], 3.0);
  EXPECT_EQ(PlotSettings.step_size[1], 0.25);
}

}  // namespace
