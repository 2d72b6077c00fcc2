// The trace log: its header and per-step blocks as the user sees them after a plot, the precision,
// the marker for variables without a value, and where the log goes (or does not) for a given
// temporary directory.
#include "geometry/trace_log.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "eqfile/plot_test_support.h"
#include "geometry/plotting.h"

namespace {

class TraceLogTest : public PlotTest {
 protected:
  // Plots the text with the trace on; returns the log that was shown, or "" when none was.
  std::string traced(const std::string& text) {
    PlotSettings.trace_variables = 1;
    size_t before = front_end_.listed_text.size();
    plot_geometry(read_text(text));
    return front_end_.listed_text.size() > before ? front_end_.listed_text.back() : "";
  }
  // Points the host's temporary directory at a fresh directory whose text is `length` long.
  std::string temp_dir_of_length(size_t length) {
    std::string dir = dir_ + "/";
    for (;;) {
      size_t room = length - 1 - dir.size();  // characters still to add before the final separator
      dir += std::string(room <= 61 ? room : 59, 'd');
      mkdir(dir.c_str(), 0700);
      if (room <= 61) break;
      dir += "/";
    }
    std::string err;
    EXPECT_TRUE(orv::set_temp_dir(dir, err)) << err;
    EXPECT_EQ(std::strlen(GetTempDirectory()), length);
    return dir;
  }
};

TEST_F(TraceLogTest, ExampleLogLineForLine) {
  std::string log = traced("step_var1 = t\nupper_limit1 = 1\nstep_size1 = 0.5\nangles = degrees\n"
                           "geometry = points\nx = t\ny = t^2\n");
  EXPECT_EQ(log,
            "x = t\n"
            "y = t^2\n"
            "\n"
            "t : 0.0000 --> 1.0000 step = 0.5000\n"
            "\n"
            "Angles : Degrees\n"
            "\n"
            "t = 0\nx = 0\ny = 0\n\n"
            "t = 0.5\nx = 0.5\ny = 0.25\n\n"
            "t = 1\nx = 1\ny = 1\n\n");
  char path[log_path_size];
  ASSERT_TRUE(build_log_path(path));
  EXPECT_EQ(front_end_.listed.back(), path);
  EXPECT_EQ(std::string(path), std::string(GetTempDirectory()) + "kuvra.log");
}

TEST_F(TraceLogTest, SurfaceRadiansPrecisionAndConstants) {
  n_places_an = 2;
  std::string log = traced("step_var1 = pi\nstep_var2 = v\nupper_limit2 = 2\nstep_size2 = 2\nstep_size1 = 4\n"
                           "angles = radians\ngeometry = draw_surf\nx = v / 3\ny = (v\n");
  EXPECT_EQ(log,
            "x = v / 3\n"
            "\n"
            "pi : 0.00 --> 1.00 step = 4.00\n"
            "v : 0.00 --> 2.00 step = 2.00\n"
            "\n"
            "Angles : Radians\n"
            "\n"
            "v = 0\nx = 0\ny = undefined\n\nv = 2\nx = 0.67\ny = undefined\n\n"
            "v = 0\nx = 0\ny = undefined\n\nv = 2\nx = 0.67\ny = undefined\n\n");
}

// A failing step still writes its block, with what the variables hold at that moment.
TEST_F(TraceLogTest, FailedStepWritesItsBlockWithUndefinedMarkers) {
  std::string log = traced("step_var1 = t\ngeometry = lines\nx = t\ny = q * 2\n");
  EXPECT_NE(log.find("Angles : Degrees\n\nt = 0\nx = 0\ny = undefined\nq = undefined\n\n"), std::string::npos);
  EXPECT_EQ(log.find("t = 0.25"), std::string::npos);  // the plot ended at that step
  // No valid count: the header only.
  log = traced("step_var1 = t\nstep_size1 = 0\nx = t\n");
  EXPECT_EQ(log, "x = t\n\nt : 0.0000 --> 1.0000 step = 0.0000\n\nAngles : Degrees\n\n");
}

TEST_F(TraceLogTest, LogPathLimit) {
  temp_dir_of_length(250);  // 250 + 9 = 259 characters: a log
  EXPECT_NE(traced("step_var1 = t\nx = t\n"), "");
  char path[log_path_size];
  EXPECT_TRUE(build_log_path(path));
  EXPECT_EQ(std::strlen(path), 259u);

  temp_dir_of_length(251);  // 260: no log, but the plot goes on
  host_.database.clear();
  size_t shown = front_end_.listed.size();
  EXPECT_EQ(traced("step_var1 = t\nx = t\n"), "");
  EXPECT_EQ(front_end_.listed.size(), shown);
  EXPECT_EQ(marks().size(), 5u);
  EXPECT_FALSE(build_log_path(path));
  EXPECT_STREQ(path, "");
}

TEST_F(TraceLogTest, LogThatCannotBeCreatedIsSkipped) {
  std::string dir = dir_ + "/gone";
  std::string err;
  ASSERT_TRUE(orv::set_temp_dir(dir, err)) << err;
  std::filesystem::remove_all(dir);
  EXPECT_EQ(traced("step_var1 = t\nx = t\n"), "");
  EXPECT_TRUE(front_end_.listed.empty());
  EXPECT_EQ(marks().size(), 5u);
  EXPECT_EQ(open_trace_log((dir + "/kuvra.log").c_str(), nullptr), nullptr);
}

}  // namespace
