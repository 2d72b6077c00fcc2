// Number tokens the language reads only in part. A number token runs until the next operator or
// parenthesis (spaces dropped, and inside an exponent number the minus does not end it), but only its
// leading numeral is read: digits, a point and digits, and an exponent whose marker counts only with
// digits after it. Whatever follows is ignored without a word: "2x" is 2, "2e-3-t" is 0.002, and
// "1E-3" is 1 - 3, since only a lower-case e keeps the minus in the token.
#pragma once
#include <cstddef>
#include <vector>

#include "line_view.h"

/// Length of the leading numeral of a number token that gives its value: digits [. digits], then,
/// after at least one digit, e or E, an optional sign and digits (the marker and sign count only when
/// a digit follows them). 0 when the token starts with no digit before its exponent.
size_t numeral_length(const char* token);

/// Warns on every number token of `view` with text beyond its numeral, with the value it reads as
/// and what to write.
void check_number_tokens(const LineView& view, std::vector<Warning>* out);
