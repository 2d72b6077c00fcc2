// One line of text being typed in a terminal prompt: the text as code points, the caret, and a
// whole-text selection that typing replaces (as in the dialogs' edit fields), drawn as a field that
// scrolls to keep the caret in view.
#pragma once
#include <string>
#include "frontend/terminal_screen.h"

namespace orv::frontend {

struct LineEdit {
  std::u32string text;
  int caret = 0;
  bool selected = false;

  /// Starts with `t`, all of it selected.
  explicit LineEdit(const std::string& t);
  /// The text, in UTF-8.
  std::string value() const;
  /// Replaces the text, the caret at its end and nothing selected.
  void set(const std::string& t);
  /// Applies an editing key (characters, Backspace, Delete, Left, Right, Home, End); true when the
  /// key was one of them.
  bool apply(const Key& k);
  /// Draws the field at (x, y), `w` cells, scrolled to keep the caret in view.
  void draw(TerminalScreen& s, int x, int y, int w, bool focused) const;
};

}  // namespace orv::frontend
