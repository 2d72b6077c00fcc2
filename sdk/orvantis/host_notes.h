// The host's services for what the Zlink does not show itself: its equation errors and statuses,
// and the settings a plot runs with. A Zlink hands each one on here, and the host may tell the
// person, keep it, or ignore it.
#pragma once
#include <cstdint>

/// Notes a failing line or status of the Zlink. `status` is the Zlink's status code (never 0 for a
/// failing line). While a file is read, `number` is the failing line's 1-based number and `text`
/// the line as read; during a plot, `number` is the failing statement's tag and `text` its source
/// line. A bare status (the end of a file's reading with its last line's status, or -5 when a plot
/// is refused for its size) comes with `number` 0 and `text` null. Nothing is returned: what the
/// Zlink does next never depends on the host's answer.
void note_zlink_status(int status, int number, const char* text);

/// The settings a plot runs with, as the Zlink holds them when the plot starts (after the file and
/// the dialogs have set them). Texts are NUL-terminated and live only for the call.
struct QXPlotSettings {
  int32_t geometry;            // the geometry kind's keyword row: 4 draw .. 8 nurbs, 9 draw_surf .. 12 nurbs_surf
  const char* geometry_name;   // that keyword ("spline"); null when `geometry` is outside 4 to 12
  int32_t use_degrees;         // 1: angles in degrees, 0: radians
  const char* step_var[2];     // the step variables' names (the second one used by surfaces only)
  double lower_limit[2];
  double upper_limit[2];
  double step_size[2];
  double origin[3];            // added to every plotted point
};

/// Notes the settings of the plot that starts now, before its first step. Nothing is returned.
void note_plot_settings(const QXPlotSettings* settings);
