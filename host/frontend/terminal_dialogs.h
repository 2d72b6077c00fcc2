// The host's windows on the terminal: the cell grids that the window system's renderer draws
// (dialogs from their templates, message boxes, the viewer) painted with the front end's colours,
// and a click on a painted window turned into the dialog manager's event, through the renderer's
// own hit test so that a click hits what was drawn there.
#pragma once
#include "frontend/terminal_screen.h"
#include "platform/cell_render.h"
#include "platform/event_loop.h"

#include <vector>

namespace orv::frontend {

/// A top-level window as placed on the screen.
struct PlacedWindow {
  WindowSystem* windows = nullptr;  // the window system it was placed in
  HWND window = nullptr;
  int x = 0, y = 0, w = 0, h = 0;  // screen cells, frame included
  CellScale scale;
};

/// Places a window: its cells at the scale that fits `cols` x `rows`, at (x, y).
PlacedWindow place_window(WindowSystem& windows, HWND window, int x, int y, int cols, int rows);

/// The top row for a window `h` rows high, first wanted at `y`, that keeps screen row `row` in
/// sight: moved just below that row, or else just above it, within rows [top, bottom). `y` itself
/// when the window leaves the row free already or fits on neither side.
int clear_of_row(int y, int h, int row, int top, int bottom);

/// The screen cells of the control that has the focus in a placed dialog, the row it is drawn on;
/// false when no control there has the focus.
bool focused_control_cells(const PlacedWindow& placed, CellRect& cells);

/// Moves a placed message box up or down, within rows [top, bottom), off the row of the field that
/// has the focus in its owner (one of `below`), when it covers that field: a message about a value
/// leaves the value in sight.
void keep_field_in_sight(PlacedWindow& box, const std::vector<PlacedWindow>& below, int top, int bottom);

/// Paints a rendered grid at (x, y). The active window's caption bar is lit and its caret shown.
void paint_grid(TerminalScreen& screen, const CellGrid& grid, int x, int y, bool active);

/// The event a click at screen cell (col, row) makes in a placed window: a control's click, an open
/// list's item, the close box, or Esc for a click beside an open list. False when it means nothing.
bool click_event(const PlacedWindow& placed, int col, int row, UiEvent& event);

}  // namespace orv::frontend
