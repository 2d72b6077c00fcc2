// Numbers under a decimal-comma locale: the whole process switched to de_DE.UTF-8, the Zlink's
// write-back and trace log, the script's pick, the terminal's point prompt, the command line and
// the edit fields must still write "." and read back the very same doubles.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <sstream>

#include "app/app_test_support.h"
#include "app/command_line.h"
#include "app/session.h"
#include "core/database.h"
#include "core/file_services.h"
#include "core/host_prompts.h"
#include "platform/number_text.h"

namespace orv::app::testing {
namespace {

constexpr const char* kCommaLocale = "de_DE.UTF-8";

// Puts the whole process in the comma locale for one test and back afterwards. A machine without
// that locale fails the test (scripts/setup.sh makes it), since a skip would hide the very fault.
class CommaLocale : public ::testing::Test {
 protected:
  Host host_;
  UseHost use_host_{host_};
  void SetUp() override {
    saved_ = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, kCommaLocale), nullptr)
        << "the locale " << kCommaLocale << " is missing: run scripts/setup.sh";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    std::string err;
    ASSERT_TRUE(set_main_dir(s.main_dir().string(), err)) << err;
    ASSERT_TRUE(set_temp_dir(s.temp_dir().string(), err)) << err;
  }
  void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }

  SessionResult run(const std::string& script_text) {
    SessionConfig c;
    c.mode = RunMode::Script;
    c.script = s.file("script.txt", script_text).string();
    c.zlink = ORV_TEST_ZLINK;
    return run_session(host_, c);
  }

  Scratch s;
  std::string saved_;
};

// The number at the end of `line` after `prefix`, read the locale-free way; false when the rest
// is not one whole number (a "0,25" stops at its comma).
bool number_after(const std::string& line, const std::string& prefix, double& out) {
  if (line.rfind(prefix, 0) != 0) return false;
  const char* b = line.data() + prefix.size();
  const char* e = line.data() + line.size();
  auto r = std::from_chars(b, e, out);
  return r.ec == std::errc() && r.ptr == e;
}

TEST_F(CommaLocale, WriteBackAndTraceLogUseAPointAndReadBackTheSameDoubles) {
  fs::path f = s.file("comma.eqn",
                      "step_var1 = t\nlower_limit1 = -0.5\nupper_limit1 = 1\nstep_size1 = 0.25\n"
                      "geometry = spline\nangles = radians\nx = 1.5*t\ny = t^2\nz = 0.1\n");
  // Trace on, plot, close the log's viewer, pick an origin (the script's pick reads its numbers
  // under this locale too), OK.
  SessionResult r = run("prompt " + f.string() + "\nclick 1017\nclick 1020\nkey Esc\nclick 1018\n"
                        "pick 0.5 1.25 -3e-7\nclick 1\n");
  ASSERT_TRUE(r.ran) << r.error;
  EXPECT_EQ(r.error, "");
  const std::string written =
      "step_var1 = t\nstep_size1 = 0.25\nlower_limit1 = -0.5\nupper_limit1 = 1\ngeometry = spline\n"
      "angles = radians\norigin = 0.5, 1.25, -3e-07\nx = 1.5*t\ny = t^2\nz = 0.1\n";
  EXPECT_EQ(read_file(f), written);

  // The log: ranges with n_places_an decimals, then every step's values; all read back whole.
  std::istringstream log(read_file(s.temp_dir() / "kuvra.log"));
  std::vector<double> t_values;
  int ranges = 0;
  for (std::string line; std::getline(log, line);) {
    if (line.rfind("t : ", 0) == 0) {
      EXPECT_EQ(line, "t : -0.5000 --> 1.0000 step = 0.2500");
      ++ranges;
    }
    double v = 0;
    if (line.rfind("t = ", 0) == 0) {
      EXPECT_TRUE(number_after(line, "t = ", v)) << line;
      t_values.push_back(v);
    } else if (line.rfind("x = ", 0) == 0 && line != "x = 1.5*t") {
      ASSERT_FALSE(t_values.empty()) << "a step block without t: " << line;
      EXPECT_TRUE(number_after(line, "x = ", v)) << line;
      EXPECT_EQ(v, 1.5 * t_values.back()) << line;
    }
  }
  EXPECT_EQ(ranges, 1);
  EXPECT_EQ(t_values, (std::vector<double>{-0.5, -0.25, 0, 0.25, 0.5, 0.75, 1}));

  // Read back by the Zlink and written again: the same doubles give the same text.
  r = run("prompt " + f.string() + "\nclick 1\n");
  ASSERT_TRUE(r.ran) << r.error;
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(read_file(f), written);
}

TEST_F(CommaLocale, PointPromptCommandLineAndEditFieldsReadAndWriteAPoint) {
  std::array<double, 3> p{};
  ASSERT_TRUE(parse_point("1.5, -2.25, 3e2", p));
  EXPECT_EQ(p, (std::array<double, 3>{1.5, -2.25, 300}));
  EXPECT_FALSE(parse_point("1,5 2 3", p));  // four numbers, not a decimal comma
  const std::array<double, 3> shown{0.1, -2.5, 1e-7};
  EXPECT_EQ(format_point(shown), "0.1, -2.5, 1e-07");
  ASSERT_TRUE(parse_point(format_point(shown), p));
  EXPECT_EQ(p, shown);

  Options o;
  std::string err;
  ASSERT_TRUE(parse_command_line({"--script", "-", "--tol", "0.0005", "--chord-dev", "2.5e-3"}, o, err)) << err;
  EXPECT_EQ(*o.tol, 0.0005);
  EXPECT_EQ(*o.chord_dev, 0.0025);
  EXPECT_FALSE(parse_command_line({"--script", "-", "--tol", "0,0005"}, o, err));

  double v = 0;
  EXPECT_EQ(format_real(0.25), "0.25");
  ASSERT_TRUE(parse_real("0.25", v));
  EXPECT_EQ(v, 0.25);
  EXPECT_FALSE(parse_real("0,25", v));
}

}  // namespace
}  // namespace orv::app::testing
