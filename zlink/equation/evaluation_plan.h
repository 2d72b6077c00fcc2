// Evaluation plans: which operator the reduction picks next, and which items it takes, depend only on
// the items' kinds and priorities, never on values. A plan records that sequence once, as a flat list
// of steps on value slots, so that each run does no scans and no copies.
#pragma once
#include <cstdint>

#include "equation/limits.h"
#include "equation/program.h"

enum class PlanCode : uint8_t {
  // 0..18: the arithmetic of the operator with that id (ORDER OPERATORS): slot dest = left op right.
  Square = 19,          // slot dest = slot a * slot a: "^" with the number 2, identical to pow(x, 2)
  Load = 20,            // slot dest = value of variable row a; -6 when it has none
  LoadSource = 21,      // the same for the right side of "=" with a variable target; 105 when it has none
  Comma = 22,           // slot dest = slot a
  AssignVariable = 23,  // variable row a = slot b (-18 for a constant); slot dest = slot b
  AssignOther = 24,     // any other "=": target item (kind, row a), source item (kind, b) as the reduction has them
  Fail = 25,            // return status a: the reduction meets a fault of the program's shape here
  End = 26,             // return status a: 0 when something was assigned, else -10
};

struct PlanStep {
  PlanCode code;
  uint8_t kinds;  // AssignOther: target ItemKind in the low four bits, source ItemKind in the high four
  int16_t dest;   // the slot written
  int16_t a;      // left slot, variable row, target row or status, by code
  int16_t b;      // right slot, or the source's row or slot
};

// Each item yields at most one step (an operator its reduction, a variable its load); one more ends.
constexpr int max_plan_steps = max_items + 1;

struct EvaluationPlan {
  int16_t step_count;
  int16_t slot_count;   // one slot per item: numbers keep their value there, results and loads go there
  int16_t highest_row;  // the highest variable row a Load or AssignVariable uses; -1 when none
  int16_t usable;       // 0 when the program needs checks the plan leaves out; run the reduction then
  PlanStep* steps;
  double* slots;        // written while the plan runs: a plan serves one evaluation at a time
};

/// Room for planning one program of up to max_items items.
struct PlanBuffer {
  EvaluationPlan plan;
  PlanStep steps[max_plan_steps];
  double slots[max_items];
};

/// Plans `count` items (0..max_items) into `buffer` and returns its plan.
EvaluationPlan* plan_program(const ProgramItem* program, int16_t count, PlanBuffer* buffer);

/// A copy of `plan` in one request from the StatementPool, or null when the pool has no room.
EvaluationPlan* store_plan(const EvaluationPlan& plan);

/// True when `plan` may run against the current variable table (all its rows exist).
bool plan_runs_here(const EvaluationPlan* plan);

/// Runs a plan for which plan_runs_here holds; the status `evaluate_reference` gives for its program.
int run_plan(EvaluationPlan* plan);

/// One readable line per plan: `load 3 t; cos 2 3; set x 2; end 0` (slots are item positions).
void dump_plan(const EvaluationPlan* plan, char* out, int out_size);
