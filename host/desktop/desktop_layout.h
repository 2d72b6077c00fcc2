// Where the host's windows stand in the desktop window, in pixels: dialog units become pixels from
// the font (a quarter of its mean character width across, an eighth of its line height down), as
// dialog templates intend, and a click at a pixel becomes the dialog manager's event through the
// same rectangles the painter draws, so that a click hits what is shown there.
#pragma once
#include "platform/event_loop.h"
#include "platform/window_system.h"

namespace orv::desktop {

/// The font's base units: the mean width of a character and the height of a line, in pixels.
struct FontMetrics {
  float char_w = 7;
  float line_h = 15;
};

struct PixelRect {
  float x = 0, y = 0, w = 0, h = 0;
  bool contains(float px, float py) const { return px >= x && px < x + w && py >= y && py < y + h; }
  float right() const { return x + w; }
  float bottom() const { return y + h; }
};

/// A top-level window as placed: its frame (caption bar included) and its client area, where the
/// template's dialog units start.
struct Placement {
  WindowSystem* windows = nullptr;  // the window system it was placed in
  HWND window = nullptr;
  PixelRect frame, client;
  FontMetrics font;
};

/// Pixels of the border round a window, and the caption bar's height.
constexpr float kBorder = 2;
float caption_height(const FontMetrics& font);

/// The outer size of a top-level window (dialog, message box, viewer) in pixels.
PixelRect window_size(const Window& window, const FontMetrics& font);
/// Places a top-level window with its frame's top left corner at (x, y).
Placement place(WindowSystem& windows, HWND window, float x, float y, const FontMetrics& font);

/// A control's rectangle in pixels.
PixelRect control_rect(const Window& control, const Placement& placed);
/// The close box at the right of the caption bar.
PixelRect close_box(const Placement& placed);

/// An open drop-down list: the items shown below its field, `first` the first of them, each row
/// `row_h` high. The list scrolls to keep the highlighted item in view and stops at `bottom`.
struct ListPopup {
  PixelRect rect;
  int first = 0;
  int rows = 0;
  float row_h = 0;
};
ListPopup list_popup(const Window& list, const Placement& placed, float bottom);

/// The event a click at pixel (px, py) makes in a placed window: a control's click, an open list's
/// item, the close box, or Esc for a click beside an open list. False when it means nothing.
/// `bottom` is the lowest pixel an open list may reach.
bool click_event(const Placement& placed, float px, float py, float bottom, UiEvent& event);

}  // namespace orv::desktop
