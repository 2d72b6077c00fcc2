// Token positions and parenthesis matching for the checks; see line_view.h.
#include "line_view.h"

#include <cstring>

bool LineView::token_is(int i, const char* word) const {
  return i >= 0 && i < token_count && std::strcmp(tokens[i].text, word) == 0;
}

int LineView::closing(int open) const {
  int depth = 0;
  for (int i = open; i < token_count; ++i) {
    if (token_is(i, "(")) ++depth;
    if (token_is(i, ")") && --depth == 0) return i;
  }
  return -1;
}

std::vector<Span> token_spans(const char* line, const Token* tokens, int count) {
  std::vector<Span> spans(count);
  int pos = 0;
  for (int i = 0; i < count; ++i) {
    size_t length = std::strlen(tokens[i].text);
    while (line[pos] == ' ') ++pos;
    Span& span = spans[i];
    span.first = pos;
    for (size_t taken = 0; taken < length; ++pos) {
      if (line[pos] == ' ') {
        if (span.inner_space < 0) span.inner_space = pos;
        continue;
      }
      span.last = pos;
      ++taken;
    }
  }
  return spans;
}
