// Output texts: numbers read back exactly, non-finite values as strings, any bytes give valid JSON.
#include "text_output.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

namespace {

TEST(TextOutput, NumbersReadBackExactly) {
  const double values[] = {0.0, -0.0, 1.0, 0.1, 2 * 3.141592653589793, 1e300, -5e-324, 360.0,
                           std::numeric_limits<double>::max(), 1.0 / 3.0, 123456789012345678.0};
  for (double v : values) {
    std::string text = json_number(v).dump();
    double back = nlohmann::json::parse(text).get<double>();
    EXPECT_EQ(back, v) << text;
    EXPECT_EQ(std::signbit(back), std::signbit(v)) << text;
  }
  EXPECT_EQ(json_number(6.283185307179586).dump(), "6.283185307179586");
}

TEST(TextOutput, NonFiniteValuesAreStrings) {
  struct Case { double value; const char* json; } cases[] = {
      {INFINITY, "\"inf\""}, {-INFINITY, "\"-inf\""}, {NAN, "\"nan\""}};
  for (const Case& c : cases) {
    EXPECT_EQ(json_number(c.value).dump(), c.json);
  }
}

TEST(TextOutput, EveryByteStringGivesValidJson) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  std::string text = nlohmann::json(utf8_text(all + "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xc3\xed\xa0\x80")).dump();
  nlohmann::json parsed = nlohmann::json::parse(text);  // throws on invalid JSON or UTF-8
  std::string back = parsed.get<std::string>();
  EXPECT_EQ(back.substr(0, 127), all.substr(0, 127));  // ASCII comes back as it was
  EXPECT_NE(back.find("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"), std::string::npos);  // valid UTF-8 kept
  std::string quoted = nlohmann::json(utf8_text("a\"b\\c\td")).dump();
  EXPECT_EQ(quoted, "\"a\\\"b\\\\c\\td\"");
}

}  // namespace
