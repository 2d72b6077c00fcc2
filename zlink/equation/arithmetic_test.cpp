// power() must give std::pow's result bit for bit, since a plot's numbers may not depend on whether a
// square took the fast path: a table of hard cases and a sweep over every binade and bit pattern.
#include "equation/arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

volatile double runtime_two = 2.0;  // a literal 2.0 would let the compiler turn pow into a multiply

bool same_bits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

TEST(Power, SquaresAreBitForBitThoseOfPow) {
  const double two = runtime_two;
  // A square where pow and x * x differ, exact products near the split's width, squares at and
  // next to powers of two, the edges of the fast path's range, and what pow alone handles.
  const double hard[] = {-0x1.6cc902e273a58p+5, 134217727.0, 134217729.0, 0x1.0000002p-540, 0x1.6a09e667f3bcdp+0,
                         0x1.6a09e667f3bccp+0, 1.0, 3.0, 0x1p-450, 0x1p+499, 0x1.fffffffffffffp+499, 1e-160, 1e155,
                         1e200, 5e-324, -0.0, 0.0, NAN, INFINITY, -INFINITY};
  for (double x : hard) EXPECT_TRUE(same_bits(power(x, two), std::pow(x, two))) << std::hexfloat << x;

  std::mt19937_64 rng(20261208);
  int differ = 0;
  for (int i = 0; i < 1'000'000; ++i) {
    uint64_t bits = rng();
    double x;
    if (i % 3 == 0) {
      std::memcpy(&x, &bits, sizeof x);  // any pattern: every binade, NaNs and infinities
    } else if (i % 3 == 1) {
      bits = (bits & 0x800FFFFFFFFFFFFFull) | (uint64_t{1023 - 64 + rng() % 128} << 52);
      std::memcpy(&x, &bits, sizeof x);  // the magnitudes plots use
    } else {
      x = std::sqrt(std::ldexp(1.0, static_cast<int>(rng() % 400) - 200));  // squares next to 2^k
      for (int k = static_cast<int>(bits % 4); k > 0; --k) x = std::nextafter(x, (bits & 4) ? 0.0 : INFINITY);
    }
    if (!same_bits(power(x, two), std::pow(x, two)) && ++differ <= 5) ADD_FAILURE() << std::hexfloat << x;
  }
  EXPECT_EQ(differ, 0);
}

TEST(Power, OtherExponentsArePow) {
  const double cases[][2] = {{2.5, 3.0}, {-8.0, 1.0 / 3.0}, {0.0, -1.0}, {10.0, 2.0000000000000004}, {-2.0, 0.5}};
  for (const auto& c : cases) EXPECT_TRUE(same_bits(power(c[0], c[1]), std::pow(c[0], c[1]))) << c[0] << "^" << c[1];
}

}  // namespace
