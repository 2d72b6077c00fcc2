// Writing texts and numbers for the checker's two outputs. JSON numbers are the shortest text that
// reads back as the same double; a value that is not finite becomes the string "inf", "-inf" or
// "nan". Texts are bytes as the Zlink sees them: valid UTF-8 passes, any other byte is shown as the
// character of the same code.
#pragma once
#include <string>

/// Appends `text` as a JSON string literal (quotes included).
void append_json_string(std::string* out, const std::string& text);
/// Appends `value` as a JSON number, or as one of the strings "inf", "-inf", "nan".
void append_json_number(std::string* out, double value);
/// Appends the shortest round-trip text of `value` ("inf", "-inf", "nan" when not finite).
void append_number(std::string* out, double value);
/// Appends `text` for a terminal: printable bytes as they are, others as \t, \r or \xNN.
void append_visible(std::string* out, const std::string& text);
