// Fuzzes one line: arbitrary bytes go through line routing (tokenizer, compiler, settings
// evaluation, origin line), and a stored statement is then evaluated as a plot step would. Traps
// when the settings stop being finite or a statement's storage breaks its invariants.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

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
    if (std::memchr(s.step_var[i], '\0', sizeof s.step_var[i]) == nullptr) __builtin_trap();
  }
  for (double c : s.origin) {
    if (!std::isfinite(c)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks the angle unit, as a plot in degrees or radians would leave the factors.
  PlotSettings = initial_plot_settings;
  PlotSettings.use_degrees = size > 0 && (data[0] & 1);
  set_angle_factors();
  reset_equation_tables();
  std::string line(reinterpret_cast<const char*>(data), size);  // NUL-terminated copy

  Statement* head = nullptr;
  Statement* tail = nullptr;
  int status = compile_line(line.c_str(), &head, &tail);
  if (head != nullptr) {
    if (status != 0 || head != tail || head->next != nullptr) __builtin_trap();
    if (head->tag != head->length || head->length < 0 || head->length > max_items) __builtin_trap();
    if (std::strcmp(head->text, line.c_str()) != 0) __builtin_trap();
    if (reinterpret_cast<uintptr_t>(head->program) % alignof(double) != 0) __builtin_trap();
    for (int step = 0; step < 3; ++step) {
      // Step variables take values as a plot would; evaluation may fail but must not misbehave.
      for (int16_t row = 2; row < VariableTable.count; ++row) set_variable(row, step * 0.5 - 1.0);
      evaluate_statement(head);
    }
  }
  apply_keyword_settings();
  check_settings_finite();
  if (VariableTable.count < 2 || VariableTable.count > max_variables) __builtin_trap();
  pool_release();
  return 0;
}
