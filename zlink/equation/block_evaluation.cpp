// Block evaluation: the statements' stored plans rewritten once per plot as one list of operations on
// columns, each column holding one value per step of a block. Values fixed for the plot are computed
// once, values that depend only on the row variable once a row, the rest once per block; the fixed
// ones are spread over their columns so that every operation reads whole columns alike. An
// assignment or a comma computes nothing: the variable (or the slot) simply names its source column
// from then on, which is exact because no column is ever written twice. The same operation on the same
// columns, in one statement or across several, is computed once.
#include "equation/block_evaluation.h"

#include <cmath>
#include <cstring>

#include "equation/arithmetic.h"
#include "equation/evaluation_plan.h"
#include "equation/operators.h"
#include "equation/plot_settings.h"
#include "equation/variables.h"

namespace {

// How often an operation's value changes: once a plot, once a row, or at every step.
enum Level : uint8_t { plot_level = 0, row_level = 1, step_level = 2 };

// "^ 2", the commonest power, as a code of its own: squares with pow only where they may differ.
constexpr uint8_t block_square = op_end;
// sin and cos of one column in one loop, the sine into `dest` and the cosine into `left`: the
// compiler makes the pair one sincos call, which gives each of the two bit for bit as sin and cos do.
constexpr uint8_t block_sin_cos = op_end + 1;

struct BlockOperation {
  uint8_t code;   // an operator id of arithmetic.h (never "=" or ","), or one of the block codes above
  uint8_t level;  // the highest level of its operands
  int16_t dest, left, right;  // columns
};

constexpr int16_t no_column = -1;

struct BlockState {
  int16_t operation_count;
  int16_t column_count;
  int16_t step_column;  // the step variable's values
  int16_t row_column;   // the row variable's value; no_column for a curve
  bool row_ready;       // the row's values computed without a failure
  int16_t point_column[3];
  int16_t assigned_count;  // rows left as the last step leaves them: the step variable and the assigned ones
  int16_t assigned_row[max_variables];
  int16_t assigned_column[max_variables];
  uint8_t column_level[max_block_columns];
  BlockOperation operations[max_block_operations];
  alignas(64) double columns[max_block_columns][block_steps];
};

BlockState Blocks;

// Runs one operation over `count` elements by the plan runner's expressions; false when any element
// fails the operator's check (its value is then of no use). The checks gather into an integer, so
// that the loops have no branch and the compiler can vectorise the arithmetic.
// On x86-64 built twice, for AVX2 and for any x86-64, the loader choosing: with AVX2 the checks
// vectorise beside the arithmetic. Neither fuses a multiply into an add, so both give the same bits.
#if defined(__x86_64__) && defined(__GNUC__)
#define KUVRA_BLOCK_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KUVRA_BLOCK_CLONES
#endif
KUVRA_BLOCK_CLONES bool run_operation(const BlockOperation& op, int count) {
  double* __restrict out = Blocks.columns[op.dest];
  const double* __restrict l = Blocks.columns[op.left];
  const double* __restrict r = Blocks.columns[op.right];
  uint64_t bad = 0;  // as wide as a double, so that the checks vectorise beside the arithmetic
  switch (op.code) {
    case op_add: for (int i = 0; i < count; ++i) out[i] = l[i] + r[i]; break;
    case op_subtract: for (int i = 0; i < count; ++i) out[i] = l[i] - r[i]; break;
    case op_multiply: for (int i = 0; i < count; ++i) out[i] = l[i] * r[i]; break;
    case op_negate: for (int i = 0; i < count; ++i) out[i] = -r[i]; break;
    case op_abs: for (int i = 0; i < count; ++i) out[i] = std::fabs(r[i]); break;
    case op_divide:
      for (int i = 0; i < count; ++i) {
        bad |= static_cast<uint64_t>(std::fabs(r[i]) < division_floor);
        out[i] = l[i] / r[i];
      }
      break;
    case op_power: for (int i = 0; i < count; ++i) out[i] = power(l[i], r[i]); break;
    case block_square: {  // power(x, 2) in two passes: the squares, then pow where one may differ
      uint64_t missed[block_steps];
      uint64_t any_missed = 0;
      for (int i = 0; i < count; ++i) {
        const double square = l[i] * l[i];
        missed[i] = static_cast<uint64_t>(!square_matches_pow(l[i], square));
        any_missed |= missed[i];
        out[i] = square;
      }
      if (any_missed != 0) {
        for (int i = 0; i < count; ++i) {
          // r[i] is 2, read from its column: a constant 2 would let the compiler make pow a product.
          if (missed[i]) out[i] = std::pow(l[i], r[i]);
        }
      }
      break;
    }
    case op_cos: {
      const double factor = deg_to_rad;
      for (int i = 0; i < count; ++i) out[i] = std::cos(r[i] * factor);
      break;
    }
    case op_sin: {
      const double factor = deg_to_rad;
      for (int i = 0; i < count; ++i) out[i] = std::sin(r[i] * factor);
      break;
    }
    case block_sin_cos: {
      const double factor = deg_to_rad;
      double* __restrict cosines = Blocks.columns[op.left];
      for (int i = 0; i < count; ++i) {
        const double angle = r[i] * factor;
        out[i] = std::sin(angle);
        cosines[i] = std::cos(angle);
      }
      break;
    }
    case op_atan: {
      const double factor = rad_to_deg;
      for (int i = 0; i < count; ++i) out[i] = std::atan(r[i]) * factor;
      break;
    }
    case op_exp: for (int i = 0; i < count; ++i) out[i] = std::exp(r[i]); break;
    case op_sqrt:
      for (int i = 0; i < count; ++i) bad |= static_cast<uint64_t>(r[i] <= sqrt_floor);
      if (bad == 0) {
        for (int i = 0; i < count; ++i) out[i] = std::sqrt(r[i]);
      }
      break;
    case op_ln:
      for (int i = 0; i < count; ++i) bad |= static_cast<uint64_t>(r[i] < 0.0);
      if (bad == 0) {
        for (int i = 0; i < count; ++i) out[i] = std::log(r[i]);
      }
      break;
    default:  // the rarer functions, with their checks, as compute() has them
      for (int i = 0; i < count; ++i) bad |= static_cast<uint64_t>(compute(op.code, l[i], r[i], &out[i]) != status_ok);
      break;
  }
  return bad == 0;
}

// Runs the operations of `level` for the first element and gives every element that value.
bool run_level_once(uint8_t level) {
  for (int k = 0; k < Blocks.operation_count; ++k) {
    const BlockOperation& op = Blocks.operations[k];
    if (op.level != level) continue;
    if (!run_operation(op, 1)) return false;
    const int16_t dests[2] = {op.dest, op.code == block_sin_cos ? op.left : no_column};
    for (const int16_t dest : dests) {
      if (dest == no_column) continue;
      double* column = Blocks.columns[dest];
      for (int i = 1; i < block_steps; ++i) column[i] = column[0];
    }
  }
  return true;
}

// Building the operation list from the plans.
struct Builder {
  int16_t row_column[max_variables];  // the column a variable's value is in now, no_column before
  bool assigned_anywhere[max_variables];
  int16_t slot_column[max_items];     // the column of a plan slot written in this statement
  bool constant_column[max_block_columns];  // filled with one given value

