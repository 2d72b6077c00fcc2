// Handing the terminal to the user's editor for a file, and taking it back with the screen restored.
#pragma once
#include <string>
#include "frontend/terminal_screen.h"

namespace orv::frontend {

/// The editor to run: $VISUAL, else $EDITOR, else vi.
std::string editor_command();

/// Runs the editor on `path` with the terminal handed over and the screen restored afterwards;
/// returns the editor's exit status (127 when it could not be started).
int run_editor(TerminalScreen& screen, const std::string& path);

}  // namespace orv::frontend
