// What each status a Zlink notes (orvantis/host_notes.h) means, in words for the person who wrote
// the equation file: one table, which the host tells its person and the checking tool prints, so
// that both say a status alike. Header only, standard library only.
#pragma once
#include <string>

namespace orvantis {

/// One row of the table: a status and its words.
struct ZlinkStatusWords {
  int status;
  const char* words;
};

/// The statuses a Zlink notes, in the order of their codes. Every failing status of the equation
/// language has a row (the checking tool's tests hold the table to the language's statuses).
inline constexpr ZlinkStatusWords kZlinkStatusWords[] = {
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

/// The words of `status`, or null for a status the table does not hold.
constexpr const char* find_zlink_status_words(int status) {
  for (const ZlinkStatusWords& row : kZlinkStatusWords)
    if (row.status == status) return row.words;
  return nullptr;
}

/// "square root of a negative number" for -13; "status N" for a status the table does not hold.
inline std::string zlink_status_words(int status) {
  if (const char* words = find_zlink_status_words(status)) return words;
  return "status " + std::to_string(status);
}

}  // namespace orvantis
