// How far a fitted plot strays from its equation between the steps. The file is plotted through
// the Zlink's plotters (the dry run), the plotted points are fitted with the host's own kernel as the
// host fits them, and the statements are run again with the Zlink's evaluator at parameters between
// every two steps (inside every grid cell for surfaces); each such point's distance to the fit is a
// true closest-point distance. With a tolerance, the step that meets it is found by measuring again.
#pragma once
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "closest_point.h"
#include "dry_run.h"

constexpr int accuracy_samples_between = 9;  // points between two steps of a curve (the middle one too)
constexpr int accuracy_samples_cell = 3;     // points a side inside a grid cell (3 x 3, the middle too)
constexpr int64_t accuracy_max_curve_steps = 32000;
constexpr int64_t accuracy_max_grid_side = 200;

/// A statement that fails between two steps that both succeed.
struct BetweenFailure {
  const Statement* statement = nullptr;
  int status = 0;
  double at[2] = {0, 0};                      // the step variables' values where it fails
  double before[2] = {0, 0}, after[2] = {0, 0};  // the steps around it (a surface: the cell's corners)
};

struct AccuracyMeasure {
  bool measured = false;
  std::string why_not;         // when nothing could be measured
  std::string shape;           // "a spline through 37 points"
  int64_t points_measured = 0;
  double largest = 0, mean = 0;
  double where[2] = {0, 0};    // the step variables' values at the largest distance
  bool nurbs = false;          // a NURB curve or surface: its poles and fit deviation are told
  int64_t poles_before = 0, poles_kept = 0;
  double fit_deviation = 0;    // largest distance of the plotted points from the fit
  std::vector<BetweenFailure> between;
  nb_type fitted;              // the fit measured against (empty for lines)
  std::vector<Point3> polyline;  // lines: the stored lines' ends
  int64_t counts[2] = {0, 0};  // the step counts plotted
  bool complete = false;       // no step failed and no statement failed between the steps
};

struct AccuracyAdvice {
  bool asked = false;
  double tol = 0;
  bool file_meets = false;
  bool reached = false;        // some step count met the tolerance
  int64_t counts[2] = {0, 0};  // the fewest steps found that meet it (or the most tried)
  double steps[2] = {0, 0};    // the step sizes to write
  double largest = 0;          // the largest distance measured with them
  bool complete = true;        // with them no step failed and nothing failed between the steps
  double where[2] = {0, 0};
};

struct Accuracy {
  bool applies = false;  // the kind is fitted (spline, nurbs, lines, parametric_surf, nurbs_surf)
  AccuracyMeasure file;
  AccuracyAdvice advice;
};

/// Measures the plot of `head` with the current settings; with `tol` > 0 also searches the step
/// sizes that meet it. `chord_dev` is the knot reduction tolerance of NURB curves, as the host's.
/// Leaves PlotSettings as it found them.
Accuracy measure_accuracy(Statement* head, double tol, double chord_dev, int64_t step_limit);

/// One plot of the current settings, measured; the measuring stops at the first distance above
/// `stop_above` (a step search needs no more to know that a step misses).
AccuracyMeasure measure_plot(Statement* head, double chord_dev, int64_t step_limit, double stop_above = INFINITY);
