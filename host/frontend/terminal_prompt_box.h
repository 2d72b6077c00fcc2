// What the terminal's modal prompts share: the front end they draw over, and their box (a caption
// bar with a close mark, centred on the screen, the prompt's keys on the status line) and buttons.
#pragma once
#include <functional>
#include <string>
#include "frontend/terminal_screen.h"

namespace orv::frontend {

struct PromptContext {
  TerminalScreen& screen;
  std::function<void()> backdrop;  // draws the screen under the prompt
};

/// A prompt's box on the screen, in cells, frame included.
struct Box {
  int x, y, w, h;
};

/// Draws a box titled `title`, at most `w` x `h` cells, centred below the title line; `hint` goes
/// on the status line at the foot of the screen.
Box draw_box(TerminalScreen& s, const std::string& title, int w, int h, const std::string& hint);
/// Draws a button at (x, y), marked when it has the focus.
void draw_button(TerminalScreen& s, int x, int y, const std::string& label, bool focused);

}  // namespace orv::frontend
