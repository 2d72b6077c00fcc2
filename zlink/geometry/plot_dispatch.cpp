// The plot dispatcher: the angle unit in force when "Plot it" is pressed applies to the whole plot,
// and the host hears the settings the plot runs with before its first step.
#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/evaluator.h"
#include "geometry/plotting.h"
#include "orvantis/host_notes.h"

namespace {

void tell_host_settings() {
  const PlotSettingsRecord& s = PlotSettings;
  QXPlotSettings note{};
  note.geometry = s.geometry;
  note.geometry_name = s.geometry >= first_curve_kind && s.geometry <= last_surface_kind
                           ? KeywordTable[s.geometry].name
                           : nullptr;
  note.use_degrees = s.use_degrees != 0 ? 1 : 0;
  for (int k = 0; k < 2; ++k) {
    note.step_var[k] = s.step_var[k];
    note.lower_limit[k] = s.lower_limit[k];
    note.upper_limit[k] = s.upper_limit[k];
    note.step_size[k] = s.step_size[k];
  }
  for (int k = 0; k < 3; ++k) note.origin[k] = s.origin[k];
  note_plot_settings(&note);
}

}  // namespace

void plot_geometry(Statement* head) {
  set_angle_factors();
  tell_host_settings();
  if (PlotSettings.geometry >= first_surface_kind) {
    plot_surface(head);
  } else {
    plot_curve(head);
  }
}
