// One key or mouse input as every front end hands it to the host's interaction: the terminal reads
// it from curses, the desktop translates its window's keys into it, so that what a key does to the
// view or a prompt is written once.
#pragma once

namespace orv::interaction {

struct Key {
  enum Type {
    None,      // nothing within the timeout
    Char,      // a printable character (ch, a code point)
    Alt,       // Alt plus a character (ch, lower case)
    Tab, BackTab, Enter, Esc, Space,
    Up, Down, Left, Right, Home, End, PageUp, PageDown, Backspace, Delete,
    AltDown,   // Alt+Down: opens or closes a drop-down list
    Function,  // a function key, F1 .. F12 (ch, its number)
    Ctrl,      // Ctrl plus a letter the host takes itself (ch, lower case): only Ctrl+Z
    Click,     // the left button pressed at (x, y), cells
    Drag,      // the pointer moved to (x, y) with the left button held
    Release,   // the button released at (x, y)
    Wheel,     // the mouse wheel at (x, y): ch 1 turned up (away), -1 down
    Resize,    // the terminal changed size
    Quit,      // Ctrl+C: the person leaves the host
    Eof,       // the terminal went away
    ShiftLeft, ShiftRight, ShiftHome, ShiftEnd,  // extend an edit's selection
    CtrlA,     // selects an edit's whole text
  };
  Type type = None;
  int ch = 0;
  int x = 0, y = 0;
};

}  // namespace orv::interaction
