// The ExprTk side of the evaluator benchmark: one symbol table, one expression, one parser.
#include "exprtk_runner.h"

// Names differ by case in the statement sets (R and r).
#define exprtk_disable_caseinsensitivity
#include "exprtk.hpp"

struct ExprtkRunner {
  exprtk::symbol_table<double> symbols;
  exprtk::expression<double> expression;
};

ExprtkRunner* exprtk_compile(const std::string& text, const std::vector<std::pair<std::string, double*>>& variables,
                             std::string* error) {
  auto* runner = new ExprtkRunner;
  for (const auto& [name, value] : variables) {
    if (!runner->symbols.add_variable(name, *value)) {
      *error = "ExprTk refuses the variable " + name;
      delete runner;
      return nullptr;
    }
  }
  runner->expression.register_symbol_table(runner->symbols);
  exprtk::parser<double> parser;
  if (!parser.compile(text, runner->expression)) {
    *error = "ExprTk: " + parser.error();
    delete runner;
    return nullptr;
  }
  return runner;
}

double exprtk_value(ExprtkRunner* runner) { return runner->expression.value(); }

void exprtk_free(ExprtkRunner* runner) { delete runner; }
