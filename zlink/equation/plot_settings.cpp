// The process-wide plot settings and the copy of a file's keyword rows into them. Only rows that a
// line of the file assigned are copied, so whatever the file does not name keeps its value.
#include "equation/plot_settings.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "equation/keywords.h"
#include "equation/variables.h"

PlotSettingsRecord PlotSettings = initial_plot_settings;

namespace {

// The step variable's name from the variable row the keyword holds, cut to 31 characters.
void take_keyword_name(int keyword, char* name) {
  const KeywordEntry& row = KeywordTable[keyword];
  if (row.is_set != 1 || row.index < 0 || row.index >= VariableTable.count) return;
  std::strncpy(name, VariableTable.rows[row.index].name, max_name_length);
  name[max_name_length] = '\0';
}

// Shortest text that reads back as the same double.
void format_number(double value, char* out, size_t size) {
  auto result = std::to_chars(out, out + size - 1, value);
  *(result.ec == std::errc() ? result.ptr : out) = '\0';
}

}  // namespace

void apply_keyword_settings() {
  if (KeywordTable[kw_angles].is_set == 1) PlotSettings.use_degrees = KeywordTable[kw_angles].index == kw_degrees;
  if (KeywordTable[kw_geometry].is_set == 1) PlotSettings.geometry = KeywordTable[kw_geometry].index;
  take_keyword_name(kw_step_var1, PlotSettings.step_var[0]);
  take_keyword_name(kw_step_var2, PlotSettings.step_var[1]);
  take_keyword_number(kw_lower_limit1, &PlotSettings.lower_limit[0]);
  take_keyword_number(kw_lower_limit2, &PlotSettings.lower_limit[1]);
  take_keyword_number(kw_upper_limit1, &PlotSettings.upper_limit[0]);
  take_keyword_number(kw_upper_limit2, &PlotSettings.upper_limit[1]);
  take_keyword_number(kw_step_size1, &PlotSettings.step_size[0]);
  take_keyword_number(kw_step_size2, &PlotSettings.step_size[1]);
}

void dump_plot_settings(const PlotSettingsRecord& s, char* out, int out_size) {
  if (out_size <= 0) return;
  char n[9][32];
  const double* numbers[9] = {&s.lower_limit[0], &s.upper_limit[0], &s.step_size[0],
                              &s.lower_limit[1], &s.upper_limit[1], &s.step_size[1],
                              &s.origin[0],      &s.origin[1],      &s.origin[2]};
  for (int i = 0; i < 9; ++i) format_number(*numbers[i], n[i], sizeof n[i]);
  const char* geometry = s.geometry >= 0 && s.geometry < keyword_count ? KeywordTable[s.geometry].name : "?";
  std::snprintf(out, static_cast<size_t>(out_size),
                "%s geometry=%d(%s) var1=%s %s..%s by %s var2=%s %s..%s by %s origin=%s,%s,%s trace=%d",
                s.use_degrees ? "degrees" : "radians", static_cast<int>(s.geometry), geometry,
                s.step_var[0], n[0], n[1], n[2], s.step_var[1], n[3], n[4], n[5], n[6], n[7], n[8],
                static_cast<int>(s.trace_variables));
}
