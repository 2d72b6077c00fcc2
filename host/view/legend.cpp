// Round lengths and locale-independent numbers for the legend.
#include "view/legend.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orv::view {

double round_length(double most) {
  if (!(most > 0) || !std::isfinite(most)) return 0;
  const double p = std::pow(10.0, std::floor(std::log10(most)));
  for (double m : {5.0, 2.0, 1.0}) {
    // A tolerance, since log10 and pow round: 0.3 must give 0.2, and 5 itself 5.
    if (m * p <= most * (1 + 1e-12)) return m * p;
  }
  return p / 2;  // most just under a power of ten after rounding
}

std::string length_text(double v) {
  if (!std::isfinite(v)) return v != v ? "nan" : (v > 0 ? "inf" : "-inf");
  if (v == 0) return "0";
  char buf[64];
  const double a = std::fabs(v);
  if (a < 1e-4 || a >= 1e6) {
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 3);
    return std::string(buf, r.ptr);
  }
  // Four significant digits as decimals, then the trailing zeros dropped.
  const int decimals = std::max(0, 3 - static_cast<int>(std::floor(std::log10(a))));
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

namespace {

// The length of the valid UTF-8 sequence at `s` (`n` bytes left): 1 for ASCII, 0 when not valid
// (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, cut short).
std::size_t sequence_length(const unsigned char* s, std::size_t n) {
  const unsigned char c = s[0];
  if (c < 0x80) return 1;
  const std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (length == 0 || n < length) return 0;
  char32_t code = c & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (s[i] & 0x3F);
  }
  const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string valid_utf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = sequence_length(s + i, text.size() - i);
    if (length == 0) {
      out += "\uFFFD";
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

std::string size_text(const Box3& box) {
  if (box.empty()) return "empty";
  const Point s = box.size();
  return length_text(s[0]) + " \u00d7 " + length_text(s[1]) + " \u00d7 " + length_text(s[2]) + " mm";
}

}  // namespace orv::view
