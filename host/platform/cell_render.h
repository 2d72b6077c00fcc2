// Draws a window of the window system into a grid of character cells: dialogs from their templates
// (4 horizontal and 8 vertical dialog units a cell, or fewer cells when scaled to fit), message
// boxes and the text viewer. The script front end writes the grid as text; the terminal front end
// paints the same grid with attributes, and finds what a mouse click hit with the same layout.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "orvantis/win_types.h"

namespace orv {

/// Appends the UTF-8 bytes of code point `c` to `out`.
void append_utf8(char32_t c, std::string& out);

struct Window;
class WindowSystem;

enum CellAttr : uint8_t {
  CA_FRAME = 1,       // window frame and group box lines
  CA_CAPTION = 2,     // the caption in the top border
  CA_FOCUS = 4,       // part of the control that has the focus
  CA_ACCEL = 8,       // the accelerator letter (underlined)
  CA_SELECTED = 16,   // selected text of an edit, the chosen item of an open list
  CA_BUTTON = 32,     // a push button
  CA_FIELD = 64,      // the inside of an edit or a drop-down list
  CA_DISABLED = 128,
};

struct Cell {
  char32_t ch = U' ';
  uint8_t attr = 0;
};

class CellGrid {
 public:
  CellGrid(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }
  /// The cell at (x, y); a cell outside the grid is a scratch cell, so drawing never overruns.
  Cell& at(int x, int y);
  const Cell& at(int x, int y) const;
  void put(int x, int y, char32_t ch, uint8_t attr = 0);
  /// Writes `text` (UTF-8; other bytes as Latin-1) from (x, y), at most `max` cells; returns cells used.
  int text(int x, int y, const std::string& text, int max, uint8_t attr = 0);
  /// The grid as UTF-8 lines, blanks at line ends dropped.
  std::string to_string() const;

  int caret_x = -1, caret_y = -1;  // where the caret of the focused edit is, -1 for none

 private:
  int width_, height_;
  std::vector<Cell> cells_;
  Cell scratch_;
};

/// Dialog units per cell.
struct CellScale {
  double ux = 4.0;
  double uy = 8.0;
};

struct CellRect {
  int x = 0, y = 0, w = 0, h = 0;
};

/// The outer size of a top-level window in cells (frame included).
CellRect window_cells(WindowSystem& ws, HWND window, CellScale scale = {});
/// The scale at which the window fits `cols` x `rows` cells: the standard one when it fits already.
CellScale fit_scale(WindowSystem& ws, HWND window, int cols, int rows);
/// A control's rectangle in the window's grid (the frame's cell row and column included).
CellRect control_cells(const Window& control, CellScale scale = {});

/// A drop-down list as drawn: its field (widened, within the dialog and up to the next control on
/// its row, so that the longest item shows whole) and, when open, `rows` items from `first` below
/// it. An open list stops above a row of push buttons below it, scrolling to keep the highlighted
/// item in view, so that the dialog's buttons stay visible.
struct ListLayout {
  CellRect field;
  int rows = 0;
  int first = 0;
};
ListLayout list_layout(WindowSystem& ws, const Window& list, CellScale scale = {});

/// A push button's cells: one cell narrower when another button starts right where it ends, so that
/// two buttons never touch.
CellRect button_cells(WindowSystem& ws, const Window& button, CellScale scale = {});

/// Draws a top-level window (dialog, message box, viewer); an empty grid for anything else.
CellGrid render_window(WindowSystem& ws, HWND window, CellScale scale = {});

struct CellHit {
  enum class Kind { None, Control, CloseBox, Caption } kind = Kind::None;
  int id = 0;      // Control: its id
  int index = -1;  // Control, a list box: the item on the row hit, -1 for none
};
/// What a click at (col, row) of the window's grid hits.
CellHit hit_test(WindowSystem& ws, HWND window, int col, int row, CellScale scale = {});

/// Every visible top-level window but the main frame, bottom first, as text.
std::string render_screen_text(WindowSystem& ws);

/// Decodes UTF-8 (a byte that is not part of a valid sequence stands for itself, as Latin-1).
std::u32string decode_text(const std::string& text);

}  // namespace orv
