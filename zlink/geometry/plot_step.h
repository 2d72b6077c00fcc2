// What every step of a plot does alike: look the step variables up, run the live statements in order
// until one fails, read the coordinate variables plus the origin into the current point, and store
// that point or a line to it.
#pragma once
#include <cstdint>

#include "equation/program.h"

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
