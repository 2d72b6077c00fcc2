// Programs and statements: a compiled line is a flat list of items in source order, each operator
// carrying a priority that already folds in its parentheses; the evaluator reduces the list in place.
#pragma once
#include <cstdint>
#include "equation/limits.h"

enum class ItemKind : int32_t {
  Consumed = 0,  // an operand already used by the evaluator; never produced by the compiler
  Number = 1,    // index -1, priority -1, value the number
  Variable = 2,  // index the variable's row, priority 0
  Operator = 3,  // index the operator id, priority precedence + 10 x depth
  Keyword = 4,   // index the keyword's row, priority 0
};

struct ProgramItem {
  ItemKind kind;
  int16_t index;
  int16_t priority;
  double value;
};

struct EvaluationPlan;

// One stored line of an equation file; every piece of its storage comes from the StatementPool.
struct Statement {
  ProgramItem* program;  // the statement's own copy of its items
  int16_t length;        // number of items
  char* text;            // the source line as read, NUL-terminated
  int16_t tag;           // the program length; handed to report_statement_error when it fails in a plot
  Statement* next;       // the following statement, null for the last
  int32_t failed_status; // 0 for a live statement; otherwise the status of a line kept verbatim, never run
  EvaluationPlan* plan;  // how the program runs, made with it; null when the pool had no room (the
                         // statement then runs by plain reduction, with the same results, only slower)
};

/// True when the statement is a failed line kept only so that it is written back unchanged.
inline bool is_inert(const Statement* s) { return s->failed_status != 0; }

/// One readable line for a program: `x =@0 -@4 t ^@4 2` (operators carry @priority).
void dump_program(const ProgramItem* items, int16_t count, char* out, int out_size);
