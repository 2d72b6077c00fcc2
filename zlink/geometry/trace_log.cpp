// The trace log and the missing-variable warning. The host's n_places_an is the precision of every
// number: digits after the point in the header's ranges, significant digits in the step blocks,
// written with a "." whatever the process locale.
#include "geometry/trace_log.h"

#include <cstring>

#include "orvantis/afx.h"
#include "orvantis/host_dialogs.h"
#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/number_text.h"
#include "equation/variables.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"

namespace {

constexpr int string_size = 64;

void load_string(unsigned id, char* buffer) {
  buffer[0] = '\0';
  LoadStringA(AfxGetResourceHandle(), id, buffer, string_size);
}

void write_range(FILE* log, int block, const char* step_text) {
  int places = n_places_an;
  char lower[number_text_size], upper[number_text_size], step[number_text_size];
  format_fixed(PlotSettings.lower_limit[block], places, lower, sizeof lower);
  format_fixed(PlotSettings.upper_limit[block], places, upper, sizeof upper);
  format_fixed(PlotSettings.step_size[block], places, step, sizeof step);
  std::fprintf(log, "%s%s%s%s%s%s%s\n", PlotSettings.step_var[block], " : ", lower, " --> ", upper, step_text,
               step);
}

}  // namespace

FILE* start_plot_log(char* path, const Statement* head) {
  bool have_path = build_log_path(path);
  return have_path && PlotSettings.trace_variables ? open_trace_log(path, head) : nullptr;
}

void finish_plot_log(FILE* log, const char* path) {
  if (log == nullptr) return;
  std::fclose(log);
  list_filename(path, nullptr, nullptr);
}

bool build_log_path(char* path) {
  path[0] = '\0';
  const char* directory = GetTempDirectory();
  if (directory == nullptr) return false;
  size_t length = strnlen(directory, temp_dir_limit);
  size_t name_length = std::strlen(log_file_name);
  if (length + name_length > static_cast<size_t>(log_path_limit)) return false;
  std::memcpy(path, directory, length);
  std::memcpy(path + length, log_file_name, name_length + 1);
  return true;
}

FILE* open_trace_log(const char* path, const Statement* head) {
  FILE* log = std::fopen(path, "w");
  if (log == nullptr) return nullptr;
  for (const Statement* s = head; s != nullptr; s = s->next) {
    if (!is_inert(s)) std::fprintf(log, "%s\n", s->text);
  }
  std::fprintf(log, "\n");
  char text[string_size];
  load_string(string_step, text);
  write_range(log, 0, text);
  if (PlotSettings.geometry >= first_surface_kind) write_range(log, 1, text);
  std::fprintf(log, "\n");
  char angles[string_size], unit[string_size];
  load_string(string_angles, angles);
  load_string(PlotSettings.use_degrees ? string_degrees : string_radians, unit);
  std::fprintf(log, "%s%s\n\n", angles, unit);
  return log;
}

void trace_step(FILE* log) {
  for (int row = 0; row < VariableTable.count; ++row) {
    const VariableEntry& v = VariableTable.rows[row];
    if (v.constant) continue;
    std::fprintf(log, "%s = ", v.name);
    if (v.defined) {
      char value[number_text_size];
      format_general(v.value, n_places_an, value, sizeof value);
      std::fprintf(log, "%s\n", value);
    } else {
      std::fprintf(log, "%s\n", undefined_marker);
    }
  }
  std::fprintf(log, "\n");
}

void warn_missing_variable(const char* name) {
  char warning[string_size], not_found[string_size];
  load_string(string_warning, warning);
  load_string(string_not_found, not_found);
  char text[2 * string_size + name_size + 2];
  std::snprintf(text, sizeof text, "%s %s %s", warning, name, not_found);
  message_box_ok(text, warning, 2, nullptr);
}
