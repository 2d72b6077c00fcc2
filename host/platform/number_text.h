// Numbers as the host's edit fields show and read them.
#pragma once
#include <string>

namespace orv {

/// `value` as %g shows it ("0.0001", "360", "1e+38"), with more digits only where %g would not
/// read back as the same double.
std::string format_real(double value);
/// Reads a decimal number that fills the whole text (blanks around it allowed); false for anything
/// else, for a number that is not finite, and for hexadecimal.
bool parse_real(const std::string& text, double& out);

}  // namespace orv
