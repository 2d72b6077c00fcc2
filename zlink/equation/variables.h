// The variable table: every name the current file mentions, with its value; rows 0 and 1 are the
// constants pi and e. Rows are only appended, so a row number stays valid until the next reset.
#pragma once
#include <cstdint>
#include "equation/limits.h"

struct VariableEntry {
  char name[name_size];
  uint8_t defined;   // 1 once the variable has a value
  uint8_t constant;  // 1 for pi and e: never assigned, left out of the trace log
  double value;      // 0.0 until the first assignment
};

struct VariableTableRecord {
  VariableEntry rows[max_variables];
  int16_t count;
};
extern VariableTableRecord VariableTable;

constexpr double pi_value = 3.141592653589793;
constexpr double e_value = 2.718281828459045;

/// First row named exactly `name`, or -1.
int find_variable(const char* name);
/// Appends a row without a value; 0 and the row, or -4 (full) / -2 (32+ characters) with row -1.
int add_variable(const char* name, int16_t* row);
/// 0, -17 for a row out of range, -18 for a constant.
int set_variable(int16_t row, double value);
/// 0 with the value, -17 for a row out of range, -6 for a variable without a value.
int get_variable(int16_t row, double* value);
/// add_variable, set_variable, then marks the row constant; a failure does nothing.
void define_constant(const char* name, double value);
/// Empties the variable table, clears every keyword row, defines pi and e.
void reset_equation_tables();
