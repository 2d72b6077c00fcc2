// The terminal's point prompt ("x, y, z"; Esc abandons), for the host's point pick, and the text
// form of a point it reads and shows.
#pragma once
#include <array>
#include <string>
#include "frontend/terminal_prompt_box.h"

namespace orv::frontend {

/// Asks for a point; `point` holds the default and, when true is returned, the point.
bool point_prompt(PromptContext& ctx, const std::string& prompt, std::array<double, 3>& point);

/// "x, y, z" or "x y z": three finite numbers; false for anything else.
bool parse_point(const std::string& text, std::array<double, 3>& point);
/// A point as the prompt shows it ("1, 2.5, -3").
std::string format_point(const std::array<double, 3>& point);

}  // namespace orv::frontend
