// Other languages' forms; see syntax_warnings.h. The statuses a warning explains are those the
// statement then fails with in a plot (an operand missing or of the wrong sort, a variable without a
// value), so the dry run can give the warning's words instead of the evaluator's.
#include "syntax_warnings.h"

#include <cstring>
#include <string>

#include "equation/keywords.h"
#include "equation/limits.h"
#include "equation/operators.h"
#include "nearest_name.h"

namespace {

const std::vector<int> structural_failures = {status_missing_operand, status_no_value, status_right_undefined};

bool is_function(const char* name) {
  for (int id = op_abs; id < op_end; ++id)
    if (std::strcmp(name, OperatorTable[id].name) == 0) return true;
  return false;
}

// A name that could be a variable of the line: not an operator, function or keyword, not a note.
bool plain_name(const Token& token) {
  return token.kind == TokenKind::Name && token.text[0] != '#' && !is_function(token.text) &&
         find_keyword(token.text) < 0 && std::strchr(token.text, ';') == nullptr;
}

// "a, b and c" (or "a, b or c").
std::string joined(const std::vector<std::string>& words, const char* last = " and ") {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) out += (i == 0 ? "" : i + 1 == words.size() ? last : ", ") + words[i];
  return out;
}

// The text after token `i`, without the spaces around it.
std::string text_after(const LineView& view, int i) {
  std::string rest(view.line + view.spans[i].last + 1);
  size_t first = rest.find_first_not_of(' ');
  size_t last = rest.find_last_not_of(' ');
  return first == std::string::npos ? "" : rest.substr(first, last - first + 1);
}

// "x(t) = cos(t)": the parentheses only group, so "=" takes the nearest operand on its left.
bool check_definition(const LineView& view, std::vector<Warning>* out) {
  if (view.route != LineRoute::Statement || view.token_count < 4 || !plain_name(view.tokens[0]) ||
      !view.token_is(1, "("))
    return false;
  const int close = view.closing(1);
  if (close <= 2 || !view.token_is(close + 1, "=")) return false;
  const std::string name = view.tokens[0].text;
  const std::string fix = "write " + name + " = " + text_after(view, close + 1);
  Warning w = view.warning(view.spans[0].first, view.spans[close].last, "");
  if (close == 3 && plain_name(view.tokens[2])) {
    const std::string inner = view.tokens[2].text;
    w.message = "assigns the right side to " + inner + " here, not to " + name +
                " (a name before a parenthesis defines no function: " + name + " and (" + inner +
                ") are two operands, and \"=\" takes the nearer one), so this line never assigns " + name + ": " + fix;
  } else {
    w.message = "fails at every step here (a name before a parenthesis defines no function, and \"=\" needs one "
                "variable on its left), so this line never assigns " + name + ": " + fix;
    w.explains = structural_failures;
  }
  out->push_back(std::move(w));
  return true;
}

void check_unknown_functions(const LineView& view, bool definition, std::vector<Warning>* out) {
  for (int i = definition ? 1 : 0; i + 1 < view.token_count; ++i) {
    if (!plain_name(view.tokens[i]) || !view.token_is(i + 1, "(")) continue;
    const std::string name = view.tokens[i].text;
    const int close = view.closing(i + 1);
    Warning w = view.warning(view.spans[i].first, view.spans[close >= 0 ? close : i].last, "");
    const std::string nearest = nearest_word(name, function_names());
    if (!nearest.empty()) {
      w.message = "no function \"" + name + "\"; did you mean \"" + nearest + "\"? (\"" + name +
                  "\" is a variable here, and a variable takes no parenthesis)";
    } else {
      w.message = "no function \"" + name + "\": the functions are " + joined(function_names()) + "; " +
                  (name == "pow" ? "for a power write a^b" : "to multiply, write " + name + "*(...)");
    }
    w.explains = structural_failures;
    out->push_back(std::move(w));
  }
}

