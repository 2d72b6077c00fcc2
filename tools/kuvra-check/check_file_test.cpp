// The checker end to end: what each line became, the settings, variables and statements a file
// leaves, the plain report, and the program's exit statuses.
#include "check_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "eqfile/plot_settings.h"
#include "equation/evaluator.h"

namespace {

using nlohmann::json;

std::string check(const std::string& content, bool as_json, CheckResult* result = nullptr) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), in);
  std::rewind(in);
  CheckOptions options;
  options.json = as_json;
  CheckResult r = check_file(in, "test.eqn", options, out);
  if (result) *result = r;
  std::string text;
  std::rewind(out);
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, out)) > 0) text.append(chunk, n);
  std::fclose(in);
  std::fclose(out);
  return text;
}

json check_json(const std::string& content, CheckResult* result = nullptr) {
  std::string text = check(content, true, result);
  EXPECT_EQ(text.back(), '\n');
  return json::parse(text);
}

TEST(CheckFile, TheWorkedExample) {
  CheckResult result;
  json r = check_json(
      "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 360\nstep_size1 = 10\ngeometry = spline\n"
      "angles = degrees\nx = cos(t)\ny = sin(t)\nz = t/360\n",
      &result);
  EXPECT_EQ(result.lines, 9);
  EXPECT_EQ(result.failed_lines, 0);
  EXPECT_EQ(r["file"], "test.eqn");
  ASSERT_EQ(r["lines"].size(), 9u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(r["lines"][i]["line"], i + 1);
    EXPECT_EQ(r["lines"][i]["status"], 0);
    EXPECT_EQ(r["lines"][i]["kind"], i < 6 ? "settings" : "statement");
  }
  EXPECT_EQ(r["lines"][6]["text"], "x = cos(t)");
  json expected_settings = json::parse(
      R"({"use_degrees":true,"geometry":7,"step_var":["t","y"],"lower_limit":[0,0],
          "upper_limit":[360,1],"step_size":[10,0.25],"origin":[0,0,0],"trace_variables":false})");
  EXPECT_EQ(r["settings"], expected_settings);
  json expected_variables = json::parse(
      R"([{"name":"pi","defined":true,"constant":true,"value":3.141592653589793},
          {"name":"e","defined":true,"constant":true,"value":2.718281828459045},
          {"name":"t","defined":false,"constant":false,"value":0},
          {"name":"x","defined":false,"constant":false,"value":0},
          {"name":"y","defined":false,"constant":false,"value":0},
          {"name":"z","defined":false,"constant":false,"value":0}])");
  EXPECT_EQ(r["variables"], expected_variables);
  json expected_statements = json::parse(R"js([{"text":"x = cos(t)","length":4},
      {"text":"y = sin(t)","length":4},{"text":"z = t/360","length":5}])js");
  EXPECT_EQ(r["statements"], expected_statements);
}

TEST(CheckFile, EveryKindOfLineAndItsStatus) {
  CheckResult result;
  json r = check_json(
      "\n   \n()\norigin = 1, -2, 3\nangles = radians\nx = (1 + 2\n# note\ndegrees\n"
      "upper_limit1 = 2*pi\nstep_size1 = 1e999\norigin = 1e999, 5\nx = .\ngeometry = 3\n(\n",
      &result);
  struct Row { int status; const char* kind; } expected[] = {
      {0, "blank"}, {0, "blank"}, {0, "blank"}, {0, "origin"}, {0, "settings"}, {-9, "failed"},
      {0, "statement"}, {-10, "failed"}, {0, "settings"}, {-7, "failed"}, {0, "origin"},
      {-8, "failed"}, {-7, "failed"}, {-9, "failed"}};
  ASSERT_EQ(r["lines"].size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(r["lines"][i]["status"], expected[i].status) << i + 1;
    EXPECT_EQ(r["lines"][i]["kind"], expected[i].kind) << i + 1;
  }
  EXPECT_EQ(result.failed_lines, 6);
  EXPECT_EQ(r["settings"]["use_degrees"], false);
  EXPECT_EQ(r["settings"]["origin"], json::parse("[1,5,3]"));
  EXPECT_EQ(r["settings"]["upper_limit"][0].get<double>(), 6.283185307179586);
  EXPECT_EQ(r["settings"]["step_size"][0].get<double>(), 0.25);
  EXPECT_EQ(r["statements"].size(), 1u);
  EXPECT_EQ(r["variables"][3]["name"], "#note");
}

