// The recording host (the fake_host library): a stand-in for the host services the Zlink's plotters
// call, for programs that plot without the real host (kuvra-check's dry run). It stores nothing
// heavy, only counts what a plot would make and notes what the real host would refuse, by the
// host's own rules and in its words (kernel/fit_checks.h), starting from the host's start values
// (kernel/host_defaults.h), so the Zlink's own plotting code runs without the geometry kernel.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

/// A curve or surface the plot hands to the host, and whether the host takes it.
struct MadeShape {
  enum Kind { Spline, NurbsCurve, Surface, NurbsSurface } kind = Spline;
  int64_t points = 0;        // curves: the points it goes through
  int32_t rows = 0, cols = 0;  // surfaces: the grid
  bool refused = false;
  std::string why;           // the host's reason when refused
  bool deleted = false;      // a temporary the plot removed again (the spline behind a NURB curve)
};

/// Everything one dry run of a plot did to the host.
struct HostRecord {
  int64_t stored_points = 0, stored_lines = 0;      // taken into the database
  int64_t refused_points = 0, refused_lines = 0;    // refused for a coordinate that is not finite
  int64_t first_refused_step = 0;                   // the run (1-based) of the first such refusal
  int64_t marks = 0, screen_lines = 0;              // drawn on the screen (finite ones only)
  std::vector<MadeShape> shapes;                    // in the order the plot made them
  std::string buffer_refusal;                       // a point buffer the host would not grow, or ""
  std::string message;                              // text of a message box the plot showed, or ""
  int64_t stop_after = 0;                           // runs after which a stop is asked for; 0: never
  bool stop_answered = false;                       // the plot was told to stop
  int64_t current_run = 0;                          // set by the dry run: the run in progress
  // Kept only when asked for (keep_plotted_points): the points of the last curve or surface the
  // plot asked for, and the ends of the stored lines in order, for measuring a fit afterwards.
  std::vector<std::array<double, 3>> fitted_points;
  int32_t fitted_rows = 0, fitted_cols = 0;         // the grid of a surface's fitted_points
  std::vector<std::array<double, 3>> line_ends;     // first line's start, then every line's end
};

/// Whether the next dry runs keep the points of what they fit (off by default: it costs memory).
void keep_plotted_points(bool keep);

/// The record of the plot in progress.
HostRecord& host_record();

/// Clears the record for a new plot; `stop_after` runs before the plot is told to stop (0: never).
void reset_host_record(int64_t stop_after);