  int16_t new_column(uint8_t level) {
    if (Blocks.column_count >= max_block_columns) return no_column;
    Blocks.column_level[Blocks.column_count] = level;
    return Blocks.column_count++;
  }
  // A column holding `value` for the whole plot; equal values (to the bit) share one.
  int16_t fixed_column(double value) {
    for (int16_t c = 0; c < Blocks.column_count; ++c) {
      if (constant_column[c] && std::memcmp(&Blocks.columns[c][0], &value, sizeof value) == 0) return c;
    }
    int16_t c = new_column(plot_level);
    if (c == no_column) return c;
    for (int i = 0; i < block_steps; ++i) Blocks.columns[c][i] = value;
    constant_column[c] = true;
    return c;
  }

  // The column an operand is read from; no_column when blocks do not apply to it.
  int16_t operand(const EvaluationPlan* plan, const double* p) {
    if (p == nullptr) return no_column;
    if (p >= plan->slots && p < plan->slots + plan->slot_count) {
      const int slot = static_cast<int>(p - plan->slots);
      return slot_column[slot] != no_column ? slot_column[slot] : fixed_column(*p);  // a number's slot
    }
    // Otherwise a variable's value: its row from the address (as integers, since the pointer may
    // point anywhere else).
    const uintptr_t base = reinterpret_cast<uintptr_t>(&VariableTable.rows[0].value);
    const uintptr_t at = reinterpret_cast<uintptr_t>(p);
    if (at < base || (at - base) % sizeof(VariableEntry) != 0) return no_column;
    const uintptr_t row = (at - base) / sizeof(VariableEntry);
    if (row >= static_cast<uintptr_t>(VariableTable.count)) return no_column;
    if (row_column[row] != no_column) return row_column[row];
    // Read before any assignment of this step: only a value that stays for the whole plot will do.
    const VariableEntry& entry = VariableTable.rows[row];
    if (assigned_anywhere[row] || !entry.defined) return no_column;
    row_column[row] = fixed_column(entry.value);
    return row_column[row];
  }
  // Adds `code` on two columns, or finds the same operation on the same columns already added
  // (the same value: every operation is a function of its operands alone).
  bool add_operation(const PlanStep& s, int16_t left, int16_t right) {
    uint8_t code = static_cast<uint8_t>(s.code);
    if (code == op_power && constant_column[right] && Blocks.columns[right][0] == 2.0) code = block_square;
    for (int k = 0; k < Blocks.operation_count; ++k) {
      const BlockOperation& op = Blocks.operations[k];
      if (op.code == code && op.left == left && op.right == right) {
        slot_column[s.dest] = op.dest;
        return true;
      }
    }
    if (Blocks.operation_count >= max_block_operations) return false;
    const uint8_t level = Blocks.column_level[left] > Blocks.column_level[right] ? Blocks.column_level[left]
                                                                                  : Blocks.column_level[right];
    const int16_t dest = new_column(level);
    if (dest == no_column) return false;
    Blocks.operations[Blocks.operation_count++] = {code, level, dest, left, right};
    slot_column[s.dest] = dest;
    return true;
  }
  bool add_plan(const EvaluationPlan* plan, int step_row, int row_row);
  void pair_sines_with_cosines();
};

// Where a column's sine and cosine are both taken, the first of the two operations takes both
// (its operand is ready there, and nothing before it reads either) and the second is taken out of
// the list (operations name columns, never one another, so the others stay as they are).
void Builder::pair_sines_with_cosines() {
  for (int k = 0; k < Blocks.operation_count; ++k) {
    BlockOperation& first = Blocks.operations[k];
    if (first.code != op_sin && first.code != op_cos) continue;
    const uint8_t other_code = first.code == op_sin ? op_cos : op_sin;
    for (int m = k + 1; m < Blocks.operation_count; ++m) {
      BlockOperation& second = Blocks.operations[m];
      if (second.code != other_code || second.right != first.right) continue;
      const int16_t sine = first.code == op_sin ? first.dest : second.dest;
      const int16_t cosine = first.code == op_cos ? first.dest : second.dest;
      first.code = block_sin_cos;
      first.dest = sine;
      first.left = cosine;
      std::memmove(&second, &second + 1, sizeof second * static_cast<size_t>(Blocks.operation_count - m - 1));
      --Blocks.operation_count;
      break;
    }
  }
}

bool Builder::add_plan(const EvaluationPlan* plan, int step_row, int row_row) {
  if (plan->usable == 0 || plan->highest_row >= VariableTable.count) return false;
  for (int i = 0; i < plan->slot_count; ++i) slot_column[i] = no_column;
  for (int k = 0; k < plan->step_count; ++k) {
    const PlanStep& s = plan->steps[k];
    const int code = static_cast<int>(s.code);
    if (code < op_end) {
      const int16_t left = operand(plan, s.left);
      const int16_t right = operand(plan, s.right);
      if (left == no_column || right == no_column || !add_operation(s, left, right)) return false;
      continue;
    }
    switch (s.code) {
      case PlanCode::Comma: {
        const int16_t left = operand(plan, s.left);
        if (left == no_column || operand(plan, s.right) == no_column) return false;  // the right is read too
        slot_column[s.dest] = left;
        break;
      }
      case PlanCode::AssignVariable:
      case PlanCode::AssignAndEnd: {
        if (s.row < 0 || s.row >= VariableTable.count || VariableTable.rows[s.row].constant) return false;
        if (s.row == step_row || s.row == row_row) return false;
        const int16_t source = operand(plan, s.right);
        if (source == no_column) return false;
        row_column[s.row] = source;
        slot_column[s.dest] = source;
        if (s.code == PlanCode::AssignAndEnd) return true;
        break;
      }
      case PlanCode::End: return s.row == status_ok;
      default: return false;  // keyword assignments and the program's own faults: step by step
    }
  }
  return false;  // a plan always ends in an End or AssignAndEnd step
}

}  // namespace

