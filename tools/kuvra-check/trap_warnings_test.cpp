// The traps that give wrong dimensions: number tokens read only in part, other languages' forms,
// and angles meant in radians in a plot in degrees. Each case is one line (or one file) with the
// one warning it must give: line, column, the token as written and the words that say the fix.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "check_test_support.h"
#include "equation/compiler.h"
#include "nearest_name.h"
#include "number_warnings.h"

namespace {

using nlohmann::json;

struct LineCase {
  const char* line;
  int column;
  const char* token;
  const char* message;  // a part of the message
  const char* fix;      // another part: what to write
};

void expect_one_warning(const LineCase& c) {
  json r = check_json(with_header(std::string(c.line) + "\n"));
  ASSERT_EQ(r["warnings"].size(), 1u) << c.line << "\n" << r["warnings"].dump();
  const json& w = r["warnings"][0];
  EXPECT_EQ(w["line"], body_line) << c.line;
  EXPECT_EQ(w["column"], c.column) << c.line;
  EXPECT_EQ(w["token"], c.token) << c.line;
  const std::string message = w["message"];
  EXPECT_NE(message.find(c.message), std::string::npos) << c.line << ": " << message;
  EXPECT_NE(message.find(c.fix), std::string::npos) << c.line << ": " << message;
}

TEST(NumberTokens, TextAfterTheNumeralIsIgnored) {
  const LineCase cases[] = {
      {"w = 2x", 5, "2x", "reads as 2: \"x\" is ignored", "write 2*x"},
      {"w = 2 t + 1", 5, "2 t", "reads as 2: \"t\" is ignored", "write 2*t"},
      {"w = 2e-3-t", 5, "2e-3-t", "reads as 0.002: \"-t\" is ignored", "write (2e-3)-t"},
      {"w = 1e-5-3", 5, "1e-5-3", "reads as 1e-5: \"-3\" is ignored", "write (1e-5)-3"},
      {"w = 1.2.3", 5, "1.2.3", "reads as 1.2: \".3\" is ignored", "one decimal point"},
      {"w = 3 * 1E5x", 9, "1E5x", "reads as 1e5: \"x\" is ignored", "write 1E5*x"},
      {"w = 2e", 5, "2e", "reads as 2: \"e\" is ignored", "write 2*e"},
      {"w = 1E-3", 5, "1E-3", "1 - 3, not an exponent (only a lower-case e starts an exponent)", "write 1e-3"},
      {"w = 1E+5", 5, "1E+5", "1 + 5, not an exponent (only a lower-case e", "write 1e5"},
      {"w = 1e+5", 5, "1e+5", "1 + 5, not an exponent (the plus always separates)", "write 1e5"},
      {"step_size1 = 0.5t", 14, "0.5t", "reads as 0.5", "write 0.5*t"},
  };
  for (const LineCase& c : cases) expect_one_warning(c);
}

TEST(NumberTokens, WholeNumeralsAreQuiet) {
  for (const char* line : {"w = 1e5 + 1e-5", "w = 1E5", "w = 2 e-3", "w = .5 + 3 .25", "w = 2*t"}) {
    json r = check_json(with_header(std::string(line) + "\n"));
    EXPECT_TRUE(r["warnings"].empty()) << line << "\n" << r["warnings"].dump();
  }
}

// The numeral the warning quotes must be exactly what the compiler reads: reading the numeral alone
// gives the token's value, and every character after it changes nothing.
TEST(NumberTokens, TheNumeralIsWhatTheCompilerReads) {
  const struct {
    const char* token;
    size_t numeral;
  } cases[] = {{"2x", 1}, {"2e-3-t", 4}, {"1.2.3", 3}, {"1E5x", 3}, {"2e", 1}, {"2e-", 1}, {".5.5", 2},
               {"7", 1}, {"1e-5", 4}, {"1E", 1}, {"3.e2", 4}, {"12ee4", 2}};
  for (const auto& c : cases) {
    EXPECT_EQ(numeral_length(c.token), c.numeral) << c.token;
    double whole = 0, numeral = 0;
    ASSERT_EQ(read_number(c.token, &whole), 0) << c.token;
    ASSERT_EQ(read_number(std::string(c.token, c.numeral).c_str(), &numeral), 0) << c.token;
    EXPECT_EQ(whole, numeral) << c.token;
  }
  EXPECT_EQ(numeral_length(".e5"), 0u);  // no digit before the exponent: the line fails instead
}

TEST(OtherLanguages, EachFormSaysWhatItDoesHere) {
  const LineCase cases[] = {
      {"x(t) = cos(t)", 1, "x(t)", "assigns the right side to t here, not to x", "write x = cos(t)"},
      {"y(t, t) = 2", 1, "y(t, t)", "fails at every step here", "write y = 2"},
      {"w = sinn(t)", 5, "sinn(t)", "no function \"sinn\"; did you mean \"sin\"?", "did you mean"},
      {"w = sqr(t + 1)", 5, "sqr(t + 1)", "no function \"sqr\"; did you mean \"sqrt\"?", "did you mean"},
      {"w = cosine(t)", 5, "cosine(t)", "did you mean \"cos\"?", "did you mean"},
      {"w = pow(t, 2)", 5, "pow(t, 2)", "no function \"pow\": the functions are abs, sqrt", "write a^b"},
      {"w = r(1 + t)", 5, "r(1 + t)", "no function \"r\"", "to multiply, write r*(...)"},
      {"w = t // 2", 7, "//", "starts no comment here", "\"# words = 0\""},
      {"w = t**2", 6, "**", "is no power here", "write t^2"},
      {"w = t; v = 2", 5, "t; v", "\"t;v\" is one name", "a line of its own"},
      {"w = t;", 5, "t;", "\"t;\" is one name", "drop the \";\""},
      {"w = 2;", 5, "2;", "joins the number", "drop the \";\""},
      {"geometry = surface", 12, "surface", "not a geometry kind, so the line sets nothing",
       "draw, points, lines, spline, nurbs, draw_surf, points_surf, parametric_surf or nurbs_surf"},
      {"geometry = splne", 12, "splne", "not a geometry kind", "did you mean \"spline\"?"},
      {"angles = degree", 10, "degree", "not an angle unit", "degrees or radians; did you mean \"degrees\"?"},
  };
  for (const LineCase& c : cases) expect_one_warning(c);
}

TEST(OtherLanguages, AFunctionsOwnFormIsQuiet) {
  for (const char* line : {"w = sin(t) + cos (t)", "w = t*(1 + t)", "w = 2*(t)", "# see: a; b = 0", "w = (t)^2"}) {
    json r = check_json(with_header(std::string(line) + "\n"));
    EXPECT_TRUE(r["warnings"].empty()) << line << "\n" << r["warnings"].dump();
  }
}

TEST(OtherLanguages, NearestFunctionName) {
  EXPECT_EQ(edit_distance("sinn", "sin"), 1);
  EXPECT_EQ(edit_distance("sni", "sin"), 1);  // neighbours swapped
  EXPECT_EQ(edit_distance("ATAN", "atan"), 0);
  EXPECT_EQ(nearest_word("aqrt", function_names()), "sqrt");
  EXPECT_EQ(nearest_word("logarithm", function_names()), "log");
  EXPECT_EQ(nearest_word("pow", function_names()), "");
  EXPECT_EQ(nearest_word("r", function_names()), "");
}

// A plot failure that a warning explains is told in the warning's words, not the evaluator's.
TEST(OtherLanguages, TheDryRunGivesTheWarningsWords) {
  std::string report = check_text(with_header("w = sinn(t)\n"), CheckOptions{});
  EXPECT_NE(report.find("test.eqn:7: point 1 (t = 0): w = sinn(t): no function \"sinn\"; did you mean \"sin\"?"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("an operand is missing"), std::string::npos) << report;
}

// x(t) = ... assigns t and leaves x without a value: the dry run must not call that clean.
TEST(OtherLanguages, ADefinitionIsNotACleanDryRun) {
  CheckResult result;
  json r = check_json("step_var1 = t\nangles = radians\ngeometry = spline\nx(t) = cos(t)\ny = sin(t)\n", &result);
  EXPECT_TRUE(result.dry_run_failed);
  EXPECT_EQ(r["dry_run"]["unassigned_coordinates"], json({"x"}));
  ASSERT_EQ(r["warnings"].size(), 1u) << r["warnings"].dump();  // not also "x is read but never assigned"
  EXPECT_EQ(r["warnings"][0]["token"], "x(t)");
  std::string report =
      check_text("step_var1 = t\nangles = radians\ngeometry = spline\nx(t) = cos(t)\ny = sin(t)\n", CheckOptions{});
  EXPECT_NE(report.find("dry run: x is named by a statement, but no statement gave it a value at any step"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("the dry run finds problems"), std::string::npos) << report;
}

struct AngleCase {
  const char* name;
  std::string file;
  const char* message;  // the warning's words, or null for none
};

std::string curve_in(const char* angles, const char* lower, const char* upper, const std::string& statements) {
  return std::string("step_var1 = t\nlower_limit1 = ") + lower + "\nupper_limit1 = " + upper +
         "\nstep_size1 = 0.1\ngeometry = spline\nangles = " + angles + "\n" + statements;
}

TEST(Angles, ARangeInRadiansPlottedInDegrees) {
  const AngleCase cases[] = {
      {"0 to 6.28 in degrees", curve_in("degrees", "0", "6.28", "x = cos(t)\ny = sin(t)\n"),
       "t runs from 0 to 6.28 in degrees: the curve covers 6.28\xC2\xB0; write angles = radians, or a range in degrees"},
      {"0 to 2*pi", curve_in("degrees", "0", "2*pi", "x = cos(t)\ny = t\n"), "the curve covers 6.283\xC2\xB0"},
      {"four turns written with pi", curve_in("degrees", "0", "8*pi", "x = t\ny = sin(t)\n"),
       "t runs from 0 to 25.13 in degrees: the curve covers 25.13\xC2\xB0"},
      {"an argument that scales", curve_in("degrees", "0", "3", "x = cos(2*t)\ny = t\n"),
       "the argument of cos(2*t) covers 6\xC2\xB0"},
      {"radians", curve_in("radians", "0", "6.28", "x = cos(t)\ny = sin(t)\n"), nullptr},
      {"a range in degrees", curve_in("degrees", "0", "360", "x = cos(t)\ny = sin(t)\n"), nullptr},
      {"degrees scaled up", curve_in("degrees", "0", "1", "x = cos(360*t)\ny = t\n"), nullptr},
      {"pi converted to degrees", curve_in("degrees", "0", "2*pi", "x = cos(t*180/pi)\ny = t\n"), nullptr},
      {"no step variable in the argument", curve_in("degrees", "0", "1", "a = 30\nx = cos(a)\ny = t\n"), nullptr},
      {"a surface", "step_var1 = u\nstep_var2 = v\nupper_limit1 = 2*pi\nstep_size1 = 0.5\ngeometry = draw_surf\n"
                    "angles = degrees\nx = cos(u)\ny = v\n",
       "u runs from 0 to 6.283 in degrees: the surface covers 6.283\xC2\xB0"},
  };
  for (const AngleCase& c : cases) {
    json r = check_json(c.file);
    if (c.message == nullptr) {
      EXPECT_TRUE(r["warnings"].empty()) << c.name << "\n" << r["warnings"].dump();
      continue;
    }
    // One warning a step variable, at its first trigonometric call.
    ASSERT_EQ(r["warnings"].size(), 1u) << c.name << "\n" << r["warnings"].dump();
    EXPECT_NE(r["warnings"][0]["message"].get<std::string>().find(c.message), std::string::npos)
        << c.name << ": " << r["warnings"][0]["message"];
  }
  json r = check_json(curve_in("degrees", "0", "6.28", "x = cos(t)\ny = sin(t)\n"));
  EXPECT_EQ(r["warnings"][0]["line"], 7);
  EXPECT_EQ(r["warnings"][0]["column"], 5);
  EXPECT_EQ(r["warnings"][0]["token"], "cos(t)");
}

}  // namespace
