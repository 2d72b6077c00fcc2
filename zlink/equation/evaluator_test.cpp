// Evaluator: reduction order, the functions and their domain tests, assignment rules, statuses.
#include "equation/evaluator.h"

#include <cmath>
#include <string>

#include "equation/language_test_support.h"

namespace {

using Evaluator = LanguageTest;

TEST_F(Evaluator, ReductionOrderFollowsPriorityAndAssociativity) {
  ASSERT_EQ(run("t = 3"), 0);
  struct Case { const char* line; double x; } cases[] = {
      {"x = -t^2", 9.0},          {"x = 0 - t^2", -9.0},   {"x = -3^2", 9.0},
      {"x = 2^-1", 0.5},          {"x = 2^3^2", 64.0},     {"x = 2*(3 + 4)^2", 98.0},
      {"x = 10 - 4 - 3", 3.0},    {"x = 8/4/2", 1.0},      {"x = 2*sin(0)+1", 1.0},
      {"x = 1 + 2*3", 7.0},       {"x = (1 + 2)*3", 9.0},  {"x = 1e+5", 6.0},
      {"x = 1e-5", 1e-5},         {"x = 1E5", 1e5},        {"x = 2x", 2.0},
      {"x = - - 3", 3.0},         {"x = 3 - -t", 6.0},     {"x = sin(-t) + sin(t)", 0.0},
      {"x = abs(-2)*sqrt(16)", 8.0}, {"x = exp(0) + ln(e) + log(100)", 4.0},
      {"x = (((t)))", 3.0},       {"x = pi", M_PI},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.line), 0) << c.line;
    EXPECT_DOUBLE_EQ(value("x"), c.x) << c.line;
  }
}

TEST_F(Evaluator, AngleFactorsApplyToTrigonometry) {
  PlotSettings.use_degrees = 1;
  set_angle_factors();
  EXPECT_EQ(deg_to_rad, 0.017453292519943295);
  EXPECT_EQ(rad_to_deg, 57.29577951308232);
  ASSERT_EQ(run("x = sin(90)"), 0);
  EXPECT_DOUBLE_EQ(value("x"), 1.0);
  ASSERT_EQ(run("x = acos(0)"), 0);
  EXPECT_DOUBLE_EQ(value("x"), 90.0);
  ASSERT_EQ(run("x = atan(1) + asin(1)"), 0);
  EXPECT_DOUBLE_EQ(value("x"), 135.0);

  PlotSettings.use_degrees = 0;
  set_angle_factors();
  EXPECT_EQ(deg_to_rad, 1.0);
  EXPECT_EQ(rad_to_deg, 1.0);
  ASSERT_EQ(run("x = acos(0)"), 0);
  EXPECT_DOUBLE_EQ(value("x"), M_PI / 2);
  ASSERT_EQ(run("x = cos(pi) + tan(0)"), 0);
  EXPECT_DOUBLE_EQ(value("x"), -1.0);
}

TEST_F(Evaluator, DomainTestsAreExactlyTheDocumentedOnes) {
  ASSERT_EQ(run("x = 7"), 0);
  struct Case { const char* line; int status; } failures[] = {
      {"x = 1/0", status_division_by_zero},        {"x = 1/1e-25", status_division_by_zero},
      {"x = 1/(0-1e-25)", status_division_by_zero}, {"x = sqrt(-1e-12)", status_sqrt_negative},
      {"x = acos(1.0000001)", status_acos_domain}, {"x = asin(1.0000001)", status_asin_domain},
      {"x = asin(-2)", status_asin_domain},         {"x = ln(-1)", status_log_negative},
      {"x = log(-1e-300)", status_log_negative},
  };
  for (const Case& c : failures) {
    EXPECT_EQ(run(c.line), c.status) << c.line;
    EXPECT_EQ(value("x"), 7.0) << c.line;  // nothing assigned
    EXPECT_TRUE(is_domain_failure(c.status));
  }
  EXPECT_EQ(run("x = 1/1e-24"), 0);
  EXPECT_DOUBLE_EQ(value("x"), 1e24);
  EXPECT_EQ(run("x = sqrt(-1e-13)"), 0);
  EXPECT_TRUE(std::isnan(value("x")));
  EXPECT_EQ(run("x = ln(0)"), 0);
  EXPECT_EQ(value("x"), -INFINITY);
  EXPECT_EQ(run("x = exp(1000)"), 0);
  EXPECT_EQ(value("x"), INFINITY);
  EXPECT_EQ(run("x = (0-8)^(1/3)"), 0);
  EXPECT_TRUE(std::isnan(value("x")));
  EXPECT_EQ(run("n = sqrt(-1e-13)"), 0);
  EXPECT_EQ(run("x = 1/n + acos(n) + ln(n)"), 0);  // NaN passes every test
  EXPECT_TRUE(std::isnan(value("x")));
  EXPECT_FALSE(is_domain_failure(status_row_out_of_range));
  EXPECT_FALSE(is_domain_failure(status_missing_operand));
}

