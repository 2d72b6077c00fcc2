// Evaluator: priority-driven reduction of a working copy of a program. Each round picks the operator
// of highest priority (ties go right for operators that are not left-associative), takes the nearest
// unused items on its sides as operands and leaves its result in its own place, until none is left.
#include "equation/evaluator.h"

#include <cmath>
#include <cstring>

#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/arithmetic.h"
#include "equation/assignment.h"
#include "equation/evaluation_plan.h"
#include "equation/operators.h"
#include "equation/variables.h"

double deg_to_rad = 1.0;
double rad_to_deg = 1.0;

namespace {

constexpr double degrees_to_radians = 0.017453292519943295;  // pi/180
constexpr double radians_to_degrees = 57.29577951308232;     // 180/pi

}  // namespace

int operand_value(const ProgramItem& item, double* value) {
  if (item.kind == ItemKind::Number) {
    *value = item.value;
    return status_ok;
  }
  if (item.kind == ItemKind::Variable) return get_variable(item.index, value);
  return status_missing_operand;
}

int assign(const ProgramItem& target, const ProgramItem& source, double* result) {
  if (target.kind == ItemKind::Variable) {
    if (source.kind == ItemKind::Keyword) return status_wrong_sort;
    double value = 0.0;
    int status = operand_value(source, &value);
    if (status == status_no_value) return status_right_undefined;
    if (status != status_ok) return status;
    status = set_variable(target.index, value);
    if (status != status_ok) return status;
    *result = value;
    return status_ok;
  }
  if (target.index < 0 || target.index >= keyword_count) return status_missing_operand;
  KeywordEntry& row = KeywordTable[target.index];
  if (!row.settable) return status_wrong_sort;
  switch (row.value_kind) {
    case ValueKind::KeywordValue:
      if (source.kind != ItemKind::Keyword) return status_wrong_sort;
      row.index = source.index;
      *result = 0.0;
      break;
    case ValueKind::NameValue:
      if (source.kind != ItemKind::Variable) return status_wrong_sort;
      row.index = source.index;
      *result = 0.0;
      break;
    case ValueKind::NumberValue: {
      double value = 0.0;
      if (operand_value(source, &value) != status_ok) return status_wrong_sort;
      if (!std::isfinite(value)) return status_wrong_sort;  // settings stay finite
      row.number = value;
      *result = value;
      break;
    }
    default:
      return status_wrong_sort;
  }
  row.is_set = 1;
  return status_ok;
}

void set_angle_factors() {
  if (PlotSettings.use_degrees) {
    deg_to_rad = degrees_to_radians;
    rad_to_deg = radians_to_degrees;
  } else {
    deg_to_rad = 1.0;
    rad_to_deg = 1.0;
  }
}

int evaluate_reference(const ProgramItem* program, int16_t count) {
  if (count > max_items) return status_too_many_tokens;
  if (count < 0) count = 0;
  ProgramItem items[max_items];
  if (count > 0) std::memcpy(items, program, static_cast<size_t>(count) * sizeof(ProgramItem));
  bool assigned = false;

  for (;;) {
    int best = -1;
    int best_priority = -1;
    for (int i = 0; i < count; ++i) {
      if (items[i].kind != ItemKind::Operator) continue;
      if (items[i].index < 0 || items[i].index >= op_end) return status_missing_operand;
      int priority = items[i].priority;
      if (priority > best_priority ||
          (priority == best_priority && OperatorTable[items[i].index].left_assoc == 0)) {
        best = i;
        best_priority = priority;
      }
    }
    if (best < 0) break;

    const OperatorDef& op = OperatorTable[items[best].index];
    double left = 0.0;
    double right = 0.0;
    double result = 0.0;
    int left_pos = -1;
    if (op.infix) {
      for (int i = best - 1; i >= 0; --i) {
        if (items[i].kind != ItemKind::Consumed) { left_pos = i; break; }
      }
      if (left_pos < 0) return status_missing_operand;
      const ProgramItem& l = items[left_pos];
      if (op.id == op_assign) {
        if (l.kind != ItemKind::Variable && l.kind != ItemKind::Keyword) return status_missing_operand;
      } else {
        int status = operand_value(l, &left);
        if (status != status_ok) return status;
      }
    }
    int right_pos = -1;
    for (int i = best + 1; i < count; ++i) {
      if (items[i].kind != ItemKind::Consumed) { right_pos = i; break; }
    }
    if (right_pos < 0 || items[right_pos].kind == ItemKind::Operator) return status_missing_operand;
    const ProgramItem& r = items[right_pos];

    int status = status_ok;
    if (op.id == op_assign) {
      for (int i = right_pos + 1; i < count; ++i) {
        if (items[i].kind != ItemKind::Consumed) return status_missing_operand;
      }
      status = assign(items[left_pos], r, &result);
      if (status != status_ok) return status;
      assigned = true;
    } else {
      status = operand_value(r, &right);
      if (status != status_ok) return status;
      if (op.id == op_comma) {
        result = left;
      } else {
        status = compute(op.id, left, right, &result);
        if (status != status_ok) return status;
      }
    }

    if (left_pos >= 0) items[left_pos].kind = ItemKind::Consumed;
    items[best] = {ItemKind::Number, -1, -1, result};
    items[right_pos].kind = ItemKind::Consumed;
  }
  return assigned ? status_ok : status_no_assignment;
}

int evaluate(const ProgramItem* program, int16_t count) {
  if (count > max_items) return status_too_many_tokens;
  PlanBuffer buffer;
  EvaluationPlan* plan = plan_program(program, count, &buffer);
  return plan_runs_here(plan) ? run_plan(plan) : evaluate_reference(program, count);
}
