// One line as the checks see it: its tokens with where each stands in the line, and, when it
// compiled, its program with the token behind every item. The checks quote the line's own text, so
// a warning shows what was written, spaces included.
#pragma once
#include <string>
#include <vector>

#include "equation/line_routing.h"
#include "equation/program.h"
#include "equation/tokenizer.h"

/// One warning: where, the text it is about as written, and what to do, in words.
struct Warning {
  long line = 0;
  int column = 0;       // 1-based byte column in the line
  std::string token;    // the text it is about, as written
  std::string message;  // in words
  std::vector<int> explains;  // plot statuses of this line that the message explains better
};

struct Span {
  int first = 0;         // index of the token's first character in the line
  int last = 0;          // index of its last character
  int inner_space = -1;  // index of the first space between its characters, -1 when none
};

struct LineView {
  const char* line = nullptr;
  long number = 0;
  LineRoute route = LineRoute::Blank;
  int status = 0;
  const Token* tokens = nullptr;
  int token_count = 0;
  std::vector<Span> spans;          // by token
  const ProgramItem* items = nullptr;
  int item_count = 0;               // 0 when the line did not compile
  std::vector<int> token_of_item;   // items are the tokens other than parentheses, in order

  /// The line's characters from index `first` to `last`, both included.
  std::string text(int first, int last) const { return std::string(line + first, line + last + 1); }
  /// The text of tokens `first` to `last` as written.
  std::string tokens_text(int first, int last) const { return text(spans[first].first, spans[last].last); }
  bool token_is(int i, const char* text) const;
  /// A warning about the line's characters `first` to `last`.
  Warning warning(int first, int last, std::string message) const {
    return Warning{number, first + 1, text(first, last), std::move(message), {}};
  }
  /// The token that closes the parenthesis token `open`, or -1 when none does.
  int closing(int open) const;
};

/// Where each token stands in the line: the tokenizer only drops spaces, so the tokens' characters
/// are the line's other characters, in order.
std::vector<Span> token_spans(const char* line, const Token* tokens, int count);
