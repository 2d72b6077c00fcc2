// Handing the terminal to the person's editor for a file (the editor chosen by
// interaction/editor_choice.h), and taking it back with the screen restored.
#pragma once
#include <string>
#include "frontend/terminal_screen.h"

namespace orv::frontend {

/// Runs `command` on `path` with the terminal handed over and the screen restored afterwards;
/// returns the editor's exit status (127 when it could not be started).
int run_editor(TerminalScreen& screen, const std::string& command, const std::string& path);

}  // namespace orv::frontend
