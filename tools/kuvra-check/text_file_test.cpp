// What the checker takes for a text file before it reads one as equations.
#include "text_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextFile, WhatLooksLikeText) {
  const struct {
    std::string bytes;
    bool text;
  } cases[] = {
      {"x = cos(t)\r\n\ty = 1\n", true},
      {"", true},
      {"# Möbius strip = 0\n", true},
      {std::string("x = 1\n\0", 7), false},
      {std::string(100, '\x02'), false},
      {std::string(80, 'a') + std::string(20, '\x02'), true},
      {std::string(60, 'a') + std::string(40, '\xff'), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(looks_like_text(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size()), c.text)
        << c.bytes;
  }
}

}  // namespace
