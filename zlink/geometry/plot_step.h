// What every step of a plot does alike: look the step variables up, run the live statements in order
// until one fails, read the coordinate variables plus the origin into the current point, and store
// that point or a line to it.
#pragma once
#include <cstdint>
#include <cstdio>

#include "equation/block_evaluation.h"
#include "equation/program.h"
#include "geometry/step_rule.h"

struct CoordinateRows {
  int x, y, z;  // rows of "x", "y", "z" in the variable table, -1 when absent
};

/// The variable-table row of the plot's step variable `index` (0 the first, 1 the second); -1, after
/// the missing variable was shown to the person, when the equations define no such variable.
int find_step_variable(int index);

/// Looks the coordinate variables up once for a whole plot.
CoordinateRows find_coordinate_rows();

/// Watches the statement runs of a plot, one run a step or grid point. Null in the Zlink, which shows
/// nothing; a tool that reports on a plot sets it. `starting` is called before the first statement
/// runs (the step variables hold the step's values), `finished` after the run with the statement
/// that failed (null when none did) and the run's status.
struct StatementRunObserver {
  void (*starting)();
  void (*finished)(const Statement* failed, int status);
};
extern const StatementRunObserver* statement_run_observer;

/// Runs every statement that is not inert; the first nonzero status goes to the error hook and ends
/// the run. Returns that status, or 0.
int run_statements(const Statement* head);

/// point = value + origin for each coordinate whose variable exists; the others keep their value.
void read_point(const CoordinateRows& rows, double point[3]);

/// Stores the point `from` (`to` null) or the line from `from` to `to` in the host's database, in
/// the plot's colour, level and attributes. A refusal is the host's to tell; the plot goes on.
void store_point_or_line(const double* from, const double* to);

/// Asks the host at every stop_poll_interval-th step (step 0 included) whether the person wants the
/// plot stopped; `count` is the plot's number of steps. True when the plot is to end before `step`.
bool stop_before_step(int64_t step, int64_t count);

/// True when the plot may run its statements by blocks: no trace log to write at each step, no
/// observer to tell of each run, and statements that block evaluation takes (prepare_blocks).
bool plot_uses_blocks(const Statement* head, const FILE* log, int step_row, int row_row, const CoordinateRows& rows);

/// Steps a variable through values k = 0..count-1 (step_value(lower, rule, k)), polling for a stop
/// before each as stop_before_step(poll_first + k, poll_count). With `blocks`, each block of steps
/// runs at once and `take_point(i)` takes step i of the block; a block in which a step would fail,
/// and every step without blocks, is run by `one_step(k)`, which sets the variable, runs the
/// statements and takes the point, and returns false to end the stepping. A block's steps leave the
/// variables as a run of them one by one would, up to the last step taken. Returns false when the
/// stepping ended early, with *stopped true when the person asked for that.
template <class OneStep, class TakePoint>
bool step_through(int64_t count, double lower, const StepRule& rule, int64_t poll_first, int64_t poll_count,
                  bool blocks, bool* stopped, OneStep one_step, TakePoint take_point) {
  *stopped = false;
  for (int64_t start = 0; start < count; start += block_steps) {
    const int n = count - start < block_steps ? static_cast<int>(count - start) : block_steps;
    bool by_block = false;
    if (blocks) {
      double* values = block_step_values();
      for (int i = 0; i < n; ++i) values[i] = step_value(lower, rule, start + i);
      by_block = run_block(n);
    }
    for (int i = 0; i < n; ++i) {
      if (stop_before_step(poll_first + start + i, poll_count)) {
        if (by_block && i > 0) commit_block_step(i - 1);
        *stopped = true;
        return false;
      }
      if (by_block) {
        take_point(i);
      } else if (!one_step(start + i)) {
        return false;
      }
    }
    if (by_block) commit_block_step(n - 1);
  }
  return true;
}
