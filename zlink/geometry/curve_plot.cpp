// The curve plotter: one step variable from its lower to its upper limit. Points and lines are stored
// as they come; spline and NURB spline points are gathered in the host's spline buffer and made into
// one curve after the last step, also when a failing step or the person's stop ended the plot early.
#include <cstring>

#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/compiler.h"
#include "equation/variables.h"
#include "orvantis/host_geometry.h"
#include "geometry/plot_step.h"
#include "geometry/plotting.h"
#include "geometry/step_rule.h"
#include "geometry/trace_log.h"

namespace {

// The parametric spline through the gathered points in `color`, with the last point as both end
// vectors.
db_list_ent_type* make_spline(const pt_3d* points, int32_t count, uint8_t color, char* ok) {
  double last[3] = {points[count - 1][0], points[count - 1][1], points[count - 1][2]};
  db_list_ent_type* entry = nullptr;
  *ok = 0;
  make_spline_from_pts(points, count, color, main_level, 1, last, 1, last, 0, &entry, ok);
  return entry;
}

// A NURB spline: a temporary spline in the background colour, its knots reduced where the chord
// tolerance allows, converted, the temporary deleted, the NURB stored at the spline's level.
void make_nurbs(const pt_3d* points, int32_t count) {
  char ok = 0;
  db_list_ent_type* entry = make_spline(points, count, gr_back_color, &ok);
  if (ok == 0) return;

  ent spline{};
  if (get_ent_from_eptr(entry, &spline) != 0) return;
  ent reduced{};
  int was_reduced = remove_nodes(&spline, 0, surf_step_chord_dev, &reduced);
  ent nurbs{};
  convert_entity_to_nurbs(was_reduced != 0 ? &reduced : &spline, &nurbs);
  char deleted = 0;
  delete_ent(entry, 1, 0, 1, &deleted, 0);
  entry = nullptr;
  put_nurbs_in_db(&nurbs.nb, main_color, spline.level, &spline.attrib, 0, &entry);
}

}  // namespace

void plot_curve(Statement* head) {
  const int variable = find_step_variable(0);
  if (variable < 0) return;
  const StepRule rule = compute_steps(PlotSettings.lower_limit[0], PlotSettings.upper_limit[0],
                                      PlotSettings.step_size[0]);
  const CoordinateRows rows = find_coordinate_rows();
  const int32_t geometry = PlotSettings.geometry;
  const bool gathers = geometry == kw_spline || geometry == kw_nurbs;

  pt_3d* buffer = nullptr;
  if (gathers) {
    if (rule.n > max_spline_steps) {
      report_status(status_no_storage);
      return;
    }
    if (CSplineNodeMgr::get_max_n_spline_pts() < step_values(rule) &&
        CSplineNodeMgr::put_max_n_spline_pts(rule.n + 10) == 0) {
      report_status(status_no_storage);
      return;
    }
    buffer = CSplineNodeMgr::get_spline_nodes1();
    if (buffer == nullptr && step_values(rule) > 0) {
      report_status(status_no_storage);
      return;
    }
  }

  char log_path[log_path_size];
  FILE* log = start_plot_log(log_path, head);

  double point[3] = {0.0, 0.0, 0.0};
  double previous[3] = {0.0, 0.0, 0.0};
  bool have_previous = false;
  int32_t gathered = 0;
  const int64_t values = step_values(rule);
  // What a step's point becomes; false when the plot ends at this step.
  auto take = [&](int result) {
    if (result == status_ok) {
      switch (geometry) {
        case kw_draw:
          if (have_previous) {
            l_3d line{{previous[0], previous[1], previous[2]}, {point[0], point[1], point[2]}};
            drw_3d_line(&line, main_color);
          }
          break;
        case kw_points:
          store_point_or_line(point, nullptr);
          break;
        case kw_lines:
          if (have_previous) store_point_or_line(previous, point);
          break;
        case kw_spline:
        case kw_nurbs:
          std::memcpy(buffer[gathered], point, sizeof(pt_3d));
          ++gathered;
          break;
        default:
          break;
      }
    } else if (!(geometry == kw_points && is_domain_failure(result))) {
      return false;
    }
    draw_3d_point(point, main_color);
    std::memcpy(previous, point, sizeof previous);
    have_previous = true;
    return true;
  };
  auto one_step = [&](int64_t j) {
    set_variable(static_cast<int16_t>(variable), step_value(PlotSettings.lower_limit[0], rule, j));
    int result = run_statements(head);
    read_point(rows, point);
    if (log != nullptr) trace_step(log);
    return take(result);
  };
  auto take_block_point = [&](int i) {
    block_point(i, point);
    take(status_ok);
  };
  // A stop is as a failing step: what was made stays.
  bool stopped = false;
  step_through(values, PlotSettings.lower_limit[0], rule, 0, values,
               plot_uses_blocks(head, log, variable, -1, rows), &stopped, one_step, take_block_point);

  if (gathered > 0 && geometry == kw_spline) {
    char ok = 0;
    make_spline(buffer, gathered, main_color, &ok);
  } else if (gathered > 0 && geometry == kw_nurbs) {
    make_nurbs(buffer, gathered);
  }
  finish_plot_log(log, log_path);
}
