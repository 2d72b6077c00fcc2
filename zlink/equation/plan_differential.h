// Differential checking of evaluation plans against the reduction, shared by the tests and the
// fuzzer: a line and a variable state made from bytes, and one run of the line by every path from the
// same state, compared bit for bit (status, every variable row, every keyword row), except that any
// NaN matches any NaN.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "equation/keywords.h"
#include "equation/compiler.h"
#include "equation/evaluator.h"
#include "equation/tokenizer.h"
#include "equation/variables.h"

namespace plan_check {

// Tokens the lines are made of. A line mostly follows the shape of an expression (an operand, then an
// operator, and so on), so that most lines reach their assignments; a byte with its high bit set takes
// any token instead, for the shapes the reduction rejects.
inline constexpr const char* operands[] = {
    "x", "y", "a", "b", "u", "pi", "e", "2", "2", "0", "1", "3", "0.5", "1e-25", "1e-24", "1.0000001",
    "1e999", "-", "(", "abs(", "sqrt(", "cos(", "sin(", "tan(", "acos(", "asin(", "atan(", "exp(", "ln(",
    "log(", "step_size1", "step_var1", "geometry", "spline", "degrees", "upper_limit1", "angles", "radians",
};
inline constexpr const char* operators[] = {"+", "-", "*", "/", "^", "^", ",", "=", ")", "^2", "=", "/0"};
inline constexpr const char* targets[] = {"x", "y", "a", "b", "pi", "step_size1", "step_var1", "angles",
                                          "upper_limit1", "x = y", "(x", "2"};
inline constexpr int operand_count = sizeof(operands) / sizeof(operands[0]);
inline constexpr int operator_count = sizeof(operators) / sizeof(operators[0]);
inline constexpr int target_count = sizeof(targets) / sizeof(targets[0]);

/// A line of up to `max_tokens_made` tokens after "target =", one per byte, separated by spaces.
inline std::string line_from_bytes(const uint8_t* data, size_t size, size_t max_tokens_made = 40) {
  if (size == 0) return "";
  std::string line = std::string(targets[data[0] % target_count]) + " =";
  bool operand_next = true;
  int open = 0;
  for (size_t i = 1; i < size && i <= max_tokens_made; ++i) {
    const char* token;
    if (data[i] & 0x80) {
      token = (data[i] & 1) ? operands[(data[i] >> 1) % operand_count] : operators[(data[i] >> 1) % operator_count];
    } else {
      token = operand_next ? operands[data[i] % operand_count] : operators[data[i] % operator_count];
    }
    size_t length = std::strlen(token);
    char last = token[length - 1];
    operand_next = last == '(' || token[0] == '-' || (length == 1 && std::strchr("+*/^,=", last) != nullptr);
    if (std::strcmp(token, "^2") == 0 || std::strcmp(token, "/0") == 0) operand_next = false;
    open += last == '(';
    open -= last == ')';
    line += ' ';
    line += token;
  }
  if (operand_next) line += " 1";
  for (; open > 0; --open) line += ')';
  return line;
}

// Values a variable may hold: zeros of both signs, the domain limits, infinities and NaN.
inline constexpr double interesting_values[] = {0.0, -0.0, 2.0, -1.0, 0.5, 3.0, 1e-25, -1e-12, 1.0000001,
                                                1e300, -1e-310, __builtin_inf(), -__builtin_inf(),
                                                __builtin_nan(""), 134217729.0, 0.1};
inline constexpr int interesting_count = sizeof(interesting_values) / sizeof(interesting_values[0]);
inline constexpr const char* state_names[] = {"x", "y", "a", "b", "u"};

/// Gives the state names their rows (in a fixed order, so programs see the same rows) and each, by
/// its own bits of `seed`, a value from interesting_values (bit k set for name k) or none.
inline void set_state(uint32_t seed) {
  int k = 0;
  for (const char* name : state_names) {
    int16_t row = static_cast<int16_t>(find_variable(name));
    if (row < 0 && add_variable(name, &row) != status_ok) continue;
    VariableEntry& entry = VariableTable.rows[row];
    entry.defined = 0;
    entry.value = 0.0;
    if ((seed >> k) & 1u) set_variable(row, interesting_values[((seed >> (5 + 5 * k)) & 31u) % interesting_count]);
    ++k;
  }
}

struct Outcome {
  int status;
  VariableTableRecord variables;
  KeywordEntry keywords[keyword_count + 1];
};

inline void capture(int status, Outcome* out) {
  out->status = status;
  std::memcpy(&out->variables, &VariableTable, sizeof VariableTable);
  std::memcpy(out->keywords, KeywordTable, sizeof KeywordTable);
}
inline void restore(const Outcome& state) {
  std::memcpy(&VariableTable, &state.variables, sizeof VariableTable);
  std::memcpy(KeywordTable, state.keywords, sizeof KeywordTable);
}
// Equal bits, or both NaN: which NaN a NaN operand passes on (its sign, its payload) depends on the
// order in which the compiler puts the operands of "+" and "*", which C++ leaves open, so two
// builds of the reduction itself may differ there.
inline bool same_value(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b);
}
inline bool same(const Outcome& a, const Outcome& b) {
  if (a.status != b.status || a.variables.count != b.variables.count) return false;
  for (int row = 0; row < max_variables; ++row) {
    const VariableEntry& x = a.variables.rows[row];
    const VariableEntry& y = b.variables.rows[row];
    if (std::memcmp(x.name, y.name, sizeof x.name) != 0 || x.defined != y.defined || x.constant != y.constant ||
        !same_value(x.value, y.value))
      return false;
  }
  for (int k = 0; k <= keyword_count; ++k) {
    const KeywordEntry& x = a.keywords[k];
    const KeywordEntry& y = b.keywords[k];
    if (x.is_set != y.is_set || x.index != y.index || !same_value(x.number, y.number)) return false;
  }
  return true;
}

/// Runs `items` from the current state by the reduction, by `evaluate` and by `statement`'s stored
/// plan (when not null, made from the same items), each from the same start; the current state is
/// left as the reduction left it. Returns 0 when all agree, else which path differed (1 or 2).
/// `reference` receives the reduction's outcome.
inline int compare_paths(const ProgramItem* items, int16_t count, const Statement* statement,
                         Outcome* reference) {
  static Outcome start, other;  // large: kept out of the stack
  capture(0, &start);
  capture(evaluate_reference(items, count), reference);
  restore(start);
  capture(evaluate(items, count), &other);
  if (!same(*reference, other)) return 1;
  if (statement != nullptr) {
    restore(start);
    capture(evaluate_statement(statement), &other);
    if (!same(*reference, other)) return 2;
  }
  restore(*reference);
  return 0;
}

/// Compiles `line`; 0 with the items, or the tokenizer's or compiler's status.
inline int compile_text(const char* line, ProgramItem* items, int16_t* count) {
  Token tokens[max_tokens];
  int16_t token_count = 0;
  *count = 0;
  int status = tokenize_line(line, max_tokens, tokens, &token_count);
  if (status != status_ok) return status;
  return compile_tokens(tokens, token_count, max_items, items, count);
}

}  // namespace plan_check