TEST(CheckFile, EachFileStartsFromTheLoadTimeSettings) {
  check_json("geometry = nurbs_surf\nstep_var2 = v\norigin = 4, 4, 4\nz = 1\n");
  json r = check_json("x = 1\n");
  EXPECT_EQ(r["settings"]["geometry"], 4);
  EXPECT_EQ(r["settings"]["step_var"], json::parse(R"(["x","y"])"));
  EXPECT_EQ(r["settings"]["origin"], json::parse("[0,0,0]"));
  EXPECT_EQ(r["variables"].size(), 3u);
}

TEST(CheckFile, SettingsLinesUseTheAngleFactorsInForce) {
  json radians = check_json("upper_limit1 = asin(1)\n");
  EXPECT_EQ(radians["settings"]["upper_limit"][0].get<double>(), 3.141592653589793 / 2);
  PlotSettings.use_degrees = 1;
  set_angle_factors();
  json degrees = check_json("upper_limit1 = asin(1)\n");
  PlotSettings.use_degrees = 0;
  set_angle_factors();
  EXPECT_DOUBLE_EQ(degrees["settings"]["upper_limit"][0].get<double>(), 90.0);
}

TEST(CheckFile, BinaryContentGivesValidJson) {
  std::string content;
  for (int i = 0; i < 20000; ++i) content.push_back(static_cast<char>((i * 7919) % 256));
  content += std::string("\nx = 1\0 = garbage\n", 18);
  CheckResult result;
  json r = check_json(content, &result);
  EXPECT_EQ(r["lines"].size(), static_cast<size_t>(result.lines));
  EXPECT_EQ(r["lines"].back()["text"], "x = 1");  // the Zlink sees a line up to its NUL
  EXPECT_EQ(r["lines"].back()["kind"], "statement");
}

TEST(CheckFile, PlainReportSkipsBlankLinesAndExplainsFailures) {
  std::string text = check("x = 1\n\ny = (2\norigin = 3\n", false);
  EXPECT_EQ(text,
            "test.eqn:1: 0 statement | x = 1\n"
            "test.eqn:3: -9 failed: the parentheses do not balance | y = (2\n"
            "test.eqn:4: 0 origin | origin = 3\n"
            "test.eqn: settings: angles = degrees, geometry = draw (4), step_var1 = x from 0 to 1 by "
            "0.25, step_var2 = y from 0 to 1 by 0.25, origin = 3, 0, 0\n"
            "test.eqn: 4 lines, 1 statements, 1 failed\n");
}

// Runs the built program; returns its exit status and its output (both streams).
int run_checker(const std::string& arguments, std::string* output) {
  std::string command = std::string(KUVRA_CHECK_BINARY) + " " + arguments + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char chunk[4096];
  size_t n;
  output->clear();
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output->append(chunk, n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CheckProgram, ExitStatuses) {
  std::string helix = std::string(KUVRA_EXAMPLES_DIR) + "/helix.eqn";
  std::string out;
  EXPECT_EQ(run_checker(helix, &out), 0);
  EXPECT_NE(out.find("helix.eqn:9: 0 statement | z = t/360"), std::string::npos) << out;

  char bad[] = "/tmp/kuvra-check-test-XXXXXX";
  int fd = mkstemp(bad);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "x = (\n", 6), 6);
  close(fd);
  EXPECT_EQ(run_checker(std::string(bad), &out), 1);
  EXPECT_EQ(run_checker(helix + " " + bad, &out), 1);
  EXPECT_EQ(run_checker("--json " + helix, &out), 0);
  EXPECT_NO_THROW(json::parse(out));

  EXPECT_EQ(run_checker(helix + " /nonexistent/file.eqn", &out), 2);
  EXPECT_NE(out.find("kuvra-check: /nonexistent/file.eqn: No such file or directory"), std::string::npos);
  EXPECT_EQ(run_checker("/", &out), 2);
  EXPECT_EQ(out, "kuvra-check: /: Is a directory\n");
  EXPECT_EQ(run_checker("--frobnicate " + helix, &out), 2);
  EXPECT_EQ(run_checker("", &out), 2);
  EXPECT_EQ(run_checker("--help", &out), 0);
  EXPECT_NE(out.find("usage: kuvra-check"), std::string::npos);
  EXPECT_EQ(run_checker("- < " + helix, &out), 0);
  EXPECT_EQ(run_checker("--degrees - < /dev/null", &out), 0);
  unlink(bad);
}

}  // namespace