TEST_F(Evaluator, OperandStatuses) {
  struct Case { const char* line; int status; } cases[] = {
      {"x = y", status_right_undefined}, {"x = y + 1", status_no_value},
      {"x = 1 + y", status_no_value},    {"x = sin(y)", status_no_value},
      {"pi = 3", status_constant},       {"e = 1", status_constant},
      {"3 + 4", status_no_assignment},   {"x", status_no_assignment},
      {"()", status_no_assignment},      {"x = (2)(3)", status_missing_operand},
      {"x =", status_missing_operand},   {"2 = x", status_missing_operand},
      {"x = degrees", status_wrong_sort}, {"x = 2 * degrees", status_missing_operand},
      {"y = sin-t", status_missing_operand}, {"= 3", status_missing_operand},
      {"x = * 3", status_missing_operand}, {"x = 3 +", status_missing_operand},
      {"x = )1 + 2(", status_missing_operand},
  };
  for (const Case& c : cases) EXPECT_EQ(run(c.line), c.status) << c.line;
  EXPECT_EQ(value("pi"), pi_value);
  EXPECT_FALSE(defined("x"));
  EXPECT_FALSE(defined("y"));
}

TEST_F(Evaluator, ChainedAssignmentAndCommaLeaveUsefulValues) {
  EXPECT_EQ(run("x = y = 3"), 0);
  EXPECT_EQ(value("x"), 3.0);
  EXPECT_EQ(value("y"), 3.0);
  EXPECT_EQ(run("x = 1, y = 2"), 0);
  EXPECT_EQ(value("x"), 1.0);
  EXPECT_EQ(value("y"), 2.0);
  EXPECT_EQ(run("a = (b = 4) + 1"), status_missing_operand);  // "=" must end its expression
  EXPECT_EQ(run("a = 1 + (b = 4)"), 0);
  EXPECT_EQ(value("a"), 5.0);
  EXPECT_EQ(value("b"), 4.0);
  EXPECT_EQ(run("a = 2 * (step_size1 = 3)"), 0);
  EXPECT_EQ(value("a"), 6.0);
  EXPECT_EQ(run("a = 1 + (geometry = spline)"), 0);  // a keyword-valued assignment leaves 0
  EXPECT_EQ(value("a"), 1.0);
  EXPECT_EQ(run("a = (7, 8)"), 0);
  EXPECT_EQ(value("a"), 7.0);
}

TEST_F(Evaluator, AssignmentsBeforeAFailureStay) {
  EXPECT_EQ(run("a = 1/0 + (b = 2)"), status_division_by_zero);  // the inner "=" ranks higher
  EXPECT_EQ(value("b"), 2.0);
  EXPECT_FALSE(defined("a"));
  EXPECT_EQ(run("a = y, c = 5"), status_no_value);  // the rightmost "=" runs, then "," needs y
  EXPECT_EQ(value("c"), 5.0);
  EXPECT_FALSE(defined("a"));
}

