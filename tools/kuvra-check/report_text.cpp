// The report's words; see report_text.h.
#include "report_text.h"

#include <cmath>

#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "status_messages.h"
#include "text_output.h"
#include "warnings.h"

namespace {

using nlohmann::json;

std::string number(double value) {
  std::string out;
  append_number(&out, value);
  return out;
}

std::string visible(const std::string& text) {
  std::string out;
  append_visible(&out, text);
  return out;
}

std::string count_of(int64_t n, const char* one, const char* many) {
  return grouped(n) + " " + (n == 1 ? one : many);
}

// A curve's runs are its points (t from 0 to 10 by 1: 10 steps, 11 points), a surface's its grid points.
std::string step_word(const DryRun& run) { return run.surface ? "grid point" : "point"; }

// Why `f` failed: the words of a warning on its line that explains the status, else the status's own.
std::string failure_message(const StepFailure& f, long line, const std::vector<Warning>& warnings) {
  if (const Warning* w = explaining_warning(warnings, line, f.status)) return w->message;
  return status_message(f.status);
}

long line_of_failure(const StepFailure& f, const std::map<const Statement*, long>& line_of) {
  auto line = line_of.find(f.statement);
  return line != line_of.end() ? line->second : 0;
}

// "(t = 6)" or "(u = 0.5, v = 1)": the step variables' values at a failure.
std::string values_text(const DryRun& run, const StepFailure& f) {
  // Appended piece by piece: GCC 12 at -O3 warns of an overlap that cannot happen in "(" + a + b.
  std::string out = "(";
  out += visible(run.variables[0]);
  out += " = ";
  out += number(f.values[0]);
  if (run.surface) out += ", " + visible(run.variables[1]) + " = " + number(f.values[1]);
  return out + ")";
}

std::string shape_name(const MadeShape& s) {
  switch (s.kind) {
    case MadeShape::Spline: return "a spline through " + count_of(s.points, "point", "points");
    case MadeShape::NurbsCurve: return "a NURB curve through " + count_of(s.points, "point", "points");
    case MadeShape::Surface: return "a surface through a grid of " + std::to_string(s.rows) + " x " + std::to_string(s.cols);
    case MadeShape::NurbsSurface:
      return "a NURB surface through a grid of " + std::to_string(s.rows) + " x " + std::to_string(s.cols);
  }
  return "a shape";
}

bool gathers(int geometry) {
  return geometry == kw_spline || geometry == kw_nurbs || geometry == kw_parametric_surf || geometry == kw_nurbs_surf;
}

// What the plot makes and what the host refuses, one finding a line.
std::vector<std::string> findings(const DryRun& run, std::vector<std::string>* refusals) {
  std::vector<std::string> made;
  const HostRecord& h = run.host;
  if (!run.missing_variable.empty()) {
    refusals->push_back("the plot stops before it starts with the box \"" + visible(run.missing_variable) + "\"");
    return {"nothing"};
  }
  if (!run.plot_refusal.empty()) {
    refusals->push_back("the plot is refused for its size before anything is drawn: " + run.plot_refusal);
    return {"nothing"};
  }
  if (h.stored_points > 0) made.push_back(count_of(h.stored_points, "point", "points"));
  if (h.stored_lines > 0) made.push_back(count_of(h.stored_lines, "line", "lines"));
  for (const MadeShape& s : h.shapes) {
    if (s.refused) {
      refusals->push_back("the host refuses " + shape_name(s) + ": " + s.why);
    } else if (!s.deleted) {
      made.push_back(shape_name(s));
    }
  }
  if (h.refused_points > 0)
    refusals->push_back("the host refuses " + count_of(h.refused_points, "point", "points") +
                        " with a coordinate that is not finite (the first at " + step_word(run) + " " +
                        std::to_string(h.first_refused_step) + ")");
  if (h.refused_lines > 0)
    refusals->push_back("the host refuses " + count_of(h.refused_lines, "line", "lines") +
                        " with an end that is not finite (the first at " + step_word(run) + " " +
                        std::to_string(h.first_refused_step) + ")");
  if (gathers(run.geometry) && h.shapes.empty() && run.run > 0)
    made.push_back(run.surface ? "no surface: fewer than 2 complete rows before the first failed point"
                               : "no curve: no point was gathered");
  if (h.marks > 0 || h.screen_lines > 0) {
    std::string screen = count_of(h.marks, "mark", "marks");
    if (h.screen_lines > 0) screen += " and " + count_of(h.screen_lines, "line", "lines");
    made.push_back(screen + " on the screen");
  }
  if (made.empty()) made.push_back("nothing");
  return made;
}

const char* effect_name(const DryRun& run, const StepFailure& f) {
  if (f.ends_plot) return "ends";
  (void)run;
  return "skips";
}

}  // namespace

