// Messages for the statuses of the equation language; one row per status, kept beside the limits.
#include "status_messages.h"

#include "equation/limits.h"

namespace {

struct StatusMessage {
  int status;
  const char* text;
};

constexpr StatusMessage messages[] = {
    {status_ok, "the line compiled"},
    {status_name_too_long, "a name or number is longer than 31 characters"},
    {status_too_many_tokens, "the line has more than 200 tokens"},
    {status_table_full, "too many names: the variable table is full (198 names besides pi and e)"},
    {status_no_storage, "no storage is left for the statement"},
    {status_no_value, "a variable is used before it has a value"},
    {status_wrong_sort,
     "the keyword cannot be set, or the value is not what it takes (a keyword, a name, or a "
     "finite number)"},
    {status_bad_number, "a number cannot be read (such as a lone point)"},
    {status_unbalanced, "the parentheses do not balance"},
    {status_no_assignment, "the line assigns nothing"},
    {status_missing_operand,
     "an operand is missing or of the wrong sort, or something follows the right side of \"=\""},
    {status_division_by_zero, "division by zero (a divisor smaller than 1e-24)"},
    {status_sqrt_negative, "square root of a negative number"},
    {status_acos_domain, "acos of a value outside -1 to 1"},
    {status_asin_domain, "asin of a value outside -1 to 1"},
    {status_log_negative, "logarithm of a negative number"},
    {status_row_out_of_range, "a variable row is out of range"},
    {status_constant, "a constant (pi or e) cannot be assigned"},
    {status_right_undefined, "the variable on the right of \"=\" has no value"},
};

}  // namespace

const char* status_message(int status) {
  for (const StatusMessage& m : messages) {
    if (m.status == status) return m.text;
  }
  return "the line failed";
}
