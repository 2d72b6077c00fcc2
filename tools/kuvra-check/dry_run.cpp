// The dry run; see dry_run.h. Nothing here steps a variable or runs a statement: the Zlink's
// plot_geometry does, and the dry run only listens (the statement-run observer) and records (the
// recording host). The step limit works through the host's stop request, as a user's stop would.
#include "dry_run.h"

#include <cmath>

#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/variables.h"
#include "geometry/plot_step.h"
#include "geometry/plotting.h"
#include "geometry/step_rule.h"
#include "text_output.h"

namespace {

struct Watch {
  DryRun* run = nullptr;
  int rows[2] = {-1, -1};       // variable rows of the step variables
  double values[2] = {0, 0};    // their values when the current run started
  std::vector<const Statement*> failed;  // statements already reported
};
Watch g_watch;

void run_starting() {
  Watch& w = g_watch;
  ++w.run->run;
  host_record().current_run = w.run->run;
  for (int i = 0; i < 2; ++i)
    if (w.rows[i] >= 0) w.values[i] = VariableTable.rows[w.rows[i]].value;
}

void run_finished(const Statement* statement, int status) {
  Watch& w = g_watch;
  if (statement == nullptr) return;
  for (const Statement* s : w.failed)
    if (s == statement) return;
  w.failed.push_back(statement);
  StepFailure failure;
  failure.statement = statement;
  failure.status = status;
  failure.step = w.run->run;
  failure.values[0] = w.values[0];
  failure.values[1] = w.values[1];
  w.run->failures.push_back(failure);
}

const StatementRunObserver observer = {run_starting, run_finished};

// The plotters' own refusal of a plot for its size, decided by their limits, or "".
std::string size_refusal(const DryRun& run) {
  if (run.geometry == kw_spline || run.geometry == kw_nurbs) {
    if (run.total - 1 > max_spline_steps)
      return "a spline takes at most " + grouped(max_spline_steps) + " steps, that is " + grouped(max_spline_steps + 1) +
             " points; this plot has " + grouped(run.total - 1) + " steps of " + run.variables[0] + ", that is " +
             grouped(run.total) + " points";
  }
  if (run.geometry == kw_parametric_surf || run.geometry == kw_nurbs_surf) {
    if (run.rows > max_surface_side || run.cols > max_surface_side || run.total + 10 > INT32_MAX)
      return "a surface grid takes at most " + std::to_string(max_surface_side) + " x " +
             std::to_string(max_surface_side) + " points, this one is " + std::to_string(run.rows) + " x " +
             std::to_string(run.cols);
  }
  return "";
}

}  // namespace

DryRun dry_run(Statement* head, int64_t step_limit) {
  DryRun run;
  run.geometry = PlotSettings.geometry;
  run.surface = run.geometry >= first_surface_kind;
  const int used = run.surface ? 2 : 1;
  StepRule rules[2];
  for (int i = 0; i < used; ++i) {
    run.variables[i] = PlotSettings.step_var[i];
    rules[i] = compute_steps(PlotSettings.lower_limit[i], PlotSettings.upper_limit[i], PlotSettings.step_size[i]);
    run.rules[i] = rules[i];
    run.lower[i] = PlotSettings.lower_limit[i];
  }
  if (run.surface) {
    run.rows = step_values(rules[0]);
    run.cols = step_values(rules[1]);
    run.total = run.rows * run.cols;
  } else {
    run.total = step_values(rules[0]);
  }

  g_watch = Watch{};
  g_watch.run = &run;
  for (int i = 0; i < used; ++i) g_watch.rows[i] = find_variable(PlotSettings.step_var[i]);
  reset_host_record(step_limit);
  const StatementRunObserver* kept = statement_run_observer;
  statement_run_observer = &observer;
  plot_geometry(head);
  statement_run_observer = kept;
  run.host = host_record();
  run.stopped = run.host.stop_answered;
  run.missing_variable = run.host.message;

  // A coordinate a statement names but no step assigns stays 0 at every point: x(t) = ... does that.
  // (After a failing step the others may simply not have run; the failure is reported then.)
  if (run.missing_variable.empty() && run.run > 0 && run.failures.empty()) {
    for (const char* name : {"x", "y", "z"}) {
      const int row = find_variable(name);
      if (row >= 0 && !VariableTable.rows[row].defined) run.unassigned_coordinates.push_back(name);
    }
  }
  if (run.missing_variable.empty() && run.run == 0 && run.total > 0) {
    run.plot_refusal = !run.host.buffer_refusal.empty() ? run.host.buffer_refusal : size_refusal(run);
  }
  if (!run.stopped && !run.failures.empty() && run.run < run.total) {
    // The plot ended early; a failure at its last run is what ended it.
    for (StepFailure& f : run.failures)
      if (f.step == run.run) f.ends_plot = true;
  }
  if (!run.surface && !run.failures.empty()) {
    // A curve ends at its first failure that is not skipped by its kind, the last step included.
    for (StepFailure& f : run.failures)
      if (!(run.geometry == kw_points && is_domain_failure(f.status)) && f.step == run.run) f.ends_plot = true;
  }
  return run;
}

bool dry_run_failed(const DryRun& run) {
  if (!run.failures.empty() || !run.missing_variable.empty() || !run.plot_refusal.empty() ||
      !run.unassigned_coordinates.empty())
    return true;
  const HostRecord& h = run.host;
  if (h.refused_points > 0 || h.refused_lines > 0 || !h.buffer_refusal.empty()) return true;
  for (const MadeShape& s : h.shapes)
    if (s.refused) return true;
  return false;
}

std::string skip_or_end(const DryRun& run, const StepFailure& failure) {
  std::string out;
  if (failure.ends_plot) {
    if (run.surface) {
      out = "the plot ends after this row (the point is the last of its row)";
    } else {
      return run.geometry == kw_spline || run.geometry == kw_nurbs
                 ? "the plot ends there; the curve is made from the points before it"
                 : "the plot ends there";
    }
  } else {
    out = run.surface ? "the point is skipped and the row goes on" : "the point is skipped and the plot goes on";
  }
  if (!(run.geometry == kw_parametric_surf || run.geometry == kw_nurbs_surf) || run.cols <= 0) return out;
  // The surface is built from the leading complete rows, before the first failed point.
  const StepFailure& first = run.failures.front();
  if (&failure != &first) return out + "; the surface was already cut short at grid point " + std::to_string(first.step);
  const int64_t kept = (first.step - 1) / run.cols;
  if (kept < 2)
    return out + "; no surface is made: it needs 2 complete rows before the first failed point, and " +
           (kept == 0 ? "none comes" : "only 1 comes") + " before it";
  std::string values = std::to_string(kept) + " complete rows before it (" + run.variables[0] + " = ";
  std::string first_value, last_value;
  append_number(&first_value, step_value(run.lower[0], run.rules[0], 0));
  append_number(&last_value, step_value(run.lower[0], run.rules[0], kept - 1));
  return out + "; but the surface keeps only the " + values + first_value + " to " + last_value + "), a grid of " +
         std::to_string(kept) + " x " + std::to_string(run.cols) + " instead of " + std::to_string(run.rows) + " x " +
         std::to_string(run.cols);
}

