// The variable table and the language reset. Rows are appended and never removed one by one, so
// programs and keyword rows can hold row numbers; a reset starts again with the constants pi and e.
#include "equation/variables.h"

#include <cstring>

#include "equation/keywords.h"

VariableTableRecord VariableTable;

int find_variable(const char* name) {
  for (int row = 0; row < VariableTable.count; ++row) {
    if (std::strcmp(VariableTable.rows[row].name, name) == 0) return row;
  }
  return -1;
}

int add_variable(const char* name, int16_t* row) {
  *row = -1;
  if (VariableTable.count >= max_variables) return status_table_full;
  size_t length = strnlen(name, name_size);
  if (length > static_cast<size_t>(max_name_length)) return status_name_too_long;
  VariableEntry& entry = VariableTable.rows[VariableTable.count];
  std::memcpy(entry.name, name, length);
  entry.name[length] = '\0';
  entry.defined = 0;
  entry.constant = 0;
  entry.value = 0.0;
  *row = VariableTable.count++;
  return status_ok;
}

int set_variable(int16_t row, double value) {
  if (row < 0 || row >= VariableTable.count) return status_row_out_of_range;
  VariableEntry& entry = VariableTable.rows[row];
  if (entry.constant) return status_constant;
  entry.value = value;
  entry.defined = 1;
  return status_ok;
}

int get_variable(int16_t row, double* value) {
  if (row < 0 || row >= VariableTable.count) return status_row_out_of_range;
  const VariableEntry& entry = VariableTable.rows[row];
  if (!entry.defined) return status_no_value;
  *value = entry.value;
  return status_ok;
}

void define_constant(const char* name, double value) {
  int16_t row;
  if (add_variable(name, &row) != status_ok) return;
  set_variable(row, value);
  VariableTable.rows[row].constant = 1;
}

void reset_equation_tables() {
  VariableTable.count = 0;
  for (int k = 0; k < keyword_count; ++k) {
    KeywordTable[k].number = 0.0;
    KeywordTable[k].is_set = 0;
    KeywordTable[k].index = -1;
  }
  define_constant("pi", pi_value);
  define_constant("e", e_value);
}
