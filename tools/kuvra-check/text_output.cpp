// Texts and numbers for the checker's outputs; see text_output.h.
#include "text_output.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// Length of the valid UTF-8 sequence at `s` (of `n` bytes left), or 0 when it is not one.
size_t utf8_sequence(const unsigned char* s, size_t n) {
  unsigned char c = s[0];
  size_t length;
  unsigned min;
  if (c >= 0xC2 && c <= 0xDF) { length = 2; min = 0x80; }
  else if (c >= 0xE0 && c <= 0xEF) { length = 3; min = 0x800; }
  else if (c >= 0xF0 && c <= 0xF4) { length = 4; min = 0x10000; }
  else return 0;
  if (n < length) return 0;
  unsigned code = c & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (s[i] & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string utf8_text(const std::string& text) {
  std::string out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    unsigned char c = s[i];
    size_t length = c < 0x80 ? 1 : utf8_sequence(s + i, n - i);
    if (length > 0) {
      out.append(text, i, length);
      i += length;
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));  // the byte as the character of its code
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      ++i;
    }
  }
  return out;
}

void append_number(std::string* out, double value) {
  if (std::isnan(value)) { out->append("nan"); return; }
  if (std::isinf(value)) { out->append(value > 0 ? "inf" : "-inf"); return; }
  if (value == 0.0 && std::signbit(value)) { out->append("-0.0"); return; }  // "-0" reads as 0
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  out->append(text, result.ptr);
}

nlohmann::json json_number(double value) {
  if (std::isfinite(value)) return value;
  std::string text;
  append_number(&text, value);
  return text;
}

void append_visible(std::string* out, const std::string& text) {
  for (unsigned char c : text) {
    if (c == '\t') {
      out->append("\\t");
    } else if (c == '\r') {
      out->append("\\r");
    } else if (c == '\\') {
      out->append("\\\\");
    } else if (c < 0x20 || c >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out->append(escape);
    } else {
      out->push_back(static_cast<char>(c));
    }
  }
}
