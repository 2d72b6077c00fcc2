// Fuzzes a whole equation file: arbitrary bytes are cut into lines with the host's line rules and
// routed line by line, the settings are applied and every statement runs for a few steps in list
// order, as a plot would run them. The same bytes then go through kuvra-check's JSON report, which
// must parse. Traps when settings stop being finite or the statement list is malformed.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "check_file.h"
#include "core/line_reading.h"
#include "equation/line_routing.h"
#include "equation/plot_settings.h"
#include "equation/evaluator.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"

namespace {

void check_settings_finite() {
  const PlotSettingsRecord& s = PlotSettings;
  for (int i = 0; i < 2; ++i) {
    if (!std::isfinite(s.lower_limit[i]) || !std::isfinite(s.upper_limit[i]) ||
        !std::isfinite(s.step_size[i])) {
      __builtin_trap();
    }
  }
  for (double c : s.origin) {
    if (!std::isfinite(c)) __builtin_trap();
  }
}

void route_and_run(const uint8_t* data, size_t size) {
  std::FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (in == nullptr) return;
  reset_equation_tables();
  Statement* head = nullptr;
  Statement* tail = nullptr;
  long stored = 0;
  char line[max_line_length + 1];
  while (orv::read_line(line, max_line_length, in, nullptr) != 0) {
    if (std::strlen(line) > static_cast<size_t>(max_line_length)) __builtin_trap();
    Statement* before = tail;
    if (compile_line(line, &head, &tail) == 0 && tail != before) ++stored;
  }
  std::fclose(in);
  apply_keyword_settings();
  check_settings_finite();

  long listed = 0;
  for (Statement* s = head; s != nullptr; s = s->next) {
    ++listed;
    if (s->tag != s->length || (s->next == nullptr) != (s == tail)) __builtin_trap();
  }
  if (listed != stored) __builtin_trap();
  for (int step = 0; step < 3; ++step) {
    for (int16_t row = 2; row < VariableTable.count; ++row) {
      if (std::strcmp(VariableTable.rows[row].name, PlotSettings.step_var[0]) == 0) {
        set_variable(row, PlotSettings.lower_limit[0] + step * PlotSettings.step_size[0]);
      }
    }
    for (Statement* s = head; s != nullptr; s = s->next) {
      if (evaluate_statement(s) != 0) break;  // a failing statement ends the step
    }
  }
  pool_release();
}

void check_report(const uint8_t* data, size_t size) {
  std::FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (in == nullptr) return;
  char* report = nullptr;
  size_t report_size = 0;
  std::FILE* out = open_memstream(&report, &report_size);
  if (out == nullptr) {
    std::fclose(in);
    return;
  }
  CheckOptions options;
  options.json = true;
  CheckResult result = check_file(in, "fuzz.eqn", options, out);
  std::fclose(in);
  std::fclose(out);
  nlohmann::json parsed = nlohmann::json::parse(report, report + report_size, nullptr, false);
  if (parsed.is_discarded() || parsed["lines"].size() != static_cast<size_t>(result.lines)) {
    __builtin_trap();
  }
  std::free(report);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PlotSettings = initial_plot_settings;
  PlotSettings.use_degrees = size > 0 && (data[0] & 1);
  set_angle_factors();
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  route_and_run(data, size);
  check_report(data, size);
  return 0;
}
