// One step of a plot, shared by the curve and surface plotters.
#include "geometry/plot_step.h"

#include <cstring>

#include "equation/plot_settings.h"
#include "equation/compiler.h"
#include "equation/evaluator.h"
#include "equation/variables.h"
#include "orvantis/host_geometry.h"
#include "geometry/plotting.h"
#include "geometry/trace_log.h"

int find_step_variable(int index) {
  const int row = find_variable(PlotSettings.step_var[index]);
  if (row < 0) warn_missing_variable(PlotSettings.step_var[index]);
  return row;
}

CoordinateRows find_coordinate_rows() {
  return CoordinateRows{find_variable("x"), find_variable("y"), find_variable("z")};
}

const StatementRunObserver* statement_run_observer = nullptr;

int run_statements(const Statement* head) {
  const StatementRunObserver* observer = statement_run_observer;
  if (observer != nullptr) observer->starting();
  for (const Statement* s = head; s != nullptr; s = s->next) {
    if (is_inert(s)) continue;
    int status = evaluate_statement(s);
    if (status != status_ok) {
      report_statement_error(status, s->tag, s->text);
      if (observer != nullptr) observer->finished(s, status);
      return status;
    }
  }
  if (observer != nullptr) observer->finished(nullptr, status_ok);
  return status_ok;
}

void read_point(const CoordinateRows& rows, double point[3]) {
  const int row[3] = {rows.x, rows.y, rows.z};
  for (int i = 0; i < 3; ++i) {
    if (row[i] >= 0) point[i] = VariableTable.rows[row[i]].value + PlotSettings.origin[i];
  }
}

void store_point_or_line(const double* from, const double* to) {
  // The host reads only the kind and the coordinates: one record serves every call, so that a point
  // does not cost the making and unmaking of a whole record, its B-spline part included.
  static ent record;
  record.kind = to != nullptr ? ENT_LINE : ENT_POINT;
  std::memcpy(record.p1, from, sizeof record.p1);
  if (to != nullptr) std::memcpy(record.p2, to, sizeof record.p2);
  else std::memset(record.p2, 0, sizeof record.p2);
  db_list_ent_type* entry = nullptr;
  char ok = 0;
  store_ent(&record, &entry, 0, main_color, main_level, main_attrib, &ok);
}

bool stop_before_step(int64_t step, int64_t count) {
  return step % stop_poll_interval == 0 && plot_stop_requested(step, count) != 0;
}

bool plot_uses_blocks(const Statement* head, const FILE* log, int step_row, int row_row, const CoordinateRows& rows) {
  if (log != nullptr || statement_run_observer != nullptr) return false;
  const int point_rows[3] = {rows.x, rows.y, rows.z};
  return prepare_blocks(head, step_row, row_row, point_rows);
}
