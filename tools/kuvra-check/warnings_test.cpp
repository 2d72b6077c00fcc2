// Warnings: each kind once with its line, column and token, the lines that must stay quiet (the
// notes idiom, a function with a space before its parenthesis), and no warning on the examples.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

#include "check_test_support.h"

namespace {

using nlohmann::json;

struct WarningCase {
  const char* line;
  int column;
  const char* token;
  const char* message;  // a part of the message
};

TEST(Warnings, EachKindWithItsColumnAndToken) {
  const WarningCase cases[] = {
      {"w = sin t", 5, "sin t", "the variable \"sint\", not the function sin: a function needs its parenthesis, sin(t)"},
      {"w = 2 * sqrt  t", 9, "sqrt  t", "not the function sqrt"},
      {"w = q + 1", 5, "q", "no line assigns it"},
      {"Geometry = draw", 1, "Geometry", "not the keyword \"geometry\""},
      {"w = Sin(t)", 5, "Sin", "not the function \"sin\""},
      {"w = 1e+5", 5, "1e+5", "1 + 5, not an exponent"},
      {"w = 2.5e+3 * t", 5, "2.5e+3", "write 2.5e3"},
      {"w = -t^2", 5, "-t^2", "squares the negation"},
      {"w = 3 - -sin(t)^2", 9, "-sin(t)^2", "squares the negation"},
      {"3 + 4", 1, "3 + 4", "assigns nothing"},
      {"pi = 3", 1, "pi", "a constant"},
      {"w = e = 2", 5, "e", "a constant"},
      {"a\tb = t", 1, "a\tb", "a tab inside a name"},
      {"# a bare note", 1, "# a bare note", "looks like a note but assigns nothing"},
      {"step_size1 = 1e+1", 14, "1e+1", "not an exponent"},
  };
  for (const WarningCase& c : cases) {
    json r = check_json(with_header(std::string(c.line) + "\n"));
    ASSERT_EQ(r["warnings"].size(), 1u) << c.line << "\n" << r["warnings"].dump();
    const json& w = r["warnings"][0];
    EXPECT_EQ(w["line"], body_line) << c.line;
    EXPECT_EQ(w["column"], c.column) << c.line;
    EXPECT_EQ(w["token"], c.token) << c.line;
    EXPECT_NE(w["message"].get<std::string>().find(c.message), std::string::npos) << c.line << ": " << w["message"];
  }
}

TEST(Warnings, QuietForWhatWorks) {
  const char* lines[] = {
      "# conical compression spring = 0",  // the notes idiom
      "w = cos (t)",                       // a space before the parenthesis is dropped
      "w = -(t^2)",
      "w = 0 - t^2",
      "w = 1e5 + 1e-5",
      "w = base radius",                   // one name, assigned below
      "w = t\nw = w + 1",                  // read after it is assigned
      "w = x = 3",
  };
  for (const char* line : lines) {
    std::string body = std::string(line) + "\nbaseradius = 2\n";
    json r = check_json(with_header(body));
    EXPECT_TRUE(r["warnings"].empty()) << line << "\n" << r["warnings"].dump();
  }
}

TEST(Warnings, StepVariablesAreNotUnassigned) {
  json r = check_json("step_var1 = u\nstep_var2 = v\ngeometry = draw_surf\nx = u\ny = v\n");
  EXPECT_TRUE(r["warnings"].empty()) << r["warnings"].dump();
  // On a curve the second step variable does not step: reading it is reading an unassigned name.
  r = check_json("step_var1 = u\nstep_var2 = v\ngeometry = draw\nx = u\ny = v\n");
  ASSERT_EQ(r["warnings"].size(), 1u) << r["warnings"].dump();
  EXPECT_EQ(r["warnings"][0]["token"], "v");
}

TEST(Warnings, WhatTheLineReaderLost) {
  std::string long_line = "w = " + std::string(300, '1');
  json r = check_json(with_header(long_line + "\nv = 1\0 + 2\n"));
  ASSERT_EQ(r["warnings"].size(), 1u) << r["warnings"].dump();  // the NUL ends the C text: no second warning
  std::string nul_file = with_header("v = 1");
  nul_file += std::string("\0 + 2\n", 6);
  r = check_json(nul_file);
  ASSERT_EQ(r["warnings"].size(), 1u) << r["warnings"].dump();
  EXPECT_EQ(r["warnings"][0]["column"], 6);
  EXPECT_NE(r["warnings"][0]["message"].get<std::string>().find("NUL"), std::string::npos);
  r = check_json(with_header(long_line + "\n"));
  ASSERT_EQ(r["warnings"].size(), 1u) << r["warnings"].dump();
  EXPECT_EQ(r["warnings"][0]["column"], 201);
  EXPECT_NE(r["warnings"][0]["message"].get<std::string>().find("longer than 200"), std::string::npos);
}

TEST(Warnings, PlainLineNamesFileLineColumnAndToken) {
  std::string report = check_text(with_header("w = sin t\n"), CheckOptions{});
  EXPECT_NE(report.find("test.eqn:7:5: warning: \"sin t\": the variable \"sint\""), std::string::npos) << report;
}

TEST(Warnings, NoneOnTheExamples) {
  DIR* dir = opendir(KUVRA_EXAMPLES_DIR);
  ASSERT_NE(dir, nullptr);
  int files = 0;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".eqn") continue;
    ++files;
    std::string out;
    EXPECT_EQ(run_checker("--strict " + std::string(KUVRA_EXAMPLES_DIR) + "/" + name, &out), 0) << name << "\n" << out;
    EXPECT_NE(out.find(" 0 failed, 0 warnings; the dry run is clean"), std::string::npos) << name << "\n" << out;
  }
  closedir(dir);
  EXPECT_GE(files, 13);
}

}  // namespace
