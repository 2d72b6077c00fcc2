// Writing texts and numbers for the checker's two outputs. JSON numbers are the shortest text that
// reads back as the same double; a value that is not finite becomes the string "inf", "-inf" or
// "nan". Texts are bytes as the Zlink sees them: valid UTF-8 passes, any other byte is shown as the
// character of the same code.
#pragma once
#include <string>

#include <nlohmann/json.hpp>

/// `text` as UTF-8 for JSON: valid sequences as they are, any other byte as the character of its code.
std::string utf8_text(const std::string& text);
/// A JSON number, or the string "inf", "-inf" or "nan" for a value JSON cannot hold.
nlohmann::json json_number(double value);
/// Appends the shortest round-trip text of `value` ("inf", "-inf", "nan" when not finite).
void append_number(std::string* out, double value);
/// Appends `text` for a terminal: printable bytes as they are, others as \t, \r or \xNN.
void append_visible(std::string* out, const std::string& text);
