// The legend's round lengths and numbers.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include "view/legend.h"

namespace orv::view {
namespace {

TEST(Legend, RoundLengthIsTheLongestOneTwoFiveNotAbove) {
  struct Case {
    double most, want;
  } cases[] = {{1, 1},     {1.99, 1}, {2, 2},       {4.99, 2},  {5, 5},          {9.99, 5},
               {10, 10},   {0.3, 0.2}, {0.07, 0.05}, {240, 200}, {1e-7, 1e-7},   {7.5e9, 5e9}};
  for (const Case& c : cases) EXPECT_NEAR(round_length(c.most), c.want, c.want * 1e-12) << c.most;
  for (double bad : {0.0, -1.0, double(NAN), double(INFINITY)}) EXPECT_EQ(round_length(bad), 0) << bad;
}

TEST(Legend, LengthsAreWrittenTheSameInEveryLocale) {
  struct Case {
    double v;
    const char* want;
  } cases[] = {{12.5, "12.5"},    {0.001, "0.001"},    {2, "2"},          {1234.5678, "1235"},
               {0.00012346, "0.0001235"}, {-3.25, "-3.25"}, {0, "0"},     {999999, "999999"},
               {2e7, "2.000e+07"}, {1e-5, "1.000e-05"}};
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    // A locale that is not installed leaves the C one in place; the case still holds.
    std::setlocale(LC_ALL, locale);
    for (const Case& c : cases) EXPECT_EQ(length_text(c.v), c.want) << c.v << " in " << locale;
  }
  std::setlocale(LC_ALL, "C");
}

TEST(Legend, SizeTextGivesTheBoxAlongEachAxis) {
  Box3 b;
  EXPECT_EQ(size_text(b), "empty");
  b.add({-2.7, -2.7, -0.7});
  b.add({2.7, 2.7, 0.7});
  b.add({NAN, 100, 100});  // a point that is not finite is not part of the box
  EXPECT_EQ(size_text(b), "5.4 \u00d7 5.4 \u00d7 1.4 mm");
}


TEST(Legend, TextThatIsNotUtf8IsRepairedByteByByte) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain.eqn", "plain.eqn"},
      {"caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x99\x82", "caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x99\x82"},  // kept whole
      {"p\xff.eqn", "p\xef\xbf\xbd.eqn"},                     // not a lead byte
      {"\x80x", "\xef\xbf\xbdx"},                             // a stray continuation
      {"cut\xe2\x80", "cut\xef\xbf\xbd\xef\xbf\xbd"},         // a sequence cut short
      {"\xc0\xaf", "\xef\xbf\xbd\xef\xbf\xbd"},               // an overlong slash
      {"\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},  // a surrogate
      {"\xf4\x90\x80\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(valid_utf8(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace orv::view
