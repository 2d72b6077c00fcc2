// Number tokens read in part; see number_warnings.h. The value quoted is the compiler's own reading
// of the token, so the warning says what the plot computes.
#include "number_warnings.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "equation/compiler.h"
#include "text_output.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The value as this language reads it back: "1e5", "1e-5", never "1e+05" (the plus would separate).
std::string number_text(double value) {
  std::string out;
  append_number(&out, value);
  const size_t e = out.find('e');
  if (e == std::string::npos) return out;
  std::string exponent = out.substr(e + 1);
  const bool negative = !exponent.empty() && exponent[0] == '-';
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) exponent.erase(0, 1);
  exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
  return out.substr(0, e) + "e" + (negative ? "-" : "") + exponent;
}

// "e", "E", "e-" or "E+": an exponent marker with its sign but no digit.
bool bare_marker(const std::string& rest) {
  if (rest.empty() || (rest[0] != 'e' && rest[0] != 'E')) return false;
  return rest.size() == 1 || (rest.size() == 2 && (rest[1] == '-' || rest[1] == '+'));
}

}  // namespace

size_t numeral_length(const char* token) {
  size_t n = 0;
  bool digits = false;
  while (is_digit(token[n])) ++n, digits = true;
  if (token[n] == '.') {
    ++n;
    while (is_digit(token[n])) ++n, digits = true;
  }
  if (!digits) return 0;
  if (token[n] == 'e' || token[n] == 'E') {
    size_t q = n + 1;
    if (token[q] == '+' || token[q] == '-') ++q;
    if (is_digit(token[q])) {
      while (is_digit(token[q])) ++q;
      n = q;
    }
  }
  return n;
}

void check_number_tokens(const LineView& view, std::vector<Warning>* out) {
  for (int i = 0; i < view.token_count; ++i) {
    const Token& token = view.tokens[i];
    if (token.kind != TokenKind::Number && token.kind != TokenKind::ExpNumber) continue;
    const size_t length = std::strlen(token.text);
    const size_t read = numeral_length(token.text);
    if (read == 0 || read == length || std::strchr(token.text, ';') != nullptr) continue;  // ";": told apart
    double value = 0.0;
    if (read_number(token.text, &value) != 0) continue;
    const std::string numeral(token.text, read);
    const std::string rest(token.text + read);
    const Span& span = view.spans[i];

    // "1e+5" and "1E-3": a marker ends the token, and the sign after it separates.
    const bool sign_follows = view.token_is(i + 1, "+") || view.token_is(i + 1, "-");
    if (bare_marker(rest) && rest.size() == 1 && sign_follows) {
      const std::string sign = view.tokens[i + 1].text;
      const bool exponent_follows = i + 2 < view.token_count && view.tokens[i + 2].kind == TokenKind::Number;
      const std::string exponent = exponent_follows ? view.tokens[i + 2].text : "";
      const int last = exponent_follows ? view.spans[i + 2].last : view.spans[i + 1].last;
      const std::string why = rest == "E" ? "only a lower-case e starts an exponent" : "the plus always separates";
      const std::string fix = numeral + "e" + (sign == "-" ? "-" : "") + exponent;
      out->push_back(view.warning(span.first, last,
                                  numeral + " " + sign + " " + exponent + ", not an exponent (" + why +
                                      "): write " + fix));
      continue;
    }
    std::string message = "reads as " + number_text(value) + ": \"" + rest + "\" is ignored";
    if (bare_marker(rest) && rest.size() == 2) {
      message += " (an exponent needs its digits right after the e and its sign): write them there, as in " + numeral +
                 "e" + rest.substr(1) + "3";
    } else if (bare_marker(rest)) {
      message += " (an exponent needs its digits right after the e): for " + numeral + " times the constant e write " +
                 numeral + "*e";
    } else if (rest[0] == '-') {
      message += " (after the e of a number a minus does not separate, so it joins the number): write (" + numeral +
                 ")" + rest;
    } else if (rest[0] == '.') {
      message += " (a number has one decimal point)";
    } else {
      message += " (a number token ends only at an operator or a parenthesis): write " + numeral + "*" + rest;
    }
    out->push_back(view.warning(span.first, span.last, std::move(message)));
  }
}
