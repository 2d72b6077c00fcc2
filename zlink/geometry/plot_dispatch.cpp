// The plot dispatcher: the angle unit in force when "Plot it" is pressed applies to the whole plot.
#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/evaluator.h"
#include "geometry/plotting.h"

void plot_geometry(Statement* head) {
  set_angle_factors();
  if (PlotSettings.geometry >= first_surface_kind) {
    plot_surface(head);
  } else {
    plot_curve(head);
  }
}
