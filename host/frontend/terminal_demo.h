// A small dialog of the terminal front end's own beside a drawn helix: a way to try the front end
// without a Zlink, and what its terminal test drives.
#pragma once
#include <string>

namespace orv::frontend {

/// Runs the demo on the terminal until its dialog is ended by OK or Cancel (or the input ends).
/// Returns 0 after OK, 1 after Cancel, 2 when the input ended, 3 when the terminal could not be
/// used (with the reason in `err`).
int run_terminal_demo(std::string& err);

}  // namespace orv::frontend
