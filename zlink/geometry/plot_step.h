// What every step of a plot does alike: run the live statements in order until one fails, and read
// the coordinate variables plus the origin into the current point.
#pragma once
#include <cstdint>

#include "equation/program.h"

struct CoordinateRows {
  int x, y, z;  // rows of "x", "y", "z" in the variable table, -1 when absent
};

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


/// Asks the host at every stop_poll_interval-th step (step 0 included) whether the person wants the
/// plot stopped; `count` is the plot's number of steps. True when the plot is to end before `step`.
bool stop_before_step(int64_t step, int64_t count);