std::string geometry_name(int geometry) {
  if (geometry >= 0 && geometry < keyword_count) return KeywordTable[geometry].name;
  return std::to_string(geometry);
}

std::string settings_text() {
  const PlotSettingsRecord& s = PlotSettings;
  std::string out = "angles = " + std::string(s.use_degrees ? "degrees" : "radians");
  out += ", geometry = " + geometry_name(s.geometry);
  if (s.geometry < first_curve_kind || s.geometry > last_surface_kind) out += " (not a geometry kind)";
  const int used = s.geometry >= first_surface_kind ? 2 : 1;
  for (int v = 0; v < used; ++v) {
    out += ", step_var" + std::to_string(v + 1) + " = " + visible(s.step_var[v]) + " from " + number(s.lower_limit[v]) +
           " to " + number(s.upper_limit[v]) + " by " + number(s.step_size[v]);
  }
  out += ", origin = " + number(s.origin[0]) + ", " + number(s.origin[1]) + ", " + number(s.origin[2]);
  return out;
}

std::string dry_run_text(const DryRun& run, const char* name, const std::map<const Statement*, long>& line_of,
                         const std::vector<Warning>& warnings) {
  const std::string prefix = std::string(name) + ": dry run: ";
  std::string out = prefix + "geometry = " + geometry_name(run.geometry) + ", ";
  if (run.surface) {
    out += grouped(run.total) + (run.total == 1 ? " grid point" : " grid points") + " (" + grouped(run.rows) +
           " values of " + visible(run.variables[0]) + " by " + grouped(run.cols) + " of " + visible(run.variables[1]) +
           ")\n";
  } else if (run.total == 0) {
    out += "no points: the step count of " + visible(run.variables[0]) + " is not finite or too large\n";
  } else {
    out += grouped(run.total - 1) + (run.total == 2 ? " step of " : " steps of ") + visible(run.variables[0]) + ", " +
           grouped(run.total) + " points\n";
  }
  for (const StepFailure& f : run.failures) {
    const long line = line_of_failure(f, line_of);
    out += std::string(name) + ":" + std::to_string(line) + ": " + step_word(run) + " " + std::to_string(f.step) + " " +
           values_text(run, f) + ": " + visible(f.statement->text) + ": " + failure_message(f, line, warnings) +
           " (status " + std::to_string(f.status) + "); " + skip_or_end(run, f) + "\n";
  }
  if (run.stopped)
    out += prefix + "stopped after " + grouped(run.run) + " of " + grouped(run.total) + " " + step_word(run) +
           "s (a dry run executes at most " + grouped(run.host.stop_after) + ")\n";
  for (const std::string& c : run.unassigned_coordinates)
    out += prefix + c + " is named by a statement, but no statement gave it a value at any step: every point has " + c +
           " = 0 (plus the origin)\n";
  std::vector<std::string> refusals;
  std::vector<std::string> made = findings(run, &refusals);
  out += prefix + "would make ";
  for (size_t i = 0; i < made.size(); ++i) out += (i ? ", " : "") + made[i];
  out += "\n";
  for (const std::string& r : refusals) out += prefix + r + "\n";
  return out;
}

json dry_run_json(const DryRun& run, const std::map<const Statement*, long>& line_of,
                  const std::vector<Warning>& warnings) {
  json failures = json::array();
  for (const StepFailure& f : run.failures) {
    const long line = line_of_failure(f, line_of);
    json values = json::object();
    values[utf8_text(run.variables[0])] = json_number(f.values[0]);
    if (run.surface) values[utf8_text(run.variables[1])] = json_number(f.values[1]);
    failures.push_back({{"line", line},
                        {"step", f.step},
                        {"values", values},
                        {"text", utf8_text(f.statement->text)},
                        {"status", f.status},
                        {"message", failure_message(f, line, warnings)},
                        {"effect", effect_name(run, f)},
                        {"what_follows", skip_or_end(run, f)}});
  }
  std::vector<std::string> refusals;
  std::vector<std::string> made = findings(run, &refusals);
  json step_variables = json::array({utf8_text(run.variables[0])});
  if (run.surface) step_variables.push_back(utf8_text(run.variables[1]));
  json out = {{"geometry", geometry_name(run.geometry)},
              {"step_variables", step_variables},
              {"steps", run.total},
              {"run", run.run},
              {"stopped", run.stopped},
              {"failures", failures},
              {"makes", made},
              {"refusals", refusals},
              {"unassigned_coordinates", run.unassigned_coordinates},
              {"stored_points", run.host.stored_points},
              {"stored_lines", run.host.stored_lines},
              {"marks", run.host.marks}};
  if (run.surface) {
    out["rows"] = run.rows;
    out["cols"] = run.cols;
  }
  return out;
}
