// Warnings; see warnings.h. A line is tokenized and compiled again here, after compile_line has
// handled it: every name is then already a variable, so this adds nothing to the tables. Token
// columns come from the line itself: the tokenizer only drops spaces, so the tokens' characters are
// the line's other characters, in order.
#include "warnings.h"

#include <algorithm>
#include <cstring>

#include "angle_warnings.h"
#include "equation/keywords.h"
#include "equation/compiler.h"
#include "equation/operators.h"
#include "equation/tokenizer.h"
#include "equation/variables.h"
#include "number_warnings.h"
#include "syntax_warnings.h"

namespace {

std::string text_of(const char* line, int first, int last) { return std::string(line + first, line + last + 1); }

bool equal_ignoring_case(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// The keyword or function that `name` spells in another case, or null.
const char* miscased_word(const char* name) {
  for (int row = 0; row < keyword_count; ++row)
    if (std::strcmp(name, KeywordTable[row].name) != 0 && equal_ignoring_case(name, KeywordTable[row].name))
      return KeywordTable[row].name;
  for (int id = op_abs; id < op_end; ++id)
    if (std::strcmp(name, OperatorTable[id].name) != 0 && equal_ignoring_case(name, OperatorTable[id].name))
      return OperatorTable[id].name;
  return nullptr;
}

bool is_function_name(const std::string& text) {
  for (int id = op_abs; id < op_end; ++id)
    if (text == OperatorTable[id].name) return true;
  return false;
}

bool is_operator(const ProgramItem& item, int id) { return item.kind == ItemKind::Operator && item.index == id; }

}  // namespace

void WarningCollector::add_loss(long number, bool cut, int limit, int nul_column) {
  if (nul_column > 0)
    warnings_.push_back({number, nul_column, "\\0", "a NUL byte: the Zlink reads the line only up to it", {}});
  if (cut)
    warnings_.push_back({number, limit + 1, "",
                         "the line is longer than " + std::to_string(limit) + " characters; the Zlink reads only the first " +
                             std::to_string(limit), {}});
}

void WarningCollector::add_line(const char* line, long number, LineRoute route, int status) {
  if (status != status_ok && route != LineRoute::Failed) return;
  Token tokens[max_tokens];
  int16_t token_count = 0;
  if (tokenize_line(line, max_tokens, tokens, &token_count) != status_ok) return;
  LineView view;
  view.line = line;
  view.number = number;
  view.route = route;
  view.status = status;
  view.tokens = tokens;
  view.token_count = token_count;
  view.spans = token_spans(line, tokens, token_count);
  std::vector<Warning> found;  // this line's, in the order the checks give them
  if (status != status_ok) {
    check_settings_value(view, &found);
    keep_one_a_token(std::move(found));
    return;
  }
  if (route != LineRoute::Statement && route != LineRoute::Settings) return;
  ProgramItem items[max_items];
  int16_t item_count = 0;
  if (compile_tokens(tokens, token_count, max_items, items, &item_count) != status_ok) return;
  view.items = items;
  view.item_count = item_count;
  const std::vector<Span>& spans = view.spans;
  auto warn = [&](int first, int last, std::string message) { found.push_back(view.warning(first, last, std::move(message))); };

  check_number_tokens(view, &found);
  // Token by token: names.
  std::vector<int>& token_of_item = view.token_of_item;
  for (int i = 0; i < token_count; ++i) {
    const Token& token = tokens[i];
    const Span& span = spans[i];
    if (std::strcmp(token.text, "(") != 0 && std::strcmp(token.text, ")") != 0) token_of_item.push_back(i);
    if (token.kind != TokenKind::Name) continue;
    if (std::strchr(token.text, '\t') != nullptr) {
      warn(span.first, span.last,
           "a tab inside a name joins its parts into one name (only spaces are dropped)");
    }
    if (span.inner_space >= 0 && is_function_name(text_of(line, span.first, span.inner_space - 1))) {
      std::string function = text_of(line, span.first, span.inner_space - 1);
      warn(span.first, span.last,
           "the variable \"" + std::string(token.text) + "\", not the function " + function +
               ": a function needs its parenthesis, " + function + "(" + std::string(token.text + function.size()) + ")");
    }
    if (const char* word = miscased_word(token.text)) {
      bool keyword = find_keyword(word) >= 0;
      warn(span.first, span.last,
           std::string("not the ") + (keyword ? "keyword" : "function") + " \"" + word +
               "\" (names are case-sensitive) but a variable" + (keyword && i == 0 ? ", so the line is a statement" : ""));
    }
  }
  angles_.add_line(view);
  check_foreign_syntax(view, &found);

  // Item by item: what the program does.
  if (static_cast<int>(token_of_item.size()) != item_count) return keep_one_a_token(std::move(found));  // never so
  for (int k = 0; k < item_count; ++k) {
    if (!is_operator(items[k], op_negate)) continue;
    // The operand of a prefix minus is everything up to the next operator it outranks or equals.
    for (int j = k + 1; j < item_count; ++j) {
      if (items[j].kind != ItemKind::Operator || items[j].priority > items[k].priority) continue;
      if (is_operator(items[j], op_power) && items[j].priority == items[k].priority) {
        int last = j + 1 < item_count ? spans[token_of_item[j + 1]].last : spans[token_of_item[j]].last;
        warn(spans[token_of_item[k]].first, last,
             "the minus goes first, so this squares the negation, (-a)^b: write -(a^b) or 0 - a^b");
      }
      break;
    }
  }
  if (route != LineRoute::Statement) return keep_one_a_token(std::move(found));
  bool assigns = false;
  for (int k = 0; k < item_count; ++k) assigns = assigns || is_operator(items[k], op_assign);
  if (!assigns) {
    int first = spans[0].first;
    int last = spans[token_count - 1].last;
    if (tokens[0].text[0] == '#') {
      warn(first, last, "looks like a note but assigns nothing, so it fails at every step: end it with \"= 0\"");
    } else {
      warn(first, last, "assigns nothing, so it fails at every step: a statement needs \"=\"");
    }
  }
  size_t rows = static_cast<size_t>(VariableTable.count);
  if (assigned_.size() < rows) {
    assigned_.resize(rows, false);
    read_seen_.resize(rows, false);
    first_read_.resize(rows);
  }
  for (int k = 0; k < item_count; ++k) {
    if (items[k].kind != ItemKind::Variable) continue;
    const int row = items[k].index;
    const Span& span = spans[token_of_item[k]];
    bool target = k + 1 < item_count && is_operator(items[k + 1], op_assign);
    if (target && VariableTable.rows[row].constant) {
      warn(span.first, span.last, "a constant: assigning it fails at every step");
    } else if (target) {
      assigned_[row] = true;
    } else if (!read_seen_[row]) {
      read_seen_[row] = true;
      first_read_[row] = {number, span.first + 1, text_of(line, span.first, span.last)};
    }
  }
  keep_one_a_token(std::move(found));
}

void WarningCollector::keep_one_a_token(std::vector<Warning> found) {
  std::vector<int> columns;
  for (Warning& w : found) {
    if (std::find(columns.begin(), columns.end(), w.column) != columns.end()) continue;
    columns.push_back(w.column);
    warnings_.push_back(std::move(w));
  }
}

const Warning* explaining_warning(const std::vector<Warning>& warnings, long line, int status) {
  for (const Warning& w : warnings)
    if (w.line == line && std::find(w.explains.begin(), w.explains.end(), status) != w.explains.end()) return &w;
  return nullptr;
}

std::vector<Warning> WarningCollector::finish(const std::set<std::string>& step_variables) {
  for (size_t row = 0; row < read_seen_.size(); ++row) {
    const VariableEntry& v = VariableTable.rows[row];
    if (!read_seen_[row] || assigned_[row] || v.constant || step_variables.count(v.name) != 0) continue;
    const Read& r = first_read_[row];
    bool told = false;  // one warning a token: the one already given says more
    for (const Warning& w : warnings_) told = told || (w.line == r.line && w.column == r.column);
    if (told) continue;
    warnings_.push_back({r.line, r.column, r.token,
                         "read, but no line assigns it and it is not a step variable: the statement fails", {}});
  }
  for (Warning& w : angles_.finish()) warnings_.push_back(std::move(w));
  std::stable_sort(warnings_.begin(), warnings_.end(), [](const Warning& a, const Warning& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  return warnings_;
}