bool prepare_blocks(const Statement* head, int step_row, int row_row, const int point_rows[3]) {
  Blocks.operation_count = 0;
  Blocks.column_count = 0;
  Blocks.assigned_count = 0;
  Blocks.row_ready = row_row < 0;
  if (step_row < 0 || step_row >= VariableTable.count || VariableTable.rows[step_row].constant) return false;
  if (row_row >= VariableTable.count || row_row == step_row || (row_row >= 0 && VariableTable.rows[row_row].constant))
    return false;
  static Builder builder;  // large: kept out of the stack
  builder = Builder{};
  for (int row = 0; row < max_variables; ++row) builder.row_column[row] = no_column;

  for (const Statement* s = head; s != nullptr; s = s->next) {
    if (is_inert(s)) continue;
    if (s->plan == nullptr) return false;
    const EvaluationPlan* plan = s->plan;
    for (int k = 0; k < plan->step_count; ++k) {
      const PlanStep& step = plan->steps[k];
      if ((step.code == PlanCode::AssignVariable || step.code == PlanCode::AssignAndEnd) && step.row >= 0 &&
          step.row < max_variables)
        builder.assigned_anywhere[step.row] = true;
    }
  }
  Blocks.step_column = builder.new_column(step_level);
  builder.row_column[step_row] = Blocks.step_column;
  Blocks.row_column = no_column;
  if (row_row >= 0) {
    Blocks.row_column = builder.new_column(row_level);
    builder.row_column[row_row] = Blocks.row_column;
  }
  for (const Statement* s = head; s != nullptr; s = s->next) {
    if (!is_inert(s) && !builder.add_plan(s->plan, step_row, row_row)) return false;
  }
  builder.pair_sines_with_cosines();
  for (int c = 0; c < 3; ++c) {
    const int row = point_rows[c];
    Blocks.point_column[c] = no_column;
    if (row < 0) continue;
    if (row >= VariableTable.count) return false;
    if (builder.row_column[row] == no_column) builder.row_column[row] = builder.fixed_column(VariableTable.rows[row].value);
    Blocks.point_column[c] = builder.row_column[row];
    if (Blocks.point_column[c] == no_column) return false;
  }
  for (int row = 0; row < VariableTable.count; ++row) {
    if (row != step_row && !builder.assigned_anywhere[row]) continue;
    Blocks.assigned_row[Blocks.assigned_count] = static_cast<int16_t>(row);
    Blocks.assigned_column[Blocks.assigned_count++] = builder.row_column[row];
  }
  return run_level_once(plot_level);
}

double* block_step_values() { return Blocks.columns[Blocks.step_column]; }

bool start_block_row(double value) {
  if (Blocks.row_column == no_column) return true;
  double* column = Blocks.columns[Blocks.row_column];
  for (int i = 0; i < block_steps; ++i) column[i] = value;
  Blocks.row_ready = run_level_once(row_level);
  return Blocks.row_ready;
}

bool run_block(int count) {
  if (!Blocks.row_ready || count < 1 || count > block_steps) return false;
  for (int k = 0; k < Blocks.operation_count; ++k) {
    const BlockOperation& op = Blocks.operations[k];
    if (op.level == step_level && !run_operation(op, count)) return false;
  }
  return true;
}

void block_point(int i, double point[3]) {
  for (int c = 0; c < 3; ++c) {
    if (Blocks.point_column[c] != no_column) point[c] = Blocks.columns[Blocks.point_column[c]][i] + PlotSettings.origin[c];
  }
}

void commit_block_step(int i) {
  for (int k = 0; k < Blocks.assigned_count; ++k) {
    VariableEntry& entry = VariableTable.rows[Blocks.assigned_row[k]];
    entry.value = Blocks.columns[Blocks.assigned_column[k]][i];
    entry.defined = 1;
  }
}
