// Evaluation plans: which operator the reduction picks next, and which items it takes, depend only on
// the items' kinds and priorities, never on values. A plan records that sequence once, as a flat list
// of steps on value slots, so that each run does no scans and no copies.
#pragma once
#include <cstdint>

#include "equation/limits.h"
#include "equation/program.h"

enum class PlanCode : uint8_t {
  // 0..18: the arithmetic of the operator with that id (ORDER OPERATORS): dest = left op right.
  // "^" is power() of arithmetic.h: pow's result, found without pow for most squares.
  Comma = 19,           // dest = left
  AssignVariable = 20,  // variable `row` = right (-18 for a constant); dest = right
  AssignAndEnd = 21,    // the same as the last step of a plan; then return 0
  AssignOther = 22,     // any other "=": target (kind, `row`), source (kind, `source` or right) as the reduction has them
  Fail = 23,            // return status `row`: the reduction meets a fault of the program's shape here
  End = 24,             // return status `row`: 0 when something was assigned, else -10
};

// One step. Operands point at a slot or straight at a variable's value, read when the step runs.
struct PlanStep {
  PlanCode code;
  uint8_t kinds;         // AssignOther: target ItemKind in the low four bits, source ItemKind in the high four
  int16_t row;           // the assigned variable's row, the target keyword's row, or a status, by code
  int16_t source;        // AssignOther: the source's variable or keyword row
  int16_t dest;          // the slot written (the operator's item position)
  const double* left;
  const double* right;
};

// Each operator yields at most one step, and one more ends the plan.
constexpr int max_plan_steps = max_items + 1;

struct EvaluationPlan {
  int16_t step_count;
  int16_t slot_count;   // one slot per item: numbers keep their value there, results go there
  int16_t read_count;   // variables the steps read
  int16_t highest_row;  // the highest variable row a step reads or assigns; -1 when none
  int16_t usable;       // 0 when the program needs checks the plan leaves out; run the reduction then
  PlanStep* steps;
  double* slots;        // written while the plan runs: a plan serves one evaluation at a time
  int16_t* reads;       // the rows of those variables, each once
};

/// Room for planning one program of up to max_items items.
struct PlanBuffer {
  EvaluationPlan plan;
  PlanStep steps[max_plan_steps];
  double slots[max_items];
  int16_t reads[max_items];
};

/// Plans `count` items (0..max_items) into `buffer` and returns its plan.
EvaluationPlan* plan_program(const ProgramItem* program, int16_t count, PlanBuffer* buffer);

/// A copy of `plan` in two requests from the StatementPool, or null when the pool has no room.
EvaluationPlan* store_plan(const EvaluationPlan& plan);

/// True when `plan` may run now: every row it uses exists and every variable it reads has a value
/// (a run that would meet a variable without one is left to the reduction, which reports it).
bool plan_runs_here(const EvaluationPlan* plan);

/// Runs a plan for which plan_runs_here holds; the status `evaluate_reference` gives for its program.
int run_plan(EvaluationPlan* plan);

/// One readable line per plan: `cos 2 t; * 1 r 2; set_end x 1 1` (numbers are slots, names variables).
void dump_plan(const EvaluationPlan* plan, char* out, int out_size);
