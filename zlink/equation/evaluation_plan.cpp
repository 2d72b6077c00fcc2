// Evaluation plans: a dry run of the priority-driven reduction over the items' kinds alone. Wherever the
// reduction would read a value the plan gets a step; wherever it would fail for the program's shape
// (-11, -7 for a keyword source) the plan ends in a Fail step at that very point, so that every status,
// and every assignment made before it, comes out as the reduction gives them.
#include "equation/evaluation_plan.h"

#include <cstdio>
#include <cstring>

#include "eqfile/keywords.h"
#include "equation/arithmetic.h"
#include "equation/assignment.h"
#include "equation/operators.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"

namespace {

// Planning state: the working kinds of the items and the plan being written.
struct Planner {
  ProgramItem items[max_items];
  bool literal[max_items];  // the slot holds a number of the program itself, not a result
  int16_t count;
  EvaluationPlan* plan;

  void emit(int code, int dest, int a, int b, uint8_t kinds = 0) {
    plan->steps[plan->step_count++] = {static_cast<PlanCode>(code), kinds, static_cast<int16_t>(dest),
                                       static_cast<int16_t>(a), static_cast<int16_t>(b)};
  }
  void use_row(int row) {
    if (row < 0) plan->usable = 0;  // never made by the compiler; the reduction reports it
    if (row > plan->highest_row) plan->highest_row = static_cast<int16_t>(row);
  }
  // The step that fetches an operand which must give a value; false when the reduction fails here.
  bool fetch(int pos) {
    if (items[pos].kind == ItemKind::Number) return true;
    if (items[pos].kind != ItemKind::Variable) return false;
    use_row(items[pos].index);
    emit(static_cast<int>(PlanCode::Load), pos, items[pos].index, 0);
    return true;
  }
  void fail(int status) { emit(static_cast<int>(PlanCode::Fail), 0, status, 0); }
  // Plans one reduction; false when the plan has ended with a Fail step.
  bool reduce(int best, bool* assigns);
};

bool Planner::reduce(int best, bool* assigns) {
  const OperatorDef& op = OperatorTable[items[best].index];
  int left_pos = -1;
  if (op.infix) {
    for (int i = best - 1; i >= 0; --i) {
      if (items[i].kind != ItemKind::Consumed) { left_pos = i; break; }
    }
    if (left_pos < 0) { fail(status_missing_operand); return false; }
    if (op.id == op_assign) {
      ItemKind k = items[left_pos].kind;
      if (k != ItemKind::Variable && k != ItemKind::Keyword) { fail(status_missing_operand); return false; }
    } else if (!fetch(left_pos)) {
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
      if (r.kind == ItemKind::Variable) {
        use_row(r.index);
        emit(static_cast<int>(PlanCode::LoadSource), right_pos, r.index, 0);
      }
      use_row(target.index);
      emit(static_cast<int>(PlanCode::AssignVariable), best, target.index, right_pos);
    } else {
      int source = r.kind == ItemKind::Number ? right_pos : r.index;
      auto kinds = static_cast<uint8_t>(static_cast<int>(target.kind) | static_cast<int>(r.kind) << 4);
      emit(static_cast<int>(PlanCode::AssignOther), best, target.index, source, kinds);
    }
    *assigns = true;
  } else {
    if (!fetch(right_pos)) { fail(status_missing_operand); return false; }
    if (op.id == op_comma) {
      emit(static_cast<int>(PlanCode::Comma), best, left_pos, right_pos);
    } else if (op.id == op_power && literal[right_pos] && plan->slots[right_pos] == 2.0) {
      emit(static_cast<int>(PlanCode::Square), best, left_pos, right_pos);
    } else {
      emit(op.id, best, op.infix ? left_pos : right_pos, right_pos);
    }
  }
  if (left_pos >= 0) items[left_pos].kind = ItemKind::Consumed;
  items[best] = {ItemKind::Number, -1, -1, 0.0};
  literal[best] = false;
  items[right_pos].kind = ItemKind::Consumed;
  return true;
}

const char* row_name(int row) {
  return row >= 0 && row < VariableTable.count ? VariableTable.rows[row].name : "?";
}

}  // namespace

EvaluationPlan* plan_program(const ProgramItem* program, int16_t count, PlanBuffer* buffer) {
  if (count < 0) count = 0;
  if (count > max_items) count = max_items;
  EvaluationPlan* plan = &buffer->plan;
  *plan = {0, count, -1, 1, buffer->steps, buffer->slots};
  Planner planner;
  planner.count = count;
  planner.plan = plan;
  if (count > 0) std::memcpy(planner.items, program, static_cast<size_t>(count) * sizeof(ProgramItem));
  for (int i = 0; i < count; ++i) {
    planner.literal[i] = program[i].kind == ItemKind::Number;
    plan->slots[i] = planner.literal[i] ? program[i].value : 0.0;
  }

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
  planner.emit(static_cast<int>(PlanCode::End), 0, assigns ? status_ok : status_no_assignment, 0);
  return plan;
}

