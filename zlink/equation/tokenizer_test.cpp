// Tokenizer: lexical quirks that later stages rely on, and the two capacity limits.
#include "equation/tokenizer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Tokenized {
  int status;
  int16_t count;
  std::string dump;
  std::string kinds;  // one digit per token: its TokenKind code
};

Tokenized tokenize(const std::string& line, int16_t capacity = max_tokens) {
  Token tokens[max_tokens + 1];
  Tokenized r{};
  r.status = tokenize_line(line.c_str(), capacity, tokens, &r.count);
  char out[8192];
  dump_tokens(tokens, r.count, out, sizeof out);
  r.dump = out;
  for (int i = 0; i < r.count; ++i) r.kinds += static_cast<char>('0' + static_cast<int>(tokens[i].kind));
  return r;
}

TEST(Tokenizer, SpacesNeverSeparateButDelimitersAlwaysDo) {
  struct Case { const char* line; const char* dump; const char* kinds; } cases[] = {
      {"x=3*cos(t)", "x|=|3|*|cos|(|t|)", "34143434"},
      {"x = 3 * cos ( t )", "x|=|3|*|cos|(|t|)", "34143434"},
      {"a b", "ab", "3"},
      {"3 .5", "3.5", "1"},
      {"t e", "te", "3"},
      {"x=-y", "x|=|-|y", "3443"},
      {"2x", "2x", "1"},
      {"a.b x2", "a.bx2", "3"},
      {"((", "(|(", "44"},
      {"a\tb", "a\tb", "3"},  // only code 32 is skipped
      {"# note", "#note", "3"},
  };
  for (const Case& c : cases) {
    Tokenized r = tokenize(c.line);
    EXPECT_EQ(r.status, 0) << c.line;
    EXPECT_EQ(r.dump, c.dump) << c.line;
    EXPECT_EQ(r.kinds, c.kinds) << c.line;
  }
}

TEST(Tokenizer, LowerCaseEMakesAnExponentNumberThatSwallowsMinus) {
  struct Case { const char* line; const char* dump; const char* kinds; } cases[] = {
      {"1e-5", "1e-5", "2"},
      {"1e+5", "1e|+|5", "241"},
      {"1E-5", "1E|-|5", "141"},
      {"2e-3-t", "2e-3-t", "2"},
      {"2 e-3", "2e-3", "2"},
      {"x=2e-3-t*4", "x|=|2e-3-t|*|4", "34241"},
      {".e-", ".e-", "2"},
  };
  for (const Case& c : cases) {
    Tokenized r = tokenize(c.line);
    EXPECT_EQ(r.status, 0) << c.line;
    EXPECT_EQ(r.dump, c.dump) << c.line;
    EXPECT_EQ(r.kinds, c.kinds) << c.line;
  }
}

TEST(Tokenizer, EmptyAndSpaceOnlyLinesGiveNoTokens) {
  for (const char* line : {"", " ", "          "}) {
    Tokenized r = tokenize(line);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.count, 0);
  }
}

TEST(Tokenizer, TokenCountLimit) {
  std::string line;
  for (int i = 0; i < 100; ++i) line += "a+";  // 200 tokens
  Tokenized ok = tokenize(line);
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.count, 200);

  Tokenized over = tokenize(line + "b");
  EXPECT_EQ(over.status, status_too_many_tokens);
  EXPECT_EQ(over.count, 200);

  // Spaces and characters that only extend the last token never hit the limit.
  std::string ends_in_name;
  for (int i = 0; i < 100; ++i) ends_in_name += "+a";
  Tokenized extended = tokenize(ends_in_name + "bc  d");
  EXPECT_EQ(extended.status, 0);
  EXPECT_EQ(extended.count, 200);

  Tokenized small = tokenize("a+b", 2);
  EXPECT_EQ(small.status, status_too_many_tokens);
  EXPECT_EQ(small.count, 2);
}

TEST(Tokenizer, TokenLengthLimit) {
  std::string name31(31, 'n');
  Tokenized ok = tokenize("x=" + name31);
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.dump, "x|=|" + name31);

  Tokenized over = tokenize("x=" + name31 + "n+1");
  EXPECT_EQ(over.status, status_name_too_long);
  EXPECT_EQ(over.count, 3);  // the tokens so far stay

  // Spaces inside a long name do not count, but they do not save it either.
  EXPECT_EQ(tokenize(std::string(16, 'a') + " " + std::string(15, 'b')).status, 0);
  EXPECT_EQ(tokenize(std::string(16, 'a') + " " + std::string(16, 'b')).status, status_name_too_long);
  EXPECT_EQ(tokenize("1e-" + std::string(29, '5')).status, status_name_too_long);
}

TEST(Tokenizer, BytesAreTakenAsTheyAre) {
  Tokenized r = tokenize("\xe9t\xff=\x01");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.dump, "\xe9t\xff|=|\x01");
  EXPECT_EQ(r.kinds, "343");
}

}  // namespace
