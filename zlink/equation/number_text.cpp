// Locale-free "%.*f" and "%.*g": the C++ standard has std::to_chars with a precision give printf's
// digits in the C locale, so only printf's handling of odd precisions is repeated here.
#include "equation/number_text.h"

#include <charconv>

namespace {

int clamp_places(int places) {
  if (places < 0) return default_number_places;
  return places > max_number_places ? max_number_places : places;
}

int format(double value, std::chars_format how, int places, char* out, int size) {
  if (size <= 0) return 0;
  auto result = std::to_chars(out, out + size - 1, value, how, clamp_places(places));
  if (result.ec != std::errc()) {
    out[0] = '\0';
    return 0;
  }
  *result.ptr = '\0';
  return static_cast<int>(result.ptr - out);
}

}  // namespace

int format_fixed(double value, int places, char* out, int size) {
  return format(value, std::chars_format::fixed, places, out, size);
}

int format_general(double value, int digits, char* out, int size) {
  return format(value, std::chars_format::general, digits, out, size);
}
