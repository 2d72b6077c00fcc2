// The angle trap; see angle_warnings.h. An argument is evaluated as the right side of a scratch
// assignment to a number keyword, whose row is put back afterwards, so the check adds no variable
// and changes no setting.
#include "angle_warnings.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "equation/evaluator.h"
#include "equation/keywords.h"
#include "equation/operators.h"
#include "equation/plot_settings.h"
#include "equation/variables.h"

namespace {

constexpr double two_pi = 2 * 3.141592653589793;
constexpr int samples_per_variable = 17;

bool is_trig(const ProgramItem& item) {
  return item.kind == ItemKind::Operator && (item.index == op_cos || item.index == op_sin || item.index == op_tan);
}

// Four significant digits, whatever the locale.
std::string short_number(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 4);
  return std::string(buffer, result.ptr);
}

// The argument's value with the current variables, or NaN when it cannot be evaluated.
double argument_value(const std::vector<ProgramItem>& argument) {
  std::vector<ProgramItem> program;
  program.push_back({ItemKind::Keyword, kw_lower_limit2, 0, 0.0});
  program.push_back({ItemKind::Operator, op_assign, 0, 0.0});
  program.insert(program.end(), argument.begin(), argument.end());
  if (program.size() > static_cast<size_t>(max_items)) return NAN;
  const KeywordEntry saved = KeywordTable[kw_lower_limit2];
  const int status = evaluate(program.data(), static_cast<int16_t>(program.size()));
  const double value = KeywordTable[kw_lower_limit2].number;
  KeywordTable[kw_lower_limit2] = saved;
  return status == 0 ? value : NAN;
}

}  // namespace

void AngleCheck::add_line(const LineView& view) {
  if (view.route == LineRoute::Settings && view.token_count > 0) {
    const int keyword = find_keyword(view.tokens[0].text);
    const int slot = keyword == kw_lower_limit1 ? 0 : keyword == kw_lower_limit2 ? 1
                     : keyword == kw_upper_limit1 ? 2 : keyword == kw_upper_limit2 ? 3 : -1;
    if (slot >= 0) {
      bool with_pi = false;
      for (int i = 2; i < view.token_count; ++i) with_pi = with_pi || view.token_is(i, "pi");
      limit_with_pi_[slot] = with_pi;
    }
    return;
  }
  if (view.route != LineRoute::Statement) return;
  for (int k = 0; k < view.item_count; ++k) {
    if (!is_trig(view.items[k])) continue;
    const int open = view.token_of_item[k] + 1;
    if (!view.token_is(open, "(")) continue;
    const int close = view.closing(open);
    if (close < 0) continue;
    Call call{view.number, view.spans[open - 1].first, view.spans[close].last, view.tokens_text(open - 1, close),
              close == open + 2 && view.tokens[open + 1].kind == TokenKind::Name, {}};
    bool names_a_variable = false;
    for (int j = k + 1; j < view.item_count && view.token_of_item[j] < close; ++j) {
      call.argument.push_back(view.items[j]);
      names_a_variable = names_a_variable || view.items[j].kind == ItemKind::Variable;
    }
    if (names_a_variable) calls_.push_back(std::move(call));
  }
}

std::vector<Warning> AngleCheck::finish() const {
  std::vector<Warning> warnings;
  if (!PlotSettings.use_degrees) return warnings;
  const bool surface = PlotSettings.geometry >= first_surface_kind;
  const int used = surface ? 2 : 1;
  int rows[2] = {-1, -1};
  for (int v = 0; v < used; ++v) rows[v] = find_variable(PlotSettings.step_var[v]);
  bool warned[2] = {false, false};
  VariableEntry saved[2];
  for (int v = 0; v < used; ++v)
    if (rows[v] >= 0) saved[v] = VariableTable.rows[rows[v]];

  for (const Call& call : calls_) {
    // Which step variables the argument names; the first of them is the one the warning is about.
    bool names[2] = {false, false};
    for (const ProgramItem& item : call.argument)
      for (int v = 0; v < used; ++v) names[v] = names[v] || (item.kind == ItemKind::Variable && item.index == rows[v]);
    const int about = names[0] ? 0 : names[1] ? 1 : -1;
    if (about < 0 || warned[about]) continue;

    double low = INFINITY, high = -INFINITY;
    bool evaluated = true;
    const int inner_count = names[0] && names[1] ? samples_per_variable : 1;
    for (int a = 0; a < samples_per_variable && evaluated; ++a) {
      for (int b = 0; b < inner_count && evaluated; ++b) {
        const int index[2] = {a, names[0] && names[1] ? b : a};
        for (int v = 0; v < used; ++v) {
          if (!names[v]) continue;
          const double f = static_cast<double>(index[v]) / (samples_per_variable - 1);
          set_variable(static_cast<int16_t>(rows[v]),
                       PlotSettings.lower_limit[v] + f * (PlotSettings.upper_limit[v] - PlotSettings.lower_limit[v]));
        }
        const double value = argument_value(call.argument);
        evaluated = std::isfinite(value);
        low = std::min(low, value);
        high = std::max(high, value);
      }
    }
    for (int v = 0; v < used; ++v)
      if (rows[v] >= 0) VariableTable.rows[rows[v]] = saved[v];
    if (!evaluated) continue;

    const double span = high - low;
    const double lower = PlotSettings.lower_limit[about], upper = PlotSettings.upper_limit[about];
    const double range = std::fabs(upper - lower);
    const bool within_a_turn = span > 0 && span <= two_pi * (1 + 1e-9);
    const bool with_pi = limit_with_pi_[about] || limit_with_pi_[about + 2];
    const bool radians_range = with_pi && span > 0 && span < range * (180 / 3.141592653589793) * (1 - 1e-9);
    if (!within_a_turn && !radians_range) continue;
    warned[about] = true;
    const std::string name = PlotSettings.step_var[about];
    std::string message = name + " runs from " + short_number(lower) + " to " + short_number(upper) + " in degrees: " +
                          (call.bare_variable ? std::string(surface ? "the surface" : "the curve")
                                              : "the argument of " + call.text) +
                          " covers " + short_number(span) + "\xC2\xB0; write angles = radians, or a range in degrees";
    Warning w;
    w.line = call.line;
    w.column = call.first + 1;
    w.token = call.text;
    w.message = std::move(message);
    warnings.push_back(std::move(w));
  }
  return warnings;
}
