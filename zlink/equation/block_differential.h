// Differential checking of block evaluation against the reduction, shared by the tests and the
// fuzzer: a statement list run over a grid of step values once step by step by evaluate_reference
// (the reference), once as the plotters run it (blocks where they apply, a block in which a step
// fails again step by step by evaluate_statement). After every step both must agree bit for bit on
// the status, the point and every variable row, except that any NaN matches any NaN.
#pragma once
#include <cstdint>
#include <cstring>
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
  VariableTableRecord variables;
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
  std::memcpy(&o.variables, &VariableTable, sizeof VariableTable);
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
    bool same = x.status == y.status && x.variables.count == y.variables.count;
    for (int c = 0; c < 3; ++c) same = same && plan_check::same_value(x.point[c], y.point[c]);
    for (int row = 0; same && row < max_variables; ++row) {
      const VariableEntry& u = x.variables.rows[row];
      const VariableEntry& v = y.variables.rows[row];
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

}  // namespace block_check