EvaluationPlan* store_plan(const EvaluationPlan& plan) {
  // One request: the record, its steps, its slots; every part is a multiple of 8 bytes long.
  static_assert(sizeof(EvaluationPlan) % 8 == 0 && sizeof(PlanStep) % 8 == 0, "slots stay aligned");
  size_t steps_size = static_cast<size_t>(plan.step_count) * sizeof(PlanStep);
  size_t slots_size = static_cast<size_t>(plan.slot_count) * sizeof(double);
  size_t size = sizeof(EvaluationPlan) + steps_size + slots_size;
  static_assert(sizeof(EvaluationPlan) + sizeof(PlanStep) * max_plan_steps + sizeof(double) * max_items <=
                    pool_block_data,
                "a plan fits in one pool block");
  auto* storage = static_cast<char*>(pool_alloc(static_cast<int16_t>(size)));
  if (storage == nullptr) return nullptr;
  auto* copy = reinterpret_cast<EvaluationPlan*>(storage);
  *copy = plan;
  copy->steps = reinterpret_cast<PlanStep*>(storage + sizeof(EvaluationPlan));
  copy->slots = reinterpret_cast<double*>(storage + sizeof(EvaluationPlan) + steps_size);
  if (steps_size > 0) std::memcpy(copy->steps, plan.steps, steps_size);
  if (slots_size > 0) std::memcpy(copy->slots, plan.slots, slots_size);
  return copy;
}

bool plan_runs_here(const EvaluationPlan* plan) {
  return plan->usable != 0 && plan->highest_row < VariableTable.count;
}

int run_plan(EvaluationPlan* plan) {
  double* slot = plan->slots;
  VariableEntry* rows = VariableTable.rows;
  for (const PlanStep* s = plan->steps;; ++s) {
    switch (static_cast<int>(s->code)) {
      case op_add: slot[s->dest] = slot[s->a] + slot[s->b]; break;
      case op_subtract: slot[s->dest] = slot[s->a] - slot[s->b]; break;
      case op_multiply: slot[s->dest] = slot[s->a] * slot[s->b]; break;
      case op_negate: slot[s->dest] = -slot[s->b]; break;
      case static_cast<int>(PlanCode::Square): slot[s->dest] = slot[s->a] * slot[s->a]; break;
      case static_cast<int>(PlanCode::Load): {
        const VariableEntry& v = rows[s->a];
        if (!v.defined) return status_no_value;
        slot[s->dest] = v.value;
        break;
      }
      case static_cast<int>(PlanCode::LoadSource): {
        const VariableEntry& v = rows[s->a];
        if (!v.defined) return status_right_undefined;
        slot[s->dest] = v.value;
        break;
      }
      case static_cast<int>(PlanCode::Comma): slot[s->dest] = slot[s->a]; break;
      case static_cast<int>(PlanCode::AssignVariable): {
        VariableEntry& v = rows[s->a];
        if (v.constant) return status_constant;
        v.value = slot[s->b];
        v.defined = 1;
        slot[s->dest] = slot[s->b];
        break;
      }
      case static_cast<int>(PlanCode::AssignOther): {
        auto target_kind = static_cast<ItemKind>(s->kinds & 0xf);
        auto source_kind = static_cast<ItemKind>(s->kinds >> 4);
        ProgramItem target{target_kind, s->a, 0, 0.0};
        ProgramItem source{source_kind, s->b, 0, 0.0};
        if (source_kind == ItemKind::Number) source = {ItemKind::Number, -1, -1, slot[s->b]};
        int status = assign(target, source, &slot[s->dest]);
        if (status != status_ok) return status;
        break;
      }
      case static_cast<int>(PlanCode::Fail):
      case static_cast<int>(PlanCode::End): return s->a;
      default: {  // the other operators and functions, with their domain tests
        int status = compute(static_cast<int>(s->code), slot[s->a], slot[s->b], &slot[s->dest]);
        if (status != status_ok) return status;
        break;
      }
    }
  }
}

void dump_plan(const EvaluationPlan* plan, char* out, int out_size) {
  if (out_size <= 0) return;
  out[0] = '\0';
  size_t used = 0;
  for (int i = 0; i < plan->step_count; ++i) {
    const PlanStep& s = plan->steps[i];
    int code = static_cast<int>(s.code);
    char piece[96];
    if (code < op_end) {
      if (OperatorTable[code].infix) {
        std::snprintf(piece, sizeof piece, "%s %d %d %d", OperatorTable[code].name, s.dest, s.a, s.b);
      } else {
        std::snprintf(piece, sizeof piece, "%s %d %d", code == op_negate ? "neg" : OperatorTable[code].name,
                      s.dest, s.b);
      }
    } else {
      switch (s.code) {
        case PlanCode::Square: std::snprintf(piece, sizeof piece, "square %d %d", s.dest, s.a); break;
        case PlanCode::Load: std::snprintf(piece, sizeof piece, "load %d %s", s.dest, row_name(s.a)); break;
        case PlanCode::LoadSource:
          std::snprintf(piece, sizeof piece, "source %d %s", s.dest, row_name(s.a));
          break;
        case PlanCode::Comma: std::snprintf(piece, sizeof piece, ", %d %d", s.dest, s.a); break;
        case PlanCode::AssignVariable:
          std::snprintf(piece, sizeof piece, "set %s %d %d", row_name(s.a), s.dest, s.b);
          break;
        case PlanCode::AssignOther:
          std::snprintf(piece, sizeof piece, "assign %d %d:%d %d:%d", s.dest, s.kinds & 0xf, s.a, s.kinds >> 4, s.b);
          break;
        case PlanCode::Fail: std::snprintf(piece, sizeof piece, "fail %d", s.a); break;
        case PlanCode::End: std::snprintf(piece, sizeof piece, "end %d", s.a); break;
        default: std::snprintf(piece, sizeof piece, "?%d", code); break;
      }
    }
    int n = std::snprintf(out + used, static_cast<size_t>(out_size) - used, "%s%s", i ? "; " : "", piece);
    if (n < 0 || used + static_cast<size_t>(n) >= static_cast<size_t>(out_size)) return;
    used += static_cast<size_t>(n);
  }
}
