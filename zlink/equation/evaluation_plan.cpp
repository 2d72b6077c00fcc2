// Evaluation plans: a dry run of the priority-driven reduction over the items' kinds alone. Wherever the
// reduction would read a value the plan gets a step; wherever it would fail for the program's shape
// (-11, -7 for a keyword source) the plan ends in a Fail step at that very point, so that every status,
// and every assignment made before it, comes out as the reduction gives them.
#include "equation/evaluation_plan.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "equation/keywords.h"
#include "equation/arithmetic.h"
#include "equation/assignment.h"
#include "equation/evaluator.h"
#include "equation/operators.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"

namespace {

// Planning state: the working kinds of the items and the plan being written.
struct Planner {
  ProgramItem items[max_items];
  int16_t count;
  EvaluationPlan* plan;

  PlanStep& emit(int code, int dest, const double* left, const double* right, int row = 0) {
    PlanStep& step = plan->steps[plan->step_count++];
    step = {static_cast<PlanCode>(code), 0, static_cast<int16_t>(row), 0, static_cast<int16_t>(dest), left, right};
    return step;
  }
  void use_row(int row) {
    if (row < 0) plan->usable = 0;  // never made by the compiler; the reduction reports it
    if (row > plan->highest_row) plan->highest_row = static_cast<int16_t>(row);
  }
  const double* read_variable(int row) {
    use_row(row);
    if (row < 0 || row >= max_variables) return nullptr;
    int i = 0;
    while (i < plan->read_count && plan->reads[i] != row) ++i;
    if (i == plan->read_count) plan->reads[plan->read_count++] = static_cast<int16_t>(row);
    return &VariableTable.rows[row].value;
  }
  // Where an operand that must give a value is read; null when the reduction fails on it.
  const double* fetch(int pos) {
    if (items[pos].kind == ItemKind::Number) return &plan->slots[pos];
    if (items[pos].kind != ItemKind::Variable) return nullptr;
    const double* value = read_variable(items[pos].index);
    if (value == nullptr) plan->usable = 0;
    return value;
  }
  void fail(int status) { emit(static_cast<int>(PlanCode::Fail), 0, nullptr, nullptr, status); }
  // Plans one reduction; false when the plan has ended with a Fail step.
  bool reduce(int best, bool* assigns);
};

bool Planner::reduce(int best, bool* assigns) {
  const OperatorDef& op = OperatorTable[items[best].index];
  int left_pos = -1;
  const double* left = nullptr;
  if (op.infix) {
    for (int i = best - 1; i >= 0; --i) {
      if (items[i].kind != ItemKind::Consumed) { left_pos = i; break; }
    }
    if (left_pos < 0) { fail(status_missing_operand); return false; }
    if (op.id == op_assign) {
      ItemKind k = items[left_pos].kind;
      if (k != ItemKind::Variable && k != ItemKind::Keyword) { fail(status_missing_operand); return false; }
    } else if ((left = fetch(left_pos)) == nullptr) {
      fail(status_missing_operand);
      return false;
    }
  }
  int right_pos = -1;
  for (int i = best + 1; i < count; ++i) {
    if (items[i].kind != ItemKind::Consumed) { right_pos = i; break; }
  }
  if (right_pos < 0 || items[right_pos].kind == ItemKind::Operator) { fail(status_missing_operand); return false; }
  const ProgramItem& r = items[right_pos];

  if (op.id == op_assign) {
    for (int i = right_pos + 1; i < count; ++i) {
      if (items[i].kind != ItemKind::Consumed) { fail(status_missing_operand); return false; }
    }
    const ProgramItem& target = items[left_pos];
    if (target.kind == ItemKind::Variable && (r.kind == ItemKind::Number || r.kind == ItemKind::Variable)) {
      const double* source = fetch(right_pos);
      use_row(target.index);
      emit(static_cast<int>(PlanCode::AssignVariable), best, nullptr, source, target.index);
    } else {
      // Keyword rows and sorts are the assignment rules' business: the step hands them the items.
      const double* source = r.kind == ItemKind::Number ? &plan->slots[right_pos] : nullptr;
      PlanStep& step = emit(static_cast<int>(PlanCode::AssignOther), best, nullptr, source, target.index);
      step.kinds = static_cast<uint8_t>(static_cast<int>(target.kind) | static_cast<int>(r.kind) << 4);
      step.source = r.index;
    }
    *assigns = true;
  } else {
    const double* right = fetch(right_pos);
    if (right == nullptr) { fail(status_missing_operand); return false; }
    if (op.id == op_comma) {
      emit(static_cast<int>(PlanCode::Comma), best, left, right);
    } else {
      emit(op.id, best, op.infix ? left : right, right);
    }
  }
  if (left_pos >= 0) items[left_pos].kind = ItemKind::Consumed;
  items[best] = {ItemKind::Number, -1, -1, 0.0};
  items[right_pos].kind = ItemKind::Consumed;
  return true;
}

// An operand as the dumps show it: a slot number or a variable's name.
void operand_text(const EvaluationPlan* plan, const double* operand, char* out, size_t size) {
  if (operand >= plan->slots && operand < plan->slots + plan->slot_count) {
    std::snprintf(out, size, "%d", static_cast<int>(operand - plan->slots));
    return;
  }
  for (int row = 0; row < max_variables; ++row) {
    if (operand == &VariableTable.rows[row].value) {
      std::snprintf(out, size, "%s", row < VariableTable.count ? VariableTable.rows[row].name : "?");
      return;
    }
  }
  std::snprintf(out, size, "?");
}

const char* row_name(int row) {
  return row >= 0 && row < VariableTable.count ? VariableTable.rows[row].name : "?";
}

// A pointer into `from` moved to the same place in `to`; any other pointer unchanged.
const double* rebase(const double* p, const double* from, int count, const double* to) {
  return p >= from && p < from + count ? to + (p - from) : p;
}

}  // namespace

