// Numbers as text for files and logs the user reads, the same whatever locale the host process
// runs in: std::to_chars writes printf's "%.*f" and "%.*g" digits with a "." always, where the
// printf family would follow the process locale and write "0,25" under a decimal comma.
#pragma once

constexpr int max_number_places = 40;     // precision a caller may ask for; more is cut to this
constexpr int default_number_places = 6;  // what a negative precision means, as in printf
constexpr int number_text_size = 400;     // bytes that hold any finite double at max_number_places

/// Writes `value` into `out` (`size` bytes, NUL-terminated) as "%.*f" with `places` digits after the
/// point would in the C locale ("0.2500" for 0.25 and 4). Returns the length written; 0, with the
/// empty text, when `size` is too small for it.
int format_fixed(double value, int places, char* out, int size);

/// The same as "%.*g" with `digits` significant digits ("0.67" for 2/3 and 2, "1e+06").
int format_general(double value, int digits, char* out, int size);
