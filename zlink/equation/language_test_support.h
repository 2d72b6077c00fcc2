// Test support for the equation language: a fixture that gives every test fresh process-wide state
// (tables, settings, angle factors, pool) and helpers that compile and run one line.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/compiler.h"
#include "equation/evaluator.h"
#include "equation/statement_pool.h"
#include "equation/tokenizer.h"
#include "equation/variables.h"

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PlotSettings = initial_plot_settings;
    deg_to_rad = 1.0;
    rad_to_deg = 1.0;
    reset_equation_tables();
  }
  void TearDown() override {
    pool_fail_block(0);
    pool_release();
  }

  // Compiles `line` into items_/count_; returns the status of tokenizing or compiling.
  int compile(const char* line) {
    Token tokens[max_tokens];
    int16_t token_count = 0;
    count_ = 0;
    int status = tokenize_line(line, max_tokens, tokens, &token_count);
    if (status != status_ok) return status;
    return compile_tokens(tokens, token_count, max_items, items_, &count_);
  }

  // Compiles and evaluates `line`; the compile status if it fails, else the evaluation status.
  int run(const char* line) {
    int status = compile(line);
    return status != status_ok ? status : evaluate(items_, count_);
  }

  std::string program() const {
    char out[4096];
    dump_program(items_, count_, out, sizeof out);
    return out;
  }

  // The value of a variable by name; NaN-free sentinel when it has none, so tests see the difference.
  double value(const char* name) const {
    int row = find_variable(name);
    EXPECT_GE(row, 0) << name;
    return row < 0 ? -12345.0 : VariableTable.rows[row].value;
  }
  bool defined(const char* name) const {
    int row = find_variable(name);
    return row >= 0 && VariableTable.rows[row].defined;
  }

  ProgramItem items_[max_items];
  int16_t count_ = 0;
};
