// The operator table: operators and functions in the order the compiler searches them.
// An operator's id is its row; row 19 (empty name) ends the table. The evaluator's switch on id
// and this table must stay in step (ORDER OPERATORS).
#pragma once
#include <cstdint>

struct OperatorDef {
  char name[8];
  int32_t id;          // equal to the row
  int16_t infix;       // 1: operand on each side; 0: only on the right (prefix minus, functions)
  int16_t precedence;
  int32_t left_assoc;  // 1: of two equal priorities the left is reduced first
};

enum OperatorId : int32_t {
  op_assign = 0, op_add, op_subtract, op_negate, op_multiply, op_divide, op_power, op_comma,
  op_abs, op_sqrt, op_cos, op_sin, op_tan, op_acos, op_asin, op_atan, op_exp, op_ln, op_log,
  op_end,  // 19: end of table, returned by find_operator when nothing matches
};

inline constexpr OperatorDef OperatorTable[] = {
    {"=", op_assign, 1, 0, 0},     {"+", op_add, 1, 1, 1},       {"-", op_subtract, 1, 1, 1},
    {"-", op_negate, 0, 4, 0},     {"*", op_multiply, 1, 2, 1},  {"/", op_divide, 1, 2, 1},
    {"^", op_power, 1, 4, 1},      {",", op_comma, 1, 0, 0},     {"abs", op_abs, 0, 5, 1},
    {"sqrt", op_sqrt, 0, 5, 1},    {"cos", op_cos, 0, 5, 1},     {"sin", op_sin, 0, 5, 1},
    {"tan", op_tan, 0, 5, 1},      {"acos", op_acos, 0, 5, 1},   {"asin", op_asin, 0, 5, 1},
    {"atan", op_atan, 0, 5, 1},    {"exp", op_exp, 0, 5, 1},     {"ln", op_ln, 0, 5, 1},
    {"log", op_log, 0, 5, 1},      {"", op_end, 0, 0, 1},
};
static_assert(sizeof(OperatorTable) / sizeof(OperatorTable[0]) == op_end + 1, "ORDER OPERATORS");

constexpr int paren_depth_step = 10;  // each pair of parentheses adds this to the priorities inside