EvaluationPlan* plan_program(const ProgramItem* program, int16_t count, PlanBuffer* buffer) {
  if (count < 0) count = 0;
  if (count > max_items) count = max_items;
  EvaluationPlan* plan = &buffer->plan;
  *plan = {0, count, 0, -1, 1, buffer->steps, buffer->slots, buffer->reads};
  Planner planner;
  planner.count = count;
  planner.plan = plan;
  if (count > 0) std::memcpy(planner.items, program, static_cast<size_t>(count) * sizeof(ProgramItem));
  for (int i = 0; i < count; ++i) plan->slots[i] = program[i].kind == ItemKind::Number ? program[i].value : 0.0;

  bool assigns = false;
  for (;;) {
    int best = -1;
    int best_priority = -1;
    for (int i = 0; i < count; ++i) {
      const ProgramItem& item = planner.items[i];
      if (item.kind != ItemKind::Operator) continue;
      if (item.index < 0 || item.index >= op_end) {
        planner.fail(status_missing_operand);
        return plan;
      }
      if (item.priority > best_priority ||
          (item.priority == best_priority && OperatorTable[item.index].left_assoc == 0)) {
        best = i;
        best_priority = item.priority;
      }
    }
    if (best < 0) break;
    if (!planner.reduce(best, &assigns)) return plan;
  }
  PlanStep* last = plan->step_count > 0 ? &plan->steps[plan->step_count - 1] : nullptr;
  if (last != nullptr && last->code == PlanCode::AssignVariable) {
    last->code = PlanCode::AssignAndEnd;  // the usual statement: its last step is its assignment
  } else {
    planner.emit(static_cast<int>(PlanCode::End), 0, nullptr, nullptr, assigns ? status_ok : status_no_assignment);
  }
  return plan;
}

EvaluationPlan* store_plan(const EvaluationPlan& plan) {
  // Two requests, each within a pool block whatever the program: the record with its steps, then
  // the slots with the rows read.
  static_assert(sizeof(EvaluationPlan) + sizeof(PlanStep) * max_plan_steps <= pool_block_data &&
                    (sizeof(double) + sizeof(int16_t)) * max_items <= pool_block_data,
                "each part of a plan fits in one pool block");
  static_assert(sizeof(EvaluationPlan) % 8 == 0, "the steps that follow the record stay aligned");
  size_t steps_size = static_cast<size_t>(plan.step_count) * sizeof(PlanStep);
  size_t slots_size = static_cast<size_t>(plan.slot_count) * sizeof(double);
  size_t reads_size = static_cast<size_t>(plan.read_count) * sizeof(int16_t);
  auto* record = static_cast<char*>(pool_alloc(static_cast<int16_t>(sizeof(EvaluationPlan) + steps_size)));
  if (record == nullptr) return nullptr;
  auto* values = static_cast<char*>(pool_alloc(static_cast<int16_t>(slots_size + reads_size)));
  if (values == nullptr) return nullptr;
  auto* copy = reinterpret_cast<EvaluationPlan*>(record);
  *copy = plan;
  copy->steps = reinterpret_cast<PlanStep*>(record + sizeof(EvaluationPlan));
  copy->slots = reinterpret_cast<double*>(values);
  copy->reads = reinterpret_cast<int16_t*>(values + slots_size);
  if (slots_size > 0) std::memcpy(copy->slots, plan.slots, slots_size);
  if (reads_size > 0) std::memcpy(copy->reads, plan.reads, reads_size);
  for (int i = 0; i < plan.step_count; ++i) {
    PlanStep step = plan.steps[i];
    step.left = rebase(step.left, plan.slots, plan.slot_count, copy->slots);
    step.right = rebase(step.right, plan.slots, plan.slot_count, copy->slots);
    copy->steps[i] = step;
  }
  return copy;
}

bool plan_runs_here(const EvaluationPlan* plan) {
  if (plan->usable == 0 || plan->highest_row >= VariableTable.count) return false;
  for (int i = 0; i < plan->read_count; ++i) {
    if (!VariableTable.rows[plan->reads[i]].defined) return false;
  }
  return true;
}

