// Line routing: what each kind of line becomes, the statement list, the origin line.
#include "equation/line_routing.h"

#include <string>
#include <vector>

#include "equation/language_test_support.h"

namespace {

class Routing : public LanguageTest {
 protected:
  int line(const std::string& text) { return compile_line(text.c_str(), &head_, &tail_); }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (Statement* s = head_; s != nullptr; s = s->next) out.push_back(s->text);
    return out;
  }
  void origin_is(double x, double y, double z) {
    EXPECT_EQ(PlotSettings.origin[0], x);
    EXPECT_EQ(PlotSettings.origin[1], y);
    EXPECT_EQ(PlotSettings.origin[2], z);
  }
  Statement* head_ = nullptr;
  Statement* tail_ = nullptr;
};

TEST_F(Routing, EachKindOfLine) {
  EXPECT_EQ(line(""), 0);
  EXPECT_EQ(line("    "), 0);
  EXPECT_EQ(line("()"), 0);
  EXPECT_EQ(line("step_var1 = t"), 0);
  EXPECT_EQ(KeywordTable[kw_step_var1].is_set, 1);
  EXPECT_GE(find_variable("t"), 0);
  EXPECT_FALSE(defined("t"));
  EXPECT_EQ(line("degrees"), status_no_assignment);
  EXPECT_EQ(line("(geometry) = lines"), 0);  // parentheses before the keyword
  EXPECT_EQ(KeywordTable[kw_geometry].index, kw_lines);
  EXPECT_EQ(line("x = (1 + 2"), status_unbalanced);
  EXPECT_GE(find_variable("x"), 0);
  EXPECT_EQ(line("2 = x"), 0);
  EXPECT_EQ(line("# note"), 0);
  EXPECT_EQ(line("Geometry = draw"), 0);
  EXPECT_EQ(line("Origin = 1, 2, 3"), 0);
  EXPECT_EQ(line("3 + 4"), 0);  // fails only when run
  EXPECT_EQ(line("x = ."), status_bad_number);
  EXPECT_EQ(line("x = " + std::string(32, 'n')), status_name_too_long);
  EXPECT_EQ(line("geometry = 3"), status_wrong_sort);
  EXPECT_EQ(texts(), (std::vector<std::string>{"2 = x", "# note", "Geometry = draw",
                                               "Origin = 1, 2, 3", "3 + 4"}));
  EXPECT_EQ(tail_->next, nullptr);
  EXPECT_STREQ(tail_->text, "3 + 4");
  origin_is(0, 0, 0);
}

TEST_F(Routing, StatementsKeepTheirTextAndRunLater) {
  for (const char* text : {"x = t", "x = t", "  y = 2*x  "}) EXPECT_EQ(line(text), 0);
  EXPECT_EQ(texts(), (std::vector<std::string>{"x = t", "x = t", "  y = 2*x  "}));
  EXPECT_EQ(set_variable(static_cast<int16_t>(find_variable("t")), 4.0), 0);
  for (Statement* s = head_; s != nullptr; s = s->next) EXPECT_EQ(evaluate(s->program, s->length), 0);
  EXPECT_EQ(value("y"), 8.0);
}

TEST_F(Routing, OriginLines) {
  struct Case { const char* line; double x, y, z; } cases[] = {
      {"origin = 1, -2, 3", 1, -2, 3},    {"origin = 1 - 2, 3", 1, -2, 3},
      {"origin = 2*3, 4", 2, 3, 4},        {"origin = - -3", -3, 9, 9},
      {"origin = 1, 2, 3, 4", 1, 2, 3},    {"origin = -5", -5, 9, 9},
      {"origin = pi, 1", 1, 9, 9},         {"origin = (1, 2", 1, 2, 9},
      {"origin = 4, ., 6", 4, 9, 9},       {"origin", 9, 9, 9},
      {"origin = 1e999, 2", 9, 2, 9},      {"origin = 1e999, -1e999, 7", 9, 9, 7},
      {"origin = -1 + 2", -1, 2, 9},       {"origin = 1e+5", 1, 5, 9},
  };
  for (const Case& c : cases) {
    PlotSettings.origin[0] = PlotSettings.origin[1] = PlotSettings.origin[2] = 9;
    EXPECT_EQ(line(c.line), 0) << c.line;
    EXPECT_EQ(PlotSettings.origin[0], c.x) << c.line;
    EXPECT_EQ(PlotSettings.origin[1], c.y) << c.line;
    EXPECT_EQ(PlotSettings.origin[2], c.z) << c.line;
  }
  EXPECT_EQ(head_, nullptr);  // origin lines are never stored
  EXPECT_GE(find_variable("pi"), 0);
  EXPECT_EQ(line("origin = " + std::string(40, 'a')), status_name_too_long);  // tokenizing still fails
}

TEST_F(Routing, OriginLineNamesBecomeVariables) {
  EXPECT_EQ(line("origin = q, 1"), 0);
  EXPECT_GE(find_variable("q"), 0);
}

TEST_F(Routing, FreeVariableRowsRunOut) {
  char text[32];
  for (int i = 0; i < max_variables - 2; ++i) {  // 198 free rows
    std::snprintf(text, sizeof text, "v%d = 1", i);
    ASSERT_EQ(line(text), 0) << text;
  }
  EXPECT_EQ(line("w = 1"), status_table_full);
  EXPECT_EQ(line("v3 = v4"), 0);
  EXPECT_EQ(texts().size(), 199u);
}

TEST_F(Routing, NoStorageFailsTheLineAndKeepsTheList) {
  ASSERT_EQ(line("x = 1"), 0);
  while (StatementPool->remaining >= 8) ASSERT_NE(pool_alloc(8), nullptr);
  pool_fail_block(1);
  EXPECT_EQ(line("y = 2"), status_no_storage);
  EXPECT_EQ(line("z = 3"), 0);
  EXPECT_EQ(texts(), (std::vector<std::string>{"x = 1", "z = 3"}));
}

TEST_F(Routing, LongLinesAndManyStatementsCrossBlocks) {
  std::string longest = "x = 1";
  while (longest.size() < max_line_length) longest += "+1";
  longest.resize(max_line_length);
  if (longest.back() == '+') longest.back() = ' ';
  int stored = 0;
  for (int i = 0; i < 100; ++i) stored += line(longest) == 0;
  EXPECT_EQ(stored, 100);
  int blocks = 0;
  for (PoolBlock* b = StatementPool; b != nullptr; b = b->next) ++blocks;
  EXPECT_GT(blocks, 10);
  EXPECT_EQ(texts().size(), 100u);
  EXPECT_EQ(texts().back(), longest);
  // A line far longer than a file line (the tokenizer drops its spaces) fails for lack of room
  // instead of overrunning a block.
  EXPECT_EQ(line(std::string(6000, ' ') + "x = 1"), status_no_storage);
}

}  // namespace
