// The surface plotter: the first step variable in the outer loop, the second in the inner, so the
// grid is gathered row by row. A grid too large for the host's 16-bit counts is refused before
// anything is drawn; a grid with failed points becomes a surface of its leading complete rows only,
// since the gathered points no longer fill the grid the host would be told about. A stop asked for
// by the person ends the plot the same way: the row it cut short is dropped.
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

void plot_surface(Statement* head) {
  const int outer_variable = find_step_variable(0);
  if (outer_variable < 0) return;
  const int inner_variable = find_step_variable(1);
  if (inner_variable < 0) return;
  const StepRule outer = compute_steps(PlotSettings.lower_limit[0], PlotSettings.upper_limit[0],
                                       PlotSettings.step_size[0]);
  const StepRule inner = compute_steps(PlotSettings.lower_limit[1], PlotSettings.upper_limit[1],
                                       PlotSettings.step_size[1]);
  const CoordinateRows rows = find_coordinate_rows();
  const int32_t geometry = PlotSettings.geometry;
  const bool gathers = geometry == kw_parametric_surf || geometry == kw_nurbs_surf;
  const int64_t row_count = step_values(outer);
  const int64_t row_length = step_values(inner);

  pt_3d* buffer = nullptr;
  if (gathers) {
    const int64_t grid_points = row_count * row_length;
    if (row_count > max_surface_side || row_length > max_surface_side || grid_points + 10 > INT32_MAX) {
      report_status(status_no_storage);
      return;
    }
    if (CSurfDataMgr::get_max_n_surf_patches() < grid_points &&
        CSurfDataMgr::put_max_n_surf_patches(static_cast<int32_t>(grid_points + 10)) == 0) {
      report_status(status_no_storage);
      return;
    }
    buffer = CSurfDataMgr::get_surf_data_ptr(0);
    if (buffer == nullptr && grid_points > 0) {
      report_status(status_no_storage);
      return;
    }
  }

  char log_path[log_path_size];
  FILE* log = start_plot_log(log_path, head);

  double point[3] = {0.0, 0.0, 0.0};
  int32_t gathered = 0;
  int64_t complete_rows = 0;  // leading rows in which every point was gathered
  bool intact = true;         // no point has failed so far
  int result = status_ok;
  bool stopped = false;
  bool row_failed = false;
  pt_3d* write = nullptr;
  // Rows without grid points still take time to step through: then the rows are what is counted.
  const int64_t polled_count = row_length == 0 ? row_count : row_count * row_length;
  const bool blocks = row_length > 0 && plot_uses_blocks(head, log, inner_variable, outer_variable, rows);
  // What a grid point becomes; the row goes on whatever its points' results.
  auto take = [&](int point_result) {
    result = point_result;
    if (result == status_ok) {
      switch (geometry) {
        case kw_draw_surf:
          draw_3d_point(point, main_color);
          break;
        case kw_points_surf:
          store_point_or_line(point, nullptr);
          break;
        case kw_parametric_surf:
        case kw_nurbs_surf:
          draw_3d_point(point, main_color);
          std::memcpy(*write++, point, sizeof(pt_3d));
          ++gathered;
          break;
        default:
          break;
      }
    } else {
      row_failed = true;
    }
    if (geometry == kw_points_surf && is_domain_failure(result)) result = status_ok;
    return true;
  };
  auto one_step = [&](int64_t k) {
    set_variable(static_cast<int16_t>(inner_variable), step_value(PlotSettings.lower_limit[1], inner, k));
    const int point_result = run_statements(head);
    read_point(rows, point);
    if (log != nullptr) trace_step(log);
    return take(point_result);
  };
  auto take_block_point = [&](int i) {
    block_point(i, point);
    take(status_ok);
  };
  for (int64_t j = 0; j < row_count; ++j) {
    if (row_length == 0 && stop_before_step(j, polled_count)) break;
    const double outer_value = step_value(PlotSettings.lower_limit[0], outer, j);
    set_variable(static_cast<int16_t>(outer_variable), outer_value);
    if (row_length == 0) continue;
    if (blocks) start_block_row(outer_value);  // the row's own values, once
    write = buffer != nullptr ? buffer + gathered : nullptr;
    row_failed = false;
    step_through(row_length, PlotSettings.lower_limit[1], inner, j * row_length, polled_count, blocks, &stopped,
                 one_step, take_block_point);
    if (stopped) break;  // a row cut short is never complete
    if (intact && !row_failed) {
      ++complete_rows;
    } else {
      intact = false;
    }
    if (result != status_ok) break;  // the row's last point failed
  }

  if (gathered > 0 && gathers && complete_rows >= 2) {
    double unused = 0.0;
    db_list_ent_type* entry = nullptr;
    char ok = 0;
    make_surf_from_pts(buffer, static_cast<int16_t>(complete_rows), static_cast<int16_t>(row_length), 0, 0, 1, 1,
                       main_color, main_level, geometry == kw_nurbs_surf ? 1 : 0, &unused, &entry, &ok);
  }
  finish_plot_log(log, log_path);
}
