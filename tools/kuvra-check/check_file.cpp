// The checker's per-file work; see check_file.h. Plain lines are written as they are read, so a
// long file streams; the JSON report is one object written at the end.
#include "check_file.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/line_reading.h"
#include "equation/keywords.h"
#include "equation/line_routing.h"
#include "equation/plot_settings.h"
#include "equation/compiler.h"
#include "equation/evaluator.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"
#include "accuracy_report.h"
#include "orvantis/host_geometry.h"
#include "report_text.h"
#include "status_messages.h"
#include "text_output.h"
#include "warnings.h"

namespace {

using nlohmann::json;

const char* route_name(LineRoute route) {
  switch (route) {
    case LineRoute::Blank: return "blank";
    case LineRoute::Origin: return "origin";
    case LineRoute::Settings: return "settings";
    case LineRoute::Statement: return "statement";
    case LineRoute::Failed: return "failed";
  }
  return "failed";
}

void flush(std::FILE* out, std::string* text) {
  std::fwrite(text->data(), 1, text->size(), out);
  text->clear();
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  append_visible(&out, text);
  return out + "\"";
}

json settings_json() {
  const PlotSettingsRecord& s = PlotSettings;
  return json{{"use_degrees", s.use_degrees != 0},
              {"geometry", geometry_name(s.geometry)},
              {"step_var", {utf8_text(s.step_var[0]), utf8_text(s.step_var[1])}},
              {"lower_limit", {json_number(s.lower_limit[0]), json_number(s.lower_limit[1])}},
              {"upper_limit", {json_number(s.upper_limit[0]), json_number(s.upper_limit[1])}},
              {"step_size", {json_number(s.step_size[0]), json_number(s.step_size[1])}},
              {"origin", {json_number(s.origin[0]), json_number(s.origin[1]), json_number(s.origin[2])}},
              {"trace_variables", s.trace_variables != 0}};
}

json variables_json() {
  json rows = json::array();
  for (int row = 0; row < VariableTable.count; ++row) {
    const VariableEntry& v = VariableTable.rows[row];
    rows.push_back({{"name", utf8_text(v.name)},
                    {"defined", v.defined != 0},
                    {"constant", v.constant != 0},
                    {"value", json_number(v.value)}});
  }
  return rows;
}

}  // namespace

CheckResult check_file(std::FILE* in, const char* name, const CheckOptions& options, std::FILE* out) {
  CheckResult result;
  PlotSettings = initial_plot_settings;
  PlotSettings.use_degrees = options.degrees ? 1 : 0;
  set_angle_factors();
  PlotSettings = initial_plot_settings;
  reset_equation_tables();
  Statement* head = nullptr;
  Statement* tail = nullptr;
  std::map<const Statement*, long> line_of;  // the file line of every statement
  long statements = 0;
  WarningCollector collector;
  json lines = json::array();
  std::string text;

  char line[max_line_length + 1];
  KeywordEntry saved_rows[keyword_count];
  for (;;) {
    orv::LineLoss loss;
    errno = 0;
    if (orv::read_line(line, max_line_length, in, &loss) == 0) {
      if (std::ferror(in)) result.read_error = errno != 0 ? errno : EIO;
      break;
    }
    const long number = ++result.lines;
    // A settings line that fails part-way sets nothing: its rows are put back, as the reader does.
    std::memcpy(saved_rows, KeywordTable, sizeof saved_rows);
    LineRoute route;
    Statement* old_tail = tail;
    int status = compile_line(line, &head, &tail, &route);
    if (status != status_ok) {
      std::memcpy(KeywordTable, saved_rows, sizeof saved_rows);
      ++result.failed_lines;
    }
    if (route == LineRoute::Statement && tail != old_tail) {
      line_of[tail] = number;
      ++statements;
    }
    collector.add_loss(number, loss.cut, max_line_length, loss.nul ? static_cast<int>(std::strlen(line)) + 1 : 0);
    collector.add_line(line, number, route, status);

    if (options.json) {
      json entry = {{"line", number}, {"status", status}, {"kind", route_name(route)}, {"text", utf8_text(line)}};
      if (status != status_ok) entry["message"] = status_message(status);
      lines.push_back(std::move(entry));
    } else if (route != LineRoute::Blank) {
      text += std::string(name) + ":" + std::to_string(number) + ": " + route_name(route);
      if (status != status_ok) text += ": " + std::string(status_message(status)) + " (status " + std::to_string(status) + ")";
      text += " | ";
      append_visible(&text, line);
      text += "\n";
      if (text.size() >= (1 << 16)) flush(out, &text);
    }
  }
  apply_keyword_settings();

  std::set<std::string> step_variables = {PlotSettings.step_var[0]};
  if (PlotSettings.geometry >= first_surface_kind) step_variables.insert(PlotSettings.step_var[1]);
  const json settings = settings_json();

  DryRun run;
  if (options.dry_run) {
    run = dry_run(head, options.step_limit);
    result.dry_run_failed = dry_run_failed(run);
  }
  Accuracy accuracy;
  if (options.accuracy) {
    surf_step_chord_dev = options.chord_dev;  // what the Zlink hands the host's knot reduction
    accuracy = measure_accuracy(head, options.tol, options.chord_dev, options.step_limit);
    result.accuracy_missed = accuracy_missed(accuracy);
  }
  const std::vector<Warning> warnings = collector.finish(step_variables);
  result.warnings = static_cast<long>(warnings.size());

  if (options.json) {
    json report = {{"file", utf8_text(name)}, {"lines", std::move(lines)}};
    json warning_list = json::array();
    for (const Warning& w : warnings)
      warning_list.push_back({{"line", w.line}, {"column", w.column}, {"token", utf8_text(w.token)}, {"message", utf8_text(w.message)}});
    report["warnings"] = std::move(warning_list);
    report["settings"] = settings;
    report["variables"] = variables_json();
    json statement_list = json::array();
    for (const Statement* s = head; s != nullptr; s = s->next)
      statement_list.push_back({{"line", line_of[s]}, {"text", utf8_text(s->text)}, {"length", s->length}});
    report["statements"] = std::move(statement_list);
    report["dry_run"] = options.dry_run ? dry_run_json(run, line_of, warnings) : json(nullptr);
    if (options.accuracy) report["accuracy"] = accuracy_json(accuracy, line_of);
    // Every text above is made valid UTF-8 already; a byte that still is not becomes U+FFFD rather
    // than ending the report.
    text = report.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  } else {
    for (const Warning& w : warnings) {
      text += std::string(name) + ":" + std::to_string(w.line) + ":" + std::to_string(w.column) + ": warning: ";
      if (!w.token.empty()) text += quoted(w.token) + ": ";
      text += w.message + "\n";
    }
    text += std::string(name) + ": settings: " + settings_text() + "\n";
    if (options.dry_run) text += dry_run_text(run, name, line_of, warnings);
    if (options.accuracy) text += accuracy_text(accuracy, name, line_of);
    text += std::string(name) + ": " + std::to_string(result.lines) + " lines, " + std::to_string(statements) +
            " statements, " + std::to_string(result.failed_lines) + " failed, " + std::to_string(result.warnings) +
            (result.warnings == 1 ? " warning" : " warnings");
    if (options.dry_run) text += result.dry_run_failed ? "; the dry run finds problems" : "; the dry run is clean";
    text += "\n";
  }
  flush(out, &text);
  pool_release();
  return result;
}
