// Capacities and status codes of the equation language.
// Every capacity is named here and used by the code and its tests; every failure of the language
// is one of these int statuses (0 is success), passed up the call chain, never thrown.
#pragma once
#include <cstdint>

constexpr int max_tokens = 200;          // tokens per line
constexpr int max_items = 200;           // program items per line
constexpr int name_size = 32;            // bytes of a name or token buffer: 31 characters and the NUL
constexpr int max_name_length = name_size - 1;
constexpr int max_variables = 200;       // rows of the variable table, the two constants included
constexpr int max_line_length = 200;     // characters of a file line as the reader requests them
constexpr int pool_block_data = 5000;    // data bytes of one statement pool block
constexpr int path_size = 256;           // bytes of a path buffer

// Statuses. ORDER: the arithmetic domain failures -16 to -12 stay one contiguous range.
constexpr int status_ok = 0;
constexpr int status_name_too_long = -2;      // token of 32+ characters, or new variable name of 32+
constexpr int status_too_many_tokens = -3;    // more than 200 tokens (or items)
constexpr int status_table_full = -4;         // the variable table holds 200 rows
constexpr int status_no_storage = -5;         // no storage for a statement; a plot refused for its size
constexpr int status_no_value = -6;           // an operand is a variable without a value
constexpr int status_wrong_sort = -7;         // "=" with a right operand of the wrong sort, or an unsettable keyword
constexpr int status_bad_number = -8;         // a number token from which no number can be read
constexpr int status_unbalanced = -9;         // the parentheses do not balance
constexpr int status_no_assignment = -10;     // nothing was assigned
constexpr int status_missing_operand = -11;   // a missing or wrong operand, or items left after "="'s right side
constexpr int status_division_by_zero = -12;  // division by a magnitude below 1e-24
constexpr int status_sqrt_negative = -13;     // square root of -1e-12 or less
constexpr int status_acos_domain = -14;       // acos of a magnitude above 1
constexpr int status_asin_domain = -15;       // asin of a magnitude above 1
constexpr int status_log_negative = -16;      // ln or log of a negative value
constexpr int status_row_out_of_range = -17;  // a variable row below 0 or not below the count
constexpr int status_constant = -18;          // assignment to a constant
constexpr int status_right_undefined = 105;   // variable = variable-without-value; nothing assigned

// True for the arithmetic domain failures, which the plotters treat as one group.
constexpr bool is_domain_failure(int status) { return status >= status_log_negative && status <= status_division_by_zero; }
