// Statement compiler: tokens become a flat program in source order. Parentheses never become items;
// they only raise the priority of the operators inside by 10 a pair, so the evaluator can always
// reduce the operator of highest priority next without a tree or a postfix form.
#include "equation/compiler.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "equation/keywords.h"
#include "equation/evaluation_plan.h"
#include "equation/operators.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Converts the validated numeral in the C locale, whatever locale the host process runs in.
double convert_numeral(const char* numeral) {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (c_locale != static_cast<locale_t>(nullptr)) return strtod_l(numeral, nullptr, c_locale);
  return std::strtod(numeral, nullptr);
}

}  // namespace

int find_operator(const char* text, int16_t* precedence) {
  for (int id = 0; id < op_end; ++id) {
    if (std::strcmp(OperatorTable[id].name, text) == 0) {
      *precedence = OperatorTable[id].precedence;
      return id;
    }
  }
  return op_end;
}

int read_number(const char* text, double* value) {
  // The numeral is copied without an exponent marker or sign that no digit follows, so the
  // conversion sees exactly the part that counts: digits [. digits] [e [sign] digits].
  char numeral[name_size + 8];
  size_t out = 0;
  const size_t room = sizeof numeral - 1;
  const char* p = text;
  bool digits = false;
  while (is_digit(*p) && out < room) { numeral[out++] = *p++; digits = true; }
  if (*p == '.' && out < room) {
    numeral[out++] = *p++;
    while (is_digit(*p) && out < room) { numeral[out++] = *p++; digits = true; }
  }
  if (!digits) return status_bad_number;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (is_digit(*q) && out + 2 < room) {
      numeral[out++] = 'e';
      if (q[-1] == '-') numeral[out++] = '-';
      while (is_digit(*q) && out < room) numeral[out++] = *q++;
    }
  }
  numeral[out] = '\0';
  *value = convert_numeral(numeral);
  return status_ok;
}

int compile_tokens(const Token* tokens, int16_t token_count, int16_t capacity, ProgramItem* items,
                   int16_t* item_count) {
  *item_count = 0;
  int depth = 0;
  for (int t = 0; t < token_count; ++t) {
    const Token& token = tokens[t];
    if (std::strcmp(token.text, "(") == 0) { depth += paren_depth_step; continue; }
    if (std::strcmp(token.text, ")") == 0) { depth -= paren_depth_step; continue; }
    if (*item_count >= capacity) return status_too_many_tokens;  // never for a program from a line
    ProgramItem item{ItemKind::Number, -1, -1, 0.0};
    if (token.kind == TokenKind::Number || token.kind == TokenKind::ExpNumber) {
      if (read_number(token.text, &item.value) != status_ok) return status_bad_number;
    } else {
      int16_t precedence = 0;
      int id = find_operator(token.text, &precedence);
      int keyword = id == op_end ? find_keyword(token.text) : -1;
      if (id != op_end) {
        item = {ItemKind::Operator, static_cast<int16_t>(id), static_cast<int16_t>(precedence + depth), 0.0};
      } else if (keyword >= 0) {
        item = {ItemKind::Keyword, static_cast<int16_t>(keyword), 0, 0.0};
      } else {
        int16_t row = static_cast<int16_t>(find_variable(token.text));
        if (row < 0) {
          int status = add_variable(token.text, &row);
          if (status != status_ok) return status;
        }
        item = {ItemKind::Variable, row, 0, 0.0};
      }
    }
    items[(*item_count)++] = item;
  }
  // A minus right after any operator or function is a negation, of the negation's precedence.
  for (int i = 1; i < *item_count; ++i) {
    ProgramItem& item = items[i];
    if (item.kind == ItemKind::Operator && item.index == op_subtract &&
        items[i - 1].kind == ItemKind::Operator) {
      item.index = op_negate;
      item.priority = static_cast<int16_t>(item.priority + OperatorTable[op_negate].precedence -
                                           OperatorTable[op_subtract].precedence);
    }
  }
  return depth != 0 ? status_unbalanced : status_ok;
}

Statement* make_statement(const char* text, int16_t item_count, const ProgramItem* items) {
  if (item_count < 0 || item_count > max_items) return nullptr;
  size_t text_size = std::strlen(text) + 1;
  if (text_size > static_cast<size_t>(pool_block_data)) return nullptr;  // no block could hold it
  auto* statement = static_cast<Statement*>(pool_alloc(static_cast<int16_t>(sizeof(Statement))));
  if (statement == nullptr) return nullptr;
  auto* program = static_cast<ProgramItem*>(
      pool_alloc(static_cast<int16_t>(item_count * static_cast<int>(sizeof(ProgramItem)))));
  if (program == nullptr) return nullptr;
  auto* copy = static_cast<char*>(pool_alloc(static_cast<int16_t>(text_size)));
  if (copy == nullptr) return nullptr;
  if (item_count > 0) std::memcpy(program, items, static_cast<size_t>(item_count) * sizeof(ProgramItem));
  std::memcpy(copy, text, text_size);
  statement->program = program;
  statement->length = item_count;
  statement->text = copy;
  statement->tag = item_count;
  statement->next = nullptr;
  statement->failed_status = 0;
  PlanBuffer buffer;
  statement->plan = store_plan(*plan_program(program, item_count, &buffer));
  return statement;
}

void dump_program(const ProgramItem* items, int16_t count, char* out, int out_size) {
  if (out_size <= 0) return;
  out[0] = '\0';
  size_t used = 0;
  for (int i = 0; i < count; ++i) {
    const ProgramItem& item = items[i];
    char piece[64];
    switch (item.kind) {
      case ItemKind::Number: {
        auto result = std::to_chars(piece, piece + sizeof piece - 1, item.value);
        *(result.ec == std::errc() ? result.ptr : piece) = '\0';
        break;
      }
      case ItemKind::Variable:
        if (item.index >= 0 && item.index < VariableTable.count) {
          std::snprintf(piece, sizeof piece, "%s", VariableTable.rows[item.index].name);
        } else {
          std::snprintf(piece, sizeof piece, "var#%d", item.index);
        }
        break;
      case ItemKind::Operator:
        std::snprintf(piece, sizeof piece, "%s@%d",
                      item.index >= 0 && item.index < op_end ? OperatorTable[item.index].name : "?",
                      item.priority);
        break;
      case ItemKind::Keyword:
        std::snprintf(piece, sizeof piece, "%s",
                      item.index >= 0 && item.index < keyword_count ? KeywordTable[item.index].name : "?");
        break;
      default:
        std::snprintf(piece, sizeof piece, "_");
        break;
    }
    int n = std::snprintf(out + used, static_cast<size_t>(out_size) - used, "%s%s", i ? " " : "", piece);
    if (n < 0 || used + static_cast<size_t>(n) >= static_cast<size_t>(out_size)) return;
    used += static_cast<size_t>(n);
  }
}
