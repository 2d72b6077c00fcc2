// Operand fetch and the rules of "=", shared by the reduction and the plan runner.
#pragma once
#include "equation/program.h"

/// The value of an operand that must give one: 0 with `*value` for a number or a variable that has a
/// value; -6 for a variable without one, -17 for a row out of range, -11 for any other item.
int operand_value(const ProgramItem& item, double* value);

/// "=" with `target` on its left and `source` on its right. 0 with the value the assignment leaves
/// in its item (the number assigned; 0.0 for a keyword- or name-valued keyword), else -7, -11, -17,
/// -18 or 105, changing nothing.
int assign(const ProgramItem& target, const ProgramItem& source, double* result);
