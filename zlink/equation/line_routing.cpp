// Line routing: what becomes of one file line. Blank lines vanish, the origin line is read as literal
// numbers without evaluation, a line that begins with a keyword is a settings line evaluated at once,
// and every other line that compiles is stored as a statement at the tail of the list.
#include "equation/line_routing.h"

#include <cmath>
#include <cstring>

#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/compiler.h"
#include "equation/evaluator.h"
#include "equation/operators.h"
#include "equation/tokenizer.h"

int compile_line(const char* line, Statement** head, Statement** tail) {
  LineRoute route;
  return compile_line(line, head, tail, &route);
}

int compile_line(const char* line, Statement** head, Statement** tail, LineRoute* route) {
  *route = LineRoute::Failed;
  Token tokens[max_tokens];
  int16_t token_count = 0;
  int status = tokenize_line(line, max_tokens, tokens, &token_count);
  if (status != status_ok) return status;
  *route = LineRoute::Blank;
  if (token_count == 0) return status_ok;

  ProgramItem items[max_items];
  int16_t item_count = 0;
  status = compile_tokens(tokens, token_count, max_items, items, &item_count);
  if (std::strcmp(tokens[0].text, "origin") == 0) {
    parse_origin_line(items, item_count);  // whatever the compiler reported
    *route = LineRoute::Origin;
    return status_ok;
  }
  *route = LineRoute::Failed;
  if (status != status_ok) return status;
  *route = LineRoute::Blank;
  if (item_count == 0) return status_ok;
  if (items[0].kind == ItemKind::Keyword) {
    status = evaluate(items, item_count);
    *route = status == status_ok ? LineRoute::Settings : LineRoute::Failed;
    return status;
  }

  *route = LineRoute::Failed;
  Statement* statement = make_statement(line, item_count, items);
  if (statement == nullptr) return status_no_storage;
  *route = LineRoute::Statement;
  if (*head == nullptr) {
    *head = statement;
  } else {
    (*tail)->next = statement;
  }
  *tail = statement;
  return status_ok;
}

void parse_origin_line(const ProgramItem* items, int16_t count) {
  double sign = 1.0;
  int next = 0;
  for (int i = 0; i < count; ++i) {
    const ProgramItem& item = items[i];
    if (item.kind == ItemKind::Number) {
      if (next < 3) {
        double value = sign * item.value;
        if (std::isfinite(value)) PlotSettings.origin[next] = value;  // the origin stays finite
        ++next;
      }
      sign = 1.0;
    } else if (item.kind == ItemKind::Operator && (item.index == op_subtract || item.index == op_negate)) {
      sign = -1.0;
    }
  }
}