void check_doubled_operators(const LineView& view, std::vector<Warning>* out) {
  for (int i = 0; i + 1 < view.token_count; ++i) {
    const bool divisions = view.token_is(i, "/") && view.token_is(i + 1, "/");
    const bool products = view.token_is(i, "*") && view.token_is(i + 1, "*");
    if (!divisions && !products) continue;
    Warning w = view.warning(view.spans[i].first, view.spans[i + 1].last, "");
    if (divisions) {
      w.message = "\"//\" starts no comment here (nor an integer division): it is two divisions in a row, so the "
                  "statement fails at every step; there are no comments: write a note on a line of its own as "
                  "\"# words = 0\"";
    } else {
      const std::string base = i > 0 ? view.tokens[i - 1].text : "a";
      std::string power = i + 2 < view.token_count ? view.tokens[i + 2].text : "b";
      power = power.substr(0, power.find(';'));
      w.message = "\"**\" is no power here: it is two multiplications in a row, so the statement fails at every "
                  "step: write " + base + "^" + power;
    }
    w.explains = structural_failures;
    out->push_back(std::move(w));
    ++i;
  }
}

void check_semicolons(const LineView& view, std::vector<Warning>* out) {
  for (int i = 0; i < view.token_count; ++i) {
    const Token& token = view.tokens[i];
    if (token.text[0] == '#' || std::strchr(token.text, ';') == nullptr) continue;
    const std::string name = token.text;
    std::string message = "\";\" ends no statement here: it is a character of names, so ";
    if (token.kind != TokenKind::Name) {
      message = "\";\" ends no statement here: it joins the number into the token \"" + name +
                "\", whose text after the number is ignored: drop the \";\"";
    } else if (name == ";") {
      message += "it is a variable of its own with no value, and the statement fails at every step: drop the \";\"";
    } else if (name.back() == ';' && name.find(';') == name.size() - 1) {
      message += "\"" + name + "\" is one name, a variable no line assigns: drop the \";\"";
    } else {
      message += "\"" + name + "\" is one name: write each statement on a line of its own, without \";\"";
    }
    Warning w = view.warning(view.spans[i].first, view.spans[i].last, std::move(message));
    w.explains = structural_failures;
    out->push_back(std::move(w));
  }
}

}  // namespace

void check_foreign_syntax(const LineView& view, std::vector<Warning>* out) {
  const bool definition = check_definition(view, out);
  check_unknown_functions(view, definition, out);
  check_doubled_operators(view, out);
  check_semicolons(view, out);
}

void check_settings_value(const LineView& view, std::vector<Warning>* out) {
  if (view.token_count != 3 || !view.token_is(1, "=")) return;
  const int keyword = find_keyword(view.tokens[0].text);
  if (keyword != kw_geometry && keyword != kw_angles) return;
  const int value = find_keyword(view.tokens[2].text);
  const bool geometry = keyword == kw_geometry;
  if (geometry ? (value >= first_curve_kind && value <= last_surface_kind) : (value == kw_degrees || value == kw_radians))
    return;
  std::vector<std::string> words;
  if (geometry) {
    for (int row = first_curve_kind; row <= last_surface_kind; ++row) words.push_back(KeywordTable[row].name);
  } else {
    words = {KeywordTable[kw_degrees].name, KeywordTable[kw_radians].name};
  }
  std::string message = std::string(geometry ? "not a geometry kind" : "not an angle unit") +
                        ", so the line sets nothing: " + (geometry ? "geometry" : "angles") + " takes " +
                        (geometry ? "one of the nine kinds " : "") + joined(words, " or ");
  if (view.tokens[2].kind == TokenKind::Name) {
    const std::string nearest = nearest_word(view.tokens[2].text, words);
    if (!nearest.empty()) message += "; did you mean \"" + nearest + "\"?";
  }
  out->push_back(view.warning(view.spans[2].first, view.spans[2].last, std::move(message)));
}
