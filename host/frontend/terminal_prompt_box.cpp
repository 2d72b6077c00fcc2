// The box and buttons of the terminal's modal prompts.
#include "frontend/terminal_prompt_box.h"

#include <algorithm>

namespace orv::frontend {

Box draw_box(TerminalScreen& s, const std::string& title, int w, int h, const std::string& hint) {
  w = std::min(w, s.cols());
  h = std::min(h, s.rows() - 2);
  Box b{(s.cols() - w) / 2, std::max(1, 1 + (s.rows() - 2 - h) / 2), w, h};
  s.fill(b.x, b.y, b.w, b.h, s.role(Role::Normal));
  s.frame(b.x, b.y, b.w, b.h, s.role(Role::Frame));
  int cap = s.role(Role::CaptionActive);
  s.fill(b.x, b.y, b.w, 1, cap);
  s.put(b.x + 1, b.y, " " + title, cap, b.w - 5);
  s.put(b.x + b.w - 4, b.y, " \u00d7 ", cap);
  int bar = s.role(Role::Status);
  s.fill(0, s.rows() - 1, s.cols(), 1, bar);
  s.put(1, s.rows() - 1, hint, bar);
  return b;
}

void draw_button(TerminalScreen& s, int x, int y, const std::string& label, bool focused) {
  int attr = s.role(focused ? Role::ButtonFocus : Role::Button);
  std::string text = std::string(focused ? "\u25b8 " : "[ ") + label + (focused ? " \u25c2" : " ]");
  s.put(x, y, text, attr);
}

}  // namespace orv::frontend