TEST_F(Evaluator, KeywordAssignments) {
  EXPECT_EQ(run("step_size1 = 2*pi"), 0);
  EXPECT_EQ(KeywordTable[kw_step_size1].number, 2 * pi_value);
  EXPECT_EQ(KeywordTable[kw_step_size1].is_set, 1);
  EXPECT_EQ(run("step_var1 = 5"), status_wrong_sort);
  EXPECT_EQ(run("step_var1 = t"), 0);
  EXPECT_EQ(KeywordTable[kw_step_var1].index, find_variable("t"));
  EXPECT_FALSE(defined("t"));
  EXPECT_EQ(run("angles = radians"), 0);
  EXPECT_EQ(KeywordTable[kw_angles].index, kw_radians);
  EXPECT_EQ(run("angles = spline"), 0);
  EXPECT_EQ(KeywordTable[kw_angles].index, kw_spline);
  EXPECT_EQ(run("degrees = radians"), status_wrong_sort);
  EXPECT_EQ(KeywordTable[kw_degrees].is_set, 0);
  EXPECT_EQ(run("geometry = 3"), status_wrong_sort);
  EXPECT_EQ(KeywordTable[kw_geometry].is_set, 0);
  EXPECT_EQ(run("step_size2 = u"), status_wrong_sort);  // u has no value
  EXPECT_EQ(KeywordTable[kw_step_size2].is_set, 0);
  EXPECT_EQ(run("u = 0.5"), 0);
  EXPECT_EQ(run("step_size2 = u"), 0);
  EXPECT_EQ(KeywordTable[kw_step_size2].number, 0.5);
  EXPECT_EQ(run("step_var2 = u + 1"), status_wrong_sort);  // a number is not a name
}

TEST_F(Evaluator, NonFiniteSettingsNumbersAreRefused) {
  ASSERT_EQ(run("upper_limit1 = 4"), 0);
  for (const char* line : {"upper_limit1 = 1e999", "upper_limit1 = 0-1e999", "upper_limit1 = exp(1000)",
                           "upper_limit1 = sqrt(-1e-13)", "upper_limit1 = ln(0)"}) {
    EXPECT_EQ(run(line), status_wrong_sort) << line;
    EXPECT_EQ(KeywordTable[kw_upper_limit1].number, 4.0) << line;
  }
  EXPECT_EQ(run("x = 1e999"), 0);  // variables may hold anything
  EXPECT_EQ(value("x"), INFINITY);
  EXPECT_EQ(run("upper_limit1 = x"), status_wrong_sort);
}

TEST_F(Evaluator, CountLimitsAndStoredProgramsStayUnchanged) {
  ProgramItem items[max_items + 1] = {};
  EXPECT_EQ(evaluate(items, max_items + 1), status_too_many_tokens);
  EXPECT_EQ(evaluate(items, 0), status_no_assignment);

  // 200 items: x = -1 +1 +1 ... (98 times "+1").
  std::string line = "x = -1";
  for (int i = 0; i < 98; ++i) line += "+1";
  ASSERT_EQ(compile(line.c_str()), 0);
  ASSERT_EQ(count_, max_items);
  ProgramItem before[max_items];
  std::copy(items_, items_ + count_, before);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(evaluate(items_, count_), 0);
    EXPECT_EQ(value("x"), 97.0);
  }
  for (int i = 0; i < count_; ++i) {
    EXPECT_EQ(items_[i].kind, before[i].kind);
    EXPECT_EQ(items_[i].index, before[i].index);
  }
}

TEST_F(Evaluator, StaleAndMalformedProgramsFailCleanly) {
  ASSERT_EQ(compile("w = 1"), 0);
  reset_equation_tables();  // w's row no longer exists
  EXPECT_EQ(evaluate(items_, count_), status_row_out_of_range);
  ProgramItem bad_op[] = {{ItemKind::Variable, 0, 0, 0.0}, {ItemKind::Operator, 55, 0, 0.0},
                          {ItemKind::Number, -1, -1, 1.0}};
  EXPECT_EQ(evaluate(bad_op, 3), status_missing_operand);
  ProgramItem bad_keyword[] = {{ItemKind::Keyword, 300, 0, 0.0}, {ItemKind::Operator, 0, 0, 0.0},
                               {ItemKind::Number, -1, -1, 1.0}};
  EXPECT_EQ(evaluate(bad_keyword, 3), status_missing_operand);
}

}  // namespace
