// The arithmetic of the evaluator's operators, shared by the reduction and the plan runner so that
// both compute every value with the very same expressions and domain tests, bit for bit.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>

#include "equation/limits.h"
#include "equation/operators.h"

extern double deg_to_rad;
extern double rad_to_deg;

constexpr double division_floor = 1e-24;  // divisors of smaller magnitude fail with -12
constexpr double sqrt_floor = -1e-12;     // square roots of this or less fail with -13

/// `x ^ y` exactly as std::pow gives it, faster for the common y = 2. x * x is the correctly rounded
/// square, and glibc's pow is within 0.54 ulp of the exact value, so the two agree whenever the exact
/// square lies within 0.45 ulp of x * x (the nearest other double is then more than 0.54 ulp away).
/// Dekker's exact product tells that distance; near a midpoint, at a power of two (whose neighbour
/// below is nearer) or out of the normal range the square is left to pow, which can then differ
/// from x * x in the last bit. square_matches_pow(x, x * x) tells whether pow may be left out.
inline bool square_matches_pow(double x, double square) {
  const double split = 134217729.0 * x;  // 2^27 + 1: x = high + low, each of 26 bits
  const double high = split - (split - x), low = x - high;
  const double error = ((high * high - square) + 2.0 * high * low) + low * low;  // x*x - square, exact
  uint64_t bits;
  std::memcpy(&bits, &square, sizeof bits);
  const uint64_t ulp_bits = (bits & 0x7FF0000000000000ull) - (uint64_t{52} << 52);  // wraps out of range
  double ulp;
  std::memcpy(&ulp, &ulp_bits, sizeof ulp);
  // Every test is made (& rather than &&), so that a loop over many squares has no branch.
  return (square > 0x1p-900) & (square < 0x1p+1000) & ((bits & 0x000FFFFFFFFFFFFFull) != 0) &
         (std::fabs(error) < 0.45 * ulp);
}

inline double power(double x, double y) {
  if (y == 2.0) {
    const double square = x * x;
    if (square_matches_pow(x, square)) return square;
  }
  return std::pow(x, y);
}

/// The result of every operator but "=" and ",": 0 with `*result`, a domain status (-12..-16), or
/// -11 for an id that is no such operator. Prefix operators ignore `left`.
inline int compute(int id, double left, double right, double* result) {
  switch (id) {
    case op_add: *result = left + right; break;
    case op_subtract: *result = left - right; break;
    case op_negate: *result = -right; break;
    case op_multiply: *result = left * right; break;
    case op_divide:
      if (std::fabs(right) < division_floor) return status_division_by_zero;
      *result = left / right;
      break;
    case op_power: *result = power(left, right); break;
    case op_abs: *result = std::fabs(right); break;
    case op_sqrt:
      if (right <= sqrt_floor) return status_sqrt_negative;
      *result = std::sqrt(right);
      break;
    case op_cos: *result = std::cos(right * deg_to_rad); break;
    case op_sin: *result = std::sin(right * deg_to_rad); break;
    case op_tan: *result = std::tan(right * deg_to_rad); break;
    case op_acos:
      if (std::fabs(right) > 1.0) return status_acos_domain;
      *result = std::acos(right) * rad_to_deg;
      break;
    case op_asin:
      if (std::fabs(right) > 1.0) return status_asin_domain;
      *result = std::asin(right) * rad_to_deg;
      break;
    case op_atan: *result = std::atan(right) * rad_to_deg; break;
    case op_exp: *result = std::exp(right); break;
    case op_ln:
      if (right < 0.0) return status_log_negative;
      *result = std::log(right);
      break;
    case op_log:
      if (right < 0.0) return status_log_negative;
      *result = std::log10(right);
      break;
    default: return status_missing_operand;
  }
  return status_ok;
}
