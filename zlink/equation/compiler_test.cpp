// Compiler: programs compared as dumps, number reading, prefix minus, lookup order, statements.
#include "equation/compiler.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "equation/language_test_support.h"
#include "equation/operators.h"

namespace {

using Compiler = LanguageTest;

TEST_F(Compiler, ProgramsCarryPrioritiesThatFoldInParentheses) {
  struct Case { const char* line; const char* program; } cases[] = {
      {"x = -t^2", "x =@0 -@4 t ^@4 2"},
      {"x = 2*(3 + 4)^2", "x =@0 2 *@2 3 +@11 4 ^@4 2"},
      {"origin = 1, -2, 3", "origin =@0 1 ,@0 -@4 2 ,@0 3"},
      {"2 = x", "2 =@0 x"},
      {"x = 1.2.3", "x =@0 1.2"},
      {"x = 1e+5", "x =@0 1 +@1 5"},
      {"x = sin(cos(t))", "x =@0 sin@5 cos@15 t"},
      {"x = 2*(-t)", "x =@0 2 *@2 -@14 t"},
      {"(a)-b", "a -@1 b"},
      {"x = - - 3", "x =@0 -@4 -@4 3"},
      {"y = sin-t", "y =@0 sin@5 -@4 t"},
      {"x = )a + b(", "x =@0 a +@-9 b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(compile(c.line), 0) << c.line;
    EXPECT_EQ(program(), c.program) << c.line;
  }
  // The first item is never a negation, even when it is a minus.
  EXPECT_EQ(compile("-a"), 0);
  EXPECT_EQ(program(), "-@1 a");
  EXPECT_EQ(items_[0].index, op_subtract);
}

TEST_F(Compiler, ItemFieldsFollowTheirKind) {
  ASSERT_EQ(compile("x = 2.5 + geometry"), 0);
  ASSERT_EQ(count_, 5);
  EXPECT_EQ(items_[0].kind, ItemKind::Variable);
  EXPECT_EQ(items_[0].index, find_variable("x"));
  EXPECT_EQ(items_[0].priority, 0);
  EXPECT_EQ(items_[1].kind, ItemKind::Operator);
  EXPECT_EQ(items_[1].index, op_assign);
  EXPECT_EQ(items_[2].kind, ItemKind::Number);
  EXPECT_EQ(items_[2].index, -1);
  EXPECT_EQ(items_[2].priority, -1);
  EXPECT_EQ(items_[2].value, 2.5);
  EXPECT_EQ(items_[4].kind, ItemKind::Keyword);
  EXPECT_EQ(items_[4].index, kw_geometry);
  EXPECT_EQ(items_[4].value, 0.0);
}

TEST_F(Compiler, ReadNumberActsLikeFormattedInputWithBareExponent) {
  struct Case { const char* text; double value; } cases[] = {
      {"2x", 2.0},   {"1.2.3", 1.2}, {"2e", 2.0},   {"2e-", 2.0},     {"2E+", 2.0},
      {"1E5", 1e5},  {"1e-5", 1e-5}, {".5", 0.5},   {"5.", 5.0},      {"0x1p3", 0.0},
      {"2e-3-t", 0.002}, {"007", 7.0}, {"1e400", INFINITY}, {"1e-400", 0.0},
      {"0.1", 0.1},  {"123456789012345678901234567890", 123456789012345678901234567890.0},
  };
  for (const Case& c : cases) {
    double v = -1.0;
    EXPECT_EQ(read_number(c.text, &v), 0) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
  for (const char* bad : {".", ".x", ".e5", "e5", ""}) {
    double v = 42.0;
    EXPECT_EQ(read_number(bad, &v), status_bad_number) << bad;
    EXPECT_EQ(v, 42.0) << bad;
  }
}

TEST_F(Compiler, FailuresReportTheirStatusAndKeepWhatWasDone) {
  EXPECT_EQ(compile("x = ."), status_bad_number);
  EXPECT_EQ(compile("x = (1 + 2"), status_unbalanced);
  EXPECT_EQ(program(), "x =@0 1 +@11 2");  // the items are complete
  EXPECT_EQ(compile("q = 1 + 2)"), status_unbalanced);
  EXPECT_GE(find_variable("q"), 0);        // new names stay, even in failing lines
  EXPECT_EQ(compile("()"), 0);
  EXPECT_EQ(count_, 0);
  EXPECT_EQ(compile("a = 1 + . + b"), status_bad_number);
  EXPECT_EQ(find_variable("b"), -1);       // compiling stopped at the bad number
}

TEST_F(Compiler, LookupOrderIsOperatorsKeywordsVariablesCaseSensitive) {
  int16_t precedence = -1;
  EXPECT_EQ(find_operator("-", &precedence), op_subtract);
  EXPECT_EQ(precedence, 1);
  EXPECT_EQ(find_operator("log", &precedence), op_log);
  EXPECT_EQ(precedence, 5);
  precedence = 77;
  EXPECT_EQ(find_operator("SIN", &precedence), op_end);
  EXPECT_EQ(find_operator("", &precedence), op_end);
  EXPECT_EQ(precedence, 77);

  ASSERT_EQ(compile("SIN = Sin + sin(degrees) + pi"), 0);
  EXPECT_EQ(program(), "SIN =@0 Sin +@1 sin@5 degrees +@1 pi");
  EXPECT_EQ(items_[0].kind, ItemKind::Variable);
  EXPECT_EQ(items_[5].kind, ItemKind::Keyword);
  EXPECT_EQ(items_[7].index, 0);  // pi is row 0
  EXPECT_EQ(VariableTable.count, 4);
  ASSERT_EQ(compile("SIN = Sin"), 0);
  EXPECT_EQ(VariableTable.count, 4);  // known names are found, not added again
}

TEST_F(Compiler, VariableTableLimits) {
  char name[8];
  for (int i = 2; i < max_variables; ++i) {
    std::snprintf(name, sizeof name, "v%d", i);
    ASSERT_EQ(compile(name), 0);
  }
  EXPECT_EQ(VariableTable.count, max_variables);
  EXPECT_EQ(compile("v5 = v6"), 0);                 // known names still compile
  EXPECT_EQ(compile("v5 = w"), status_table_full);  // a new one does not
  EXPECT_EQ(program(), "v5 =@0");
}

TEST_F(Compiler, CapacityBelowTheTokenCountIsNeverOverrun) {
  Token tokens[max_tokens];
  int16_t token_count = 0;
  ASSERT_EQ(tokenize_line("x = 1 + 2", max_tokens, tokens, &token_count), 0);
  ProgramItem small[3];
  int16_t count = 0;
  EXPECT_EQ(compile_tokens(tokens, token_count, 3, small, &count), status_too_many_tokens);
  EXPECT_EQ(count, 3);
}

TEST_F(Compiler, StatementsCopyTheirProgramAndText) {
  char line[] = "x = cos(t)";
  ASSERT_EQ(compile(line), 0);
  Statement* s = make_statement(line, count_, items_);
  ASSERT_NE(s, nullptr);
  line[0] = 'y';
  items_[0].index = 99;
  EXPECT_STREQ(s->text, "x = cos(t)");
  EXPECT_EQ(s->length, 4);
  EXPECT_EQ(s->tag, s->length);
  EXPECT_EQ(s->next, nullptr);
  EXPECT_EQ(s->failed_status, 0);
  EXPECT_EQ(s->program[0].index, find_variable("x"));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(s->program) % alignof(double), 0u);
  char out[256];
  dump_program(s->program, s->length, out, sizeof out);
  EXPECT_STREQ(out, "x =@0 cos@5 t");

  // An empty program and a text as long as a block still make statements; longer texts cannot.
  EXPECT_NE(make_statement("", 0, items_), nullptr);
  std::string long_text(pool_block_data - 1, ' ');
  EXPECT_NE(make_statement(long_text.c_str(), 1, items_), nullptr);
  long_text += ' ';
  EXPECT_EQ(make_statement(long_text.c_str(), 1, items_), nullptr);
  std::string huge(70000, ' ');
  EXPECT_EQ(make_statement(huge.c_str(), 1, items_), nullptr);
}

TEST_F(Compiler, StatementFailsWhenAnyOfItsThreePiecesCannotBeHad) {
  ASSERT_EQ(compile("x = 1"), 0);
  ASSERT_NE(make_statement("x = 1", count_, items_), nullptr);  // a block is current now
  // Fill the current block so that the next request needs a new block, and refuse it.
  while (StatementPool->remaining >= 8) ASSERT_NE(pool_alloc(8), nullptr);
  pool_fail_block(1);
  EXPECT_EQ(make_statement("x = 1", count_, items_), nullptr);

  // The record fits in the current block but the items do not.
  pool_fail_block(0);
  pool_release();
  ASSERT_NE(pool_alloc(static_cast<int16_t>(pool_block_data - sizeof(Statement))), nullptr);
  pool_fail_block(1);
  EXPECT_EQ(make_statement("x = 1", count_, items_), nullptr);
}

}  // namespace
