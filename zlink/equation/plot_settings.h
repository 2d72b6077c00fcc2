// The process-wide plot settings: what is stepped, over which range, which geometry is made, the angle
// unit, the origin and the trace switch. Load-time values only; nothing ever resets them.
#pragma once
#include <cstdint>
#include "equation/limits.h"

struct PlotSettingsRecord {
  uint8_t use_degrees;               // 1: angles in degrees
  int32_t geometry;                  // a keyword index: 4..8 curve kinds, 9..12 surface kinds
  char step_var[2][name_size];       // names of step variables 1 and 2
  double lower_limit[2];
  double upper_limit[2];
  double step_size[2];
  double origin[3];                  // added to every plotted point
  uint8_t trace_variables;           // write the trace log; never stored in the file
};
extern PlotSettingsRecord PlotSettings;

/// The load-time values: degrees, draw, "x"/"y", 0..1 by 0.25, origin 0, no trace.
inline constexpr PlotSettingsRecord initial_plot_settings = {
    1, 4, {"x", "y"}, {0.0, 0.0}, {1.0, 1.0}, {0.25, 0.25}, {0.0, 0.0, 0.0}, 0};

/// Copies the keyword rows whose is_set is 1 into PlotSettings: angles, geometry, step_var1,
/// step_var2, then lower_limit1, lower_limit2, upper_limit1, upper_limit2, step_size1, step_size2.
void apply_keyword_settings();

/// One readable line for the settings, for tests and tools.
void dump_plot_settings(const PlotSettingsRecord& s, char* out, int out_size);
