// The dry run: "Plot it" as the Zlink does it, through the Zlink's own plotters linked against the
// recording host, watching every run of the statements. It finds the statements that fail at some
// step (the first such step of each, with the step variables' values), whether the plot ends there,
// and what the plot would make and the host would refuse.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "equation/program.h"
#include "orvantis/plot_limits.h"
#include "geometry/step_rule.h"
#include "recording_host.h"

/// Most steps (grid points) a dry run executes before it asks the plot to stop.
constexpr int64_t dry_run_step_limit = 1000000;

/// The first step at which one statement failed.
struct StepFailure {
  const Statement* statement = nullptr;
  int status = 0;
  int64_t step = 0;         // 1-based step or grid point
  double values[2] = {0, 0};  // the step variables' values at that step (the second for surfaces)
  bool ends_plot = false;   // the plot ended with this step
};

struct DryRun {
  int geometry = 0;
  bool surface = false;
  std::string variables[2];  // names of the step variables that serve this kind
  int64_t total = 0;         // steps or grid points the plot takes
  int64_t rows = 0, cols = 0;  // surfaces: values of the first and second step variable
  StepRule rules[2] = {};      // the step rule of each step variable that serves this kind
  double lower[2] = {0, 0};    // and its lower limit
  int64_t run = 0;           // steps or grid points that ran
  bool stopped = false;      // the run was stopped at the step limit
  std::string missing_variable;  // the warning's text when a step variable is missing
  std::string plot_refusal;      // why the plot refused to start, or ""
  std::vector<StepFailure> failures;  // the first failing step of each statement, in order of steps
  std::vector<std::string> unassigned_coordinates;  // "x", "y", "z" named by a statement but never given a value
  HostRecord host;                    // what reached the host
};

/// Plots `head` with the current plot settings through the Zlink's plotters. `step_limit` bounds
/// the steps executed (0: no bound). Leaves the variable table as the last step left it.
DryRun dry_run(Statement* head, int64_t step_limit);

/// True when the dry run found a failing step or anything the plot or the host would refuse.
bool dry_run_failed(const DryRun& run);

/// What the plot does after `failure`, in words: it ends there, or skips the point and goes on, and
/// for a surface built from the grid what the surface keeps.
std::string skip_or_end(const DryRun& run, const StepFailure& failure);

/// `n` with its thousands grouped by commas (32,001), as the host writes its counts.
using orvantis::grouped;