int run_plan(EvaluationPlan* plan) {
  double* slot = plan->slots;
  VariableEntry* rows = VariableTable.rows;
  for (const PlanStep* s = plan->steps;; ++s) {
    switch (static_cast<int>(s->code)) {
      case op_add: slot[s->dest] = *s->left + *s->right; break;
      case op_subtract: slot[s->dest] = *s->left - *s->right; break;
      case op_multiply: slot[s->dest] = *s->left * *s->right; break;
      case op_negate: slot[s->dest] = -*s->right; break;
      // The most common calls, spelled as compute() spells them, without its second dispatch.
      case op_power: slot[s->dest] = power(*s->left, *s->right); break;
      case op_cos: slot[s->dest] = std::cos(*s->right * deg_to_rad); break;
      case op_sin: slot[s->dest] = std::sin(*s->right * deg_to_rad); break;
      case op_divide:
        if (std::fabs(*s->right) < division_floor) return status_division_by_zero;
        slot[s->dest] = *s->left / *s->right;
        break;
      case static_cast<int>(PlanCode::Comma): slot[s->dest] = *s->left; break;
      case static_cast<int>(PlanCode::AssignVariable):
      case static_cast<int>(PlanCode::AssignAndEnd): {
        VariableEntry& v = rows[s->row];
        if (v.constant) return status_constant;
        double value = *s->right;
        v.value = value;
        v.defined = 1;
        slot[s->dest] = value;
        if (s->code == PlanCode::AssignAndEnd) return status_ok;
        break;
      }
      case static_cast<int>(PlanCode::AssignOther): {
        auto target_kind = static_cast<ItemKind>(s->kinds & 0xf);
        auto source_kind = static_cast<ItemKind>(s->kinds >> 4);
        ProgramItem target{target_kind, s->row, 0, 0.0};
        ProgramItem source{source_kind, s->source, 0, 0.0};
        if (source_kind == ItemKind::Number) source = {ItemKind::Number, -1, -1, *s->right};
        int status = assign(target, source, &slot[s->dest]);
        if (status != status_ok) return status;
        break;
      }
      case static_cast<int>(PlanCode::Fail):
      case static_cast<int>(PlanCode::End): return s->row;
      default: {  // the other operators and functions, with their domain tests
        int status = compute(static_cast<int>(s->code), *s->left, *s->right, &slot[s->dest]);
        if (status != status_ok) return status;
        break;
      }
    }
  }
}

// Beside the runner, so that the per-statement path is one call.
int evaluate_statement(const Statement* statement) {
  EvaluationPlan* plan = statement->plan;
  if (plan != nullptr && plan_runs_here(plan)) return run_plan(plan);
  return evaluate_reference(statement->program, statement->length);
}

void dump_plan(const EvaluationPlan* plan, char* out, int out_size) {
  if (out_size <= 0) return;
  out[0] = '\0';
  size_t used = 0;
  for (int i = 0; i < plan->step_count; ++i) {
    const PlanStep& s = plan->steps[i];
    int code = static_cast<int>(s.code);
    char left[40], right[40], piece[128];
    operand_text(plan, s.left, left, sizeof left);
    operand_text(plan, s.right, right, sizeof right);
    if (code < op_end && OperatorTable[code].infix) {
      std::snprintf(piece, sizeof piece, "%s %d %s %s", OperatorTable[code].name, s.dest, left, right);
    } else if (code < op_end) {
      std::snprintf(piece, sizeof piece, "%s %d %s", code == op_negate ? "neg" : OperatorTable[code].name, s.dest,
                    right);
    } else {
      switch (s.code) {
        case PlanCode::Comma: std::snprintf(piece, sizeof piece, ", %d %s", s.dest, left); break;
        case PlanCode::AssignVariable:
        case PlanCode::AssignAndEnd:
          std::snprintf(piece, sizeof piece, "%s %s %d %s", s.code == PlanCode::AssignAndEnd ? "set_end" : "set",
                        row_name(s.row), s.dest, right);
          break;
        case PlanCode::AssignOther:
          std::snprintf(piece, sizeof piece, "assign %d %d:%d %d:%d", s.dest, s.kinds & 0xf, s.row, s.kinds >> 4,
                        s.right != nullptr ? static_cast<int>(s.right - plan->slots) : s.source);
          break;
        case PlanCode::Fail: std::snprintf(piece, sizeof piece, "fail %d", s.row); break;
        case PlanCode::End: std::snprintf(piece, sizeof piece, "end %d", s.row); break;
        default: std::snprintf(piece, sizeof piece, "?%d", code); break;
      }
    }
    int n = std::snprintf(out + used, static_cast<size_t>(out_size) - used, "%s%s", i ? "; " : "", piece);
    if (n < 0 || used + static_cast<size_t>(n) >= static_cast<size_t>(out_size)) return;
    used += static_cast<size_t>(n);
  }
}
