// The status words, one row a status, in the order of the codes.
#include "core/zlink_status_words.h"

namespace orv {
namespace {

struct StatusWords {
  int status;
  const char* words;
};

constexpr StatusWords kWords[] = {
    {-2, "a name or number is longer than 31 characters"},
    {-3, "the line has more than 200 tokens"},
    {-4, "too many names: the variable table is full"},
    {-5, "no storage is left for it"},
    {-6, "a variable is used before it has a value"},
    {-7, "the keyword cannot be set, or the value is not what it takes"},
    {-8, "a number cannot be read (such as a lone point)"},
    {-9, "the parentheses do not balance"},
    {-10, "it assigns nothing (a statement needs \"=\")"},
    {-11, "an operand is missing or of the wrong sort"},
    {-12, "division by zero"},
    {-13, "square root of a negative number"},
    {-14, "acos of a value outside -1 to 1"},
    {-15, "asin of a value outside -1 to 1"},
    {-16, "logarithm of a negative number"},
    {-17, "a variable row is out of range"},
    {-18, "a constant (pi or e) cannot be assigned"},
    {105, "the variable on the right of \"=\" has no value"},
};

}  // namespace

std::string zlink_status_words(int status) {
  for (const StatusWords& w : kWords)
    if (w.status == status) return w.words;
  return "status " + std::to_string(status);
}

}  // namespace orv
