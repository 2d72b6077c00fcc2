// Plotting: the dispatcher that the "Plot it" command calls, and the curve and surface plotters it
// hands the statement list to. Results are host entities, screen marks and the trace log.
#pragma once
#include <cstdint>

#include "equation/program.h"

/// Sets the angle factors from the angle unit, then plots a surface for geometry 9 and above, else a curve.
void plot_geometry(Statement* head);

/// Steps the first step variable over its range and makes the curve kind of PlotSettings.geometry.
void plot_curve(Statement* head);

/// Steps both step variables over a grid (the first outer) and makes the surface kind.
void plot_surface(Statement* head);

/// Most steps a spline or NURB spline plot may take.
constexpr int max_spline_steps = 32000;
/// Most rows, or points in a row, of a surface grid: the host takes both as 16-bit counts.
constexpr int max_surface_side = 32767;
/// The plotters ask the host whether to stop once every this many steps (grid points).
constexpr int64_t stop_poll_interval = 1024;
