// The marks a frame draws; see mark_budget.h.
#include "desktop/mark_budget.h"

#include <cmath>

#include "view/drawn_cells.h"

namespace orv::desktop {

MarkSelection select_marks(const std::vector<view::Mark>& marks, const view::Viewport& vp, int width, int height,
                           bool screen_marks, std::size_t budget) {
  MarkSelection out;
  for (const view::Mark& m : marks)
    if (m.stored || screen_marks) ++out.total;
  if (out.total == 0 || budget == 0) return out;
  // Every stride-th mark: no more than the budget, spread over the whole plot.
  const std::size_t stride = (out.total + budget - 1) / budget;
  view::DrawnCells cells(width, height);
  std::size_t index = 0;
  for (const view::Mark& m : marks) {
    if (!m.stored && !screen_marks) continue;
    if (index++ % stride != 0) continue;
    ++out.taken;
    const view::P2 d = vp.to_device(m.at);
    // Off the window by more than a mark's size: nothing of it shows.
    if (!(d.x > -8 && d.y > -8 && d.x < width + 8.0 && d.y < height + 8.0)) continue;
    const auto look = view::mark_look(m.stored ? view::MarkShape::Dot : view::MarkShape::Cross, m.color);
    if (!cells.first(d, look)) continue;
    out.drawn.push_back({static_cast<float>(d.x), static_cast<float>(d.y), m.color, m.stored});
  }
  return out;
}

}  // namespace orv::desktop
