// Locale-free "%.*f" and "%.*g": the same characters as the C library's printf in the C locale,
// for ordinary, extreme and odd precisions, and an honest failure when the buffer is too small.
#include "equation/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

const double kValues[] = {0.0,    -0.0,     0.25,    -2.5,    2.0 / 3.0, 1e6,  123456.789, 0.5,  1.5,
                          2.5,    1e-7,     -1e-300, 1e300,   5e-324,    1e38, -1e38,      1e22, 0.125,
                          9.9995, 99999.5,  0.00005, 1e16,    std::numeric_limits<double>::max(),
                          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};

TEST(NumberText, FixedAndGeneralMatchPrintfInTheCLocale) {
  for (double v : kValues) {
    for (int precision : {-3, -1, 0, 1, 2, 4, 6, 10, 17, max_number_places}) {
      char mine[number_text_size], theirs[number_text_size];
      int n = format_fixed(v, precision, mine, sizeof mine);
      std::snprintf(theirs, sizeof theirs, "%.*f", precision, v);
      EXPECT_STREQ(mine, theirs) << v << " %." << precision << "f";
      EXPECT_EQ(n, static_cast<int>(std::strlen(theirs)));
      n = format_general(v, precision, mine, sizeof mine);
      std::snprintf(theirs, sizeof theirs, "%.*g", precision, v);
      EXPECT_STREQ(mine, theirs) << v << " %." << precision << "g";
      EXPECT_EQ(n, static_cast<int>(std::strlen(theirs)));
    }
  }
}

TEST(NumberText, PrecisionAboveTheLimitIsCutAndASmallBufferGivesNothing) {
  char text[number_text_size];
  format_fixed(0.5, max_number_places + 100, text, sizeof text);
  EXPECT_EQ(std::strlen(text), 2u + max_number_places);  // "0." and the limit's digits
  // The largest double at the largest precision fits the named size.
  EXPECT_GT(format_fixed(-std::numeric_limits<double>::max(), max_number_places, text, sizeof text), 0);

  char small[5] = "xxxx";
  EXPECT_EQ(format_fixed(123.25, 2, small, sizeof small), 0);  // "123.25" needs 7 bytes
  EXPECT_STREQ(small, "");
  EXPECT_EQ(format_general(1234, 6, small, sizeof small), 4);  // exactly fits with its NUL
  EXPECT_STREQ(small, "1234");
  EXPECT_EQ(format_general(1, 6, small, 0), 0);
}

}  // namespace
