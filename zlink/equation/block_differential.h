// Differential checking of block evaluation against the reduction, shared by the tests and the
// fuzzer: a statement list run over a grid of step values once step by step by evaluate_reference
// (the reference), once as the plotters run it (blocks where they apply, a block in which a step
// fails again step by step by evaluate_statement). After every step both must agree bit for bit on
// the status, the point and every variable row, except that any NaN matches any NaN.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "equation/block_evaluation.h"
#include "equation/evaluator.h"
#include "equation/plan_differential.h"
#include "equation/plot_settings.h"
#include "equation/variables.h"

namespace block_check {

struct Grid {
  int step_row;       // set at every step
  int row_row;        // set once per row; -1 for a single row, as a curve has
  int point_rows[3];  // x, y, z; -1 absent
  const double* row_values;
  int row_count;
  const double* step_values;
  int step_count;     // steps in each row
};

struct StepOutcome {
  int status;
  double point[3];
  std::vector<VariableEntry> variables;  // the rows in use
};

// The status of one step's run of every live statement, stopping at the first failure.
inline int run_step(const Statement* head, bool reference) {
  for (const Statement* s = head; s != nullptr; s = s->next) {
    if (is_inert(s)) continue;
    const int status = reference ? evaluate_reference(s->program, s->length) : evaluate_statement(s);
    if (status != status_ok) return status;
  }
  return status_ok;
}

inline void read_point(const Grid& grid, double point[3]) {
  for (int c = 0; c < 3; ++c) {
    if (grid.point_rows[c] >= 0) point[c] = VariableTable.rows[grid.point_rows[c]].value + PlotSettings.origin[c];
  }
}

inline void record(int status, const double point[3], std::vector<StepOutcome>* out) {
  out->emplace_back();
  StepOutcome& o = out->back();
  o.status = status;
  std::memcpy(o.point, point, sizeof o.point);
  o.variables.assign(VariableTable.rows, VariableTable.rows + VariableTable.count);
}

/// Every step of the grid by the reduction alone.
inline void run_reference(const Statement* head, const Grid& grid, std::vector<StepOutcome>* out) {
  double point[3] = {0.0, 0.0, 0.0};
  for (int j = 0; j < grid.row_count; ++j) {
    if (grid.row_row >= 0) set_variable(static_cast<int16_t>(grid.row_row), grid.row_values[j]);
    for (int k = 0; k < grid.step_count; ++k) {
      set_variable(static_cast<int16_t>(grid.step_row), grid.step_values[k]);
      const int status = run_step(head, true);
      read_point(grid, point);
      record(status, point, out);
    }
  }
}

/// Every step of the grid as the plotters run it. Returns whether blocks applied, and adds to
/// *failed_blocks the blocks that had to be run again step by step.
inline bool run_by_blocks(const Statement* head, const Grid& grid, std::vector<StepOutcome>* out,
                          int* failed_blocks) {
  const bool blocks = prepare_blocks(head, grid.step_row, grid.row_row, grid.point_rows);
  double point[3] = {0.0, 0.0, 0.0};
  for (int j = 0; j < grid.row_count; ++j) {
    if (grid.row_row >= 0) {
      set_variable(static_cast<int16_t>(grid.row_row), grid.row_values[j]);
      if (blocks) start_block_row(grid.row_values[j]);
    }
    for (int start = 0; start < grid.step_count; start += block_steps) {
      const int n = grid.step_count - start < block_steps ? grid.step_count - start : block_steps;
      bool by_block = false;
      if (blocks) {
        std::memcpy(block_step_values(), grid.step_values + start, sizeof(double) * static_cast<size_t>(n));
        by_block = run_block(n);
        *failed_blocks += !by_block;
      }
      for (int i = 0; i < n; ++i) {
        int status = status_ok;
        if (by_block) {
          block_point(i, point);
          commit_block_step(i);
        } else {
          set_variable(static_cast<int16_t>(grid.step_row), grid.step_values[start + i]);
          status = run_step(head, false);
          read_point(grid, point);
        }
        record(status, point, out);
      }
    }
  }
  return blocks;
}

/// The first step at which the two runs differ, or -1 when they agree at every step.
inline int first_difference(const std::vector<StepOutcome>& a, const std::vector<StepOutcome>& b) {
  if (a.size() != b.size()) return 0;
  for (size_t k = 0; k < a.size(); ++k) {
    const StepOutcome& x = a[k];
    const StepOutcome& y = b[k];
    bool same = x.status == y.status && x.variables.size() == y.variables.size();
    for (int c = 0; c < 3; ++c) same = same && plan_check::same_value(x.point[c], y.point[c]);
    for (size_t row = 0; same && row < x.variables.size(); ++row) {
      const VariableEntry& u = x.variables[row];
      const VariableEntry& v = y.variables[row];
      same = u.defined == v.defined && u.constant == v.constant && plan_check::same_value(u.value, v.value);
    }
    if (!same) return static_cast<int>(k);
  }
  return -1;
}

/// Runs the grid both ways from the same variable state and returns the first step that differs
/// (-1: none). *blocks tells whether block evaluation applied.
inline int compare_grid(const Statement* head, const Grid& grid, bool* blocks, int* failed_blocks) {
  static VariableTableRecord start;  // large: kept out of the stack
  std::memcpy(&start, &VariableTable, sizeof VariableTable);
  std::vector<StepOutcome> reference, by_blocks;
  run_reference(head, grid, &reference);
  std::memcpy(&VariableTable, &start, sizeof VariableTable);
  *blocks = run_by_blocks(head, grid, &by_blocks, failed_blocks);
  return first_difference(reference, by_blocks);
}

// Tokens of grid lines: the step variable u often, the functions and operators that can fail.
inline constexpr const char* grid_operands[] = {"u", "u", "u", "u", "x", "a", "2", "0.5", "1e-25", "pi",
                                               "sqrt(", "ln(", "acos(", "1/(", "cos(", "-", "(u - 1)", "abs("};
inline constexpr const char* grid_operators[] = {"+", "-", "*", "/", "^", "^2", ",", "*"};
inline constexpr const char* grid_targets[] = {"x", "y", "a", "b", "y", "b", "x", "u", "pi"};

/// "target = ..." of up to 12 tokens from the bytes, in the shape of an expression.
inline std::string grid_line(const uint8_t* data, size_t size) {
  if (size == 0) return "";
  constexpr int operand_count = sizeof(grid_operands) / sizeof(grid_operands[0]);
  constexpr int operator_count = sizeof(grid_operators) / sizeof(grid_operators[0]);
  constexpr int target_count = sizeof(grid_targets) / sizeof(grid_targets[0]);
  std::string line = std::string(grid_targets[data[0] % target_count]) + " =";
  bool operand_next = true;
  int open = 0;
  for (size_t i = 1; i < size && i <= 12; ++i) {
    const char* token = operand_next ? grid_operands[data[i] % operand_count] : grid_operators[data[i] % operator_count];
    const char last = token[std::strlen(token) - 1];
    open += last == '(';
    operand_next = last == '(' || std::strcmp(token, "-") == 0 || (!operand_next && std::strcmp(token, "^2") != 0);
    line += ' ';
    line += token;
  }
  if (operand_next) line += " 1";
  for (; open > 0; --open) line += ')';
  return line;
}

// Step values: a ramp from an interesting value, with every `every`-th step an interesting value
// instead (zeros, negatives, infinities and NaN make random steps fail, or not).
inline void random_steps(uint32_t seed, int count, double* out) {
  using plan_check::interesting_count;
  using plan_check::interesting_values;
  const double low = interesting_values[seed % interesting_count];
  const bool ramp = std::isfinite(low) && std::fabs(low) < 1e6;
  const double width = ramp ? 0.01 * static_cast<int>((seed >> 4) % 200) : 1.0;
  const int every = 1 + static_cast<int>((seed >> 12) % 300);
  for (int k = 0; k < count; ++k) {
    out[k] = k % every == every - 1 ? interesting_values[(seed + static_cast<uint32_t>(k)) % interesting_count]
                                    : (ramp ? low : 0.5) + width * k;
  }
}

/// Up to four statements made from the bytes (each a grid_line), run over a grid of up to 2 rows
/// of up to 520 steps (just over two blocks) stepping u (and a once per row, when `mode` has bit 5)
/// by compare_grid from the current variable state. The statements stay in the pool.
inline int compare_random_grid(uint32_t seed, uint8_t mode, const uint8_t* data, size_t size, bool* blocks,
                               int* failed_blocks) {
  constexpr int max_grid_steps = 2 * block_steps + 8;
  const int statements = 1 + (mode >> 3) % 4;
  const size_t chunk = size / static_cast<size_t>(statements);
  if (chunk == 0) return -1;
  Statement* head = nullptr;
  Statement** tail = &head;
  for (int i = 0; i < statements; ++i) {
    const std::string line = grid_line(data + chunk * static_cast<size_t>(i), chunk);
    ProgramItem items[max_items];
    int16_t count = 0;
    if (plan_check::compile_text(line.c_str(), items, &count) != status_ok) continue;
    Statement* statement = make_statement(line.c_str(), count, items);
    if (statement == nullptr) return 0;  // no room: a fault of its own, never a silent pass
    *tail = statement;
    tail = &statement->next;
  }
  static double steps[max_grid_steps];
  const int step_count = 1 + static_cast<int>((seed >> 21) % max_grid_steps);
  random_steps(seed, step_count, steps);
  const double rows[2] = {plan_check::interesting_values[(seed >> 3) % plan_check::interesting_count], 0.25};
  const bool grid_of_rows = (mode & 32) != 0;
  const Grid grid{find_variable("u"), grid_of_rows ? find_variable("a") : -1,
                  {find_variable("x"), find_variable("y"), find_variable("b")}, rows, grid_of_rows ? 2 : 1,
                  steps, step_count};
  return compare_grid(head, grid, blocks, failed_blocks);
}

}  // namespace block_check
