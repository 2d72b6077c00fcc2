// ExprTk behind a small interface, so that its one large header is compiled in a translation unit of
// its own (minutes and more than a gigabyte at -O2) and only for the evaluator benchmark.
#pragma once
#include <string>
#include <utility>
#include <vector>

struct ExprtkRunner;

/// Compiles `text` with `variables` (name, where its value lives) bound; null with *error set on failure.
ExprtkRunner* exprtk_compile(const std::string& text, const std::vector<std::pair<std::string, double*>>& variables,
                             std::string* error);
/// Evaluates the compiled expression once; its statements assign the bound variables.
double exprtk_value(ExprtkRunner* runner);
void exprtk_free(ExprtkRunner* runner);
