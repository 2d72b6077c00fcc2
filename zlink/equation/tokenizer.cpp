// Statement tokenizer: one pass over the line with a single "open" flag that says whether the last
// token may still grow. Spaces never separate; a delimiter always stands alone; inside an exponent
// number the minus sign is an ordinary character, so "2e-3-t" stays one token.
#include "equation/tokenizer.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* full_delimiters = "()*/+^=-,";
constexpr const char* exponent_delimiters = "()*/+^=,";  // the full set without the minus
constexpr const char* number_starts = ".0123456789";

bool in_set(const char* set, char c) { return c != '\0' && std::strchr(set, c) != nullptr; }

// Appends `c` to `token`; -2 when the text already holds the most a name may hold.
int append_char(Token* token, char c) {
  size_t length = std::strlen(token->text);
  if (length >= static_cast<size_t>(max_name_length)) return status_name_too_long;
  token->text[length] = c;
  token->text[length + 1] = '\0';
  return status_ok;
}

}  // namespace

int tokenize_line(const char* line, int16_t capacity, Token* tokens, int16_t* count) {
  *count = 0;
  bool open = false;
  for (const char* p = line; *p != '\0'; ++p) {
    char c = *p;
    if (c == ' ') continue;  // neither ends nor begins a token
    if (open) {
      Token* last = &tokens[*count - 1];
      const char* set = last->kind == TokenKind::ExpNumber ? exponent_delimiters : full_delimiters;
      if (last->kind == TokenKind::Number && c == 'e') last->kind = TokenKind::ExpNumber;
      if (!in_set(set, c)) {
        int status = append_char(last, c);
        if (status != status_ok) return status;
        continue;
      }
    }
    if (*count >= capacity) return status_too_many_tokens;
    Token* token = &tokens[*count];
    if (in_set(full_delimiters, c)) {
      token->kind = TokenKind::Delimiter;
    } else if (in_set(number_starts, c)) {
      token->kind = TokenKind::Number;
    } else {
      token->kind = TokenKind::Name;
    }
    token->text[0] = '\0';
    ++*count;
    append_char(token, c);  // an empty token always has room
    open = token->kind != TokenKind::Delimiter;
  }
  return status_ok;
}

void dump_tokens(const Token* tokens, int16_t count, char* out, int out_size) {
  if (out_size <= 0) return;
  out[0] = '\0';
  size_t used = 0;
  for (int i = 0; i < count; ++i) {
    int n = std::snprintf(out + used, static_cast<size_t>(out_size) - used, "%s%s", i ? "|" : "",
                          tokens[i].text);
    if (n < 0 || used + static_cast<size_t>(n) >= static_cast<size_t>(out_size)) return;
    used += static_cast<size_t>(n);
  }
}
