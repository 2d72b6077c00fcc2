// Statement tokenizer: cuts one line into numbers, names and one-character delimiters.
// Spaces (code 32 only) are dropped everywhere, even inside names; a lower-case "e" turns a number
// into an exponent number inside which the minus no longer separates. Later stages rely on these rules.
#pragma once
#include <cstdint>
#include "equation/limits.h"

enum class TokenKind : int32_t {
  Number = 1,     // began with one of ".0123456789"
  ExpNumber = 2,  // a Number that has taken a lower-case "e"
  Name = 3,       // began with any other character that is not a delimiter
  Delimiter = 4,  // exactly one of "()*/+^=-,"
};

struct Token {
  char text[name_size];  // at most 31 characters and the NUL
  TokenKind kind;
};

/// Tokenizes `line` into `tokens` (room for `capacity`). `count` is set to 0 and raised per token begun.
/// Returns 0, -3 when a further token is needed at capacity, -2 when a token would exceed 31 characters;
/// on failure the tokens so far stay in the array.
int tokenize_line(const char* line, int16_t capacity, Token* tokens, int16_t* count);

/// One readable line for a token list, for tests and tools: `x = 3 * cos ( t )` as `x|=|3|*|cos|(|t|)`.
void dump_tokens(const Token* tokens, int16_t count, char* out, int out_size);
