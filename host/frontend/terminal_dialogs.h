// Dialogs in the terminal: the cells a dialog and its controls occupy (dialog units at 4 across
// and 8 down a cell, squeezed to fit a smaller screen), which control a click lands on, and the
// drawing of the window records (captions, group boxes, buttons with underlined accelerators,
// check boxes, drop-down lists, edits with their selection and caret, the focus).
#pragma once
#include <string>
#include <vector>
#include "frontend/terminal_screen.h"
#include "platform/window_system.h"

namespace orv::frontend {

struct CellRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

struct DialogLayout {
  HWND dialog = nullptr;
  CellRect outer;      // frame included
  CellRect close_box;  // the "x" in the caption bar
  struct Item {
    HWND control;
    CellRect rect;
  };
  std::vector<Item> controls;  // in tab order
  CellRect list;               // an open drop-down list's items (h 0 when none is open)
  HWND list_owner = nullptr;
  int list_first = 0;          // first item shown
};

/// Places a dialog-like window (dialog or message box) in `area`: centred, or at the area's top
/// left corner when `dock` is set.
DialogLayout layout_dialog(const Window& dialog, const CellRect& area, bool dock);

/// What a click at (x, y) hits.
struct Hit {
  enum Kind { Nothing, Control, CloseBox, ListItem, Inside } kind = Nothing;
  HWND control = nullptr;
  int item = -1;
};
Hit hit_test(const DialogLayout& layout, int x, int y);

/// Draws the dialog as laid out; `active` draws its caption as the active window's and shows
/// its focus.
void draw_dialog(TerminalScreen& screen, const DialogLayout& layout, bool active);

/// The text of a control split at its accelerator: before, the letter, after ("&&" is "&").
struct Accel {
  std::string before, letter, after;
};
Accel split_accelerator(const std::string& text);

}  // namespace orv::frontend
