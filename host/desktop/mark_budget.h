// Which marks and stored points the desktop's graphics window draws in a frame. Each costs the
// window's draw list a few dozen vertices, so a plot of ten million points would ask for more than
// the list can hold: at most kMaxDrawnMarks are drawn, taken evenly through the plot when there are
// more, and of marks whose centres fall in one pixel with one look only the first, since the rest
// would draw the same thing. The frame says how many of how many it drew.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "view/projection.h"
#include "view/scene.h"

namespace orv::desktop {

/// The most marks and points a frame draws.
constexpr std::size_t kMaxDrawnMarks = 50000;

struct DrawnMark {
  float x = 0, y = 0;  // the centre, in the window's pixels
  uint8_t color = 0;
  bool stored = false;  // a stored point (a dot); else a screen mark (a cross)
};

struct MarkSelection {
  std::vector<DrawnMark> drawn;  // in the scene's order
  std::size_t taken = 0;         // marks taken by the thinning: drawn, or hidden under one drawn
  std::size_t total = 0;         // marks there were to draw
  /// True when some marks were left out, which the frame then says.
  bool thinned() const { return taken < total; }
};

/// Chooses the marks of `marks` to draw through `vp` within `width` x `height` pixels, screen marks
/// only when `screen_marks`. Never more than `budget`.
MarkSelection select_marks(const std::vector<view::Mark>& marks, const view::Viewport& vp, int width, int height,
                           bool screen_marks, std::size_t budget = kMaxDrawnMarks);

}  // namespace orv::desktop
