// The accuracy measure's words; see accuracy_report.h. Distances have four significant digits, which
// is what a tolerance is compared at; the advised step is written so that it reads back exactly.
#include "accuracy_report.h"

#include <charconv>

#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "report_text.h"
#include "status_messages.h"
#include "text_output.h"

namespace {

using nlohmann::json;

std::string short_number(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 4);
  return std::string(buffer, result.ptr);
}

std::string exact_number(double value) {
  std::string out;
  append_number(&out, value);
  return out;
}

bool is_surface() { return PlotSettings.geometry >= first_surface_kind; }

// "t = 93.75" or "u = 30, v = 45".
std::string where_text(const double values[2]) {
  std::string out = std::string(PlotSettings.step_var[0]) + " = " + short_number(values[0]);
  if (is_surface()) out += ", " + std::string(PlotSettings.step_var[1]) + " = " + short_number(values[1]);
  return out;
}

json where_json(const double values[2]) {
  json out = json::object();
  out[utf8_text(PlotSettings.step_var[0])] = json_number(values[0]);
  if (is_surface()) out[utf8_text(PlotSettings.step_var[1])] = json_number(values[1]);
  return out;
}

long line_of_statement(const Statement* s, const std::map<const Statement*, long>& line_of) {
  auto it = line_of.find(s);
  return it != line_of.end() ? it->second : 0;
}

std::string between_text(const BetweenFailure& b) {
  if (!is_surface())
    return "fails at " + where_text(b.at) + ", between the steps " + std::string(PlotSettings.step_var[0]) + " = " +
           short_number(b.before[0]) + " and " + short_number(b.after[0]) + ", which both succeed";
  return "fails at " + where_text(b.at) + ", inside the grid cell from " + where_text(b.before) + " to " +
         where_text(b.after) + ", whose corners all succeed";
}

}  // namespace

bool accuracy_missed(const Accuracy& a) { return a.advice.asked && !a.advice.file_meets; }

std::string accuracy_text(const Accuracy& a, const char* name, const std::map<const Statement*, long>& line_of) {
  const std::string prefix = std::string(name) + ": accuracy: ";
  if (!a.applies) return prefix + "nothing is fitted for geometry = " + geometry_name(PlotSettings.geometry) +
                         " (spline, nurbs, lines, parametric_surf and nurbs_surf are measured)\n";
  const AccuracyMeasure& m = a.file;
  if (!m.measured) return prefix + "not measured: " + m.why_not + "\n";
  std::string out = prefix + m.shape + ", measured at " + std::to_string(m.points_measured) +
                    (is_surface() ? " points inside its grid cells" : " points between its steps") +
                    ": largest distance " + short_number(m.largest) + " at " + where_text(m.where) + ", mean " +
                    short_number(m.mean) + "\n";
  if (m.nurbs)
    out += prefix + "the fit keeps " + std::to_string(m.poles_kept) + " of " + std::to_string(m.poles_before) +
           " poles and strays at most " + short_number(m.fit_deviation) + " from the plotted points\n";
  for (const BetweenFailure& b : m.between)
    out += std::string(name) + ":" + std::to_string(line_of_statement(b.statement, line_of)) + ": accuracy: \"" +
           b.statement->text + "\" " + between_text(b) + " (" + status_message(b.status) + "): the " +
           (is_surface() ? "surface" : "curve") + " passes over a point where the equation is undefined\n";
  const AccuracyAdvice& advice = a.advice;
  if (!advice.asked) return out;
  const int used = is_surface() ? 2 : 1;
  std::string steps;
  for (int v = 0; v < used; ++v)
    steps += (v ? ", " : "") + std::string("step_size") + std::to_string(v + 1) + " = " + exact_number(advice.steps[v]);
  if (!advice.reached) {
    const std::string most = is_surface() ? "grids of at most " + std::to_string(accuracy_max_grid_side) + " x " +
                                                std::to_string(accuracy_max_grid_side) + " points are tried"
                                          : "at most " + grouped(accuracy_max_curve_steps) + " steps are tried";
    out += prefix + "no step reaches --tol " + short_number(advice.tol) + ": down to " + steps + " (the smallest tried; " +
           most + ") " +
           (advice.complete ? "the largest distance is still " + short_number(advice.largest) + " at " +
                                  where_text(advice.where) + "; look there for a cusp or a pole of the equation"
                            : "the plot fails at a step or passes over a point where the equation is undefined");
    out += "\n";
  } else {
    out += prefix + "write " + steps + ": the largest step" + (used == 2 ? "s" : "") + " found to keep the distance within --tol " +
           short_number(advice.tol) + " (measured " + short_number(advice.largest) + " at " + where_text(advice.where) +
           ")\n";
  }
  out += prefix + "the file's own step " + (advice.file_meets ? "meets" : "misses") + " --tol " + short_number(advice.tol) +
         " (largest distance " + short_number(m.largest) + ")\n";
  return out;
}

json accuracy_json(const Accuracy& a, const std::map<const Statement*, long>& line_of) {
  if (!a.applies) return json{{"applies", false}};
  const AccuracyMeasure& m = a.file;
  json out = {{"applies", true}, {"measured", m.measured}};
  if (!m.measured) {
    out["why_not"] = m.why_not;
    return out;
  }
  out["shape"] = m.shape;
  out["points_measured"] = m.points_measured;
  out["largest"] = json_number(m.largest);
  out["where"] = where_json(m.where);
  out["mean"] = json_number(m.mean);
  if (m.nurbs) {
    out["poles_kept"] = m.poles_kept;
    out["poles_before"] = m.poles_before;
    out["fit_deviation"] = json_number(m.fit_deviation);
  }
  json between = json::array();
  for (const BetweenFailure& b : m.between)
    between.push_back({{"line", line_of_statement(b.statement, line_of)},
                       {"text", utf8_text(b.statement->text)},
                       {"status", b.status},
                       {"message", status_message(b.status)},
                       {"at", where_json(b.at)},
                       {"before", where_json(b.before)},
                       {"after", where_json(b.after)}});
  out["fails_between_steps"] = std::move(between);
  if (a.advice.asked) {
    const int used = is_surface() ? 2 : 1;
    json steps = json::array();
    for (int v = 0; v < used; ++v) steps.push_back(json_number(a.advice.steps[v]));
    out["tol"] = json_number(a.advice.tol);
    out["file_meets"] = a.advice.file_meets;
    out["advice"] = {{"reached", a.advice.reached},
                     {"step_size", steps},
                     {"largest", json_number(a.advice.largest)},
                     {"where", where_json(a.advice.where)}};
  }
  return out;
}
