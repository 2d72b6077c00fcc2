// The terminal's braille canvas draws what the view shows.
#include <gtest/gtest.h>

#include "frontend/terminal_canvas.h"
#include "interaction/view_navigation.h"
#include "view/test_shapes.h"

namespace orv::frontend {
namespace {

using interaction::apply_view_key;
using interaction::Key;
using interaction::ViewState;

Key ch(char c) {
  Key k;
  k.type = Key::Char;
  k.ch = c;
  return k;
}

// A mark right of the centre in the top view: panning right moves its dots right, zooming in moves
// them farther out; the front view puts a mark above the origin higher.
TEST(BrailleCanvas, DrawsWhatTheViewShows) {
  GeometryDatabase db;
  db.add(view::shapes::line(-1, -1, 0, 1, 1, 0, 9));
  db.add_mark({{0.5, 0, 0}, 14});
  db.add_mark({{0, 0, 1}, 12});
  view::Scene scene = view::make_scene(db);
  auto column_of = [&](const ViewState& v, uint8_t color) {
    BrailleCanvas c(40, 20);
    draw_scene(c, scene, v);
    double sum = 0, n = 0, rows = 0;
    for (int r = 0; r < c.rows(); ++r)
      for (int col = 0; col < c.cols(); ++col)
        if (c.bits(col, r) && c.color(col, r) == color) sum += col, rows += r, ++n;
    return std::pair<double, double>{n ? sum / n : -1, n ? rows / n : -1};
  };
  ViewState top;
  top.camera = view::Camera::named(view::NamedView::Top);
  const double at = column_of(top, 14).first;
  ASSERT_GT(at, 20);
  ViewState panned = top;
  apply_view_key(panned, ch('d'));
  EXPECT_GT(column_of(panned, 14).first, at + 2);
  ViewState zoomed = top;
  apply_view_key(zoomed, ch('+'));
  EXPECT_GT(column_of(zoomed, 14).first, at + 1);
  ViewState front;
  front.camera = view::Camera::named(view::NamedView::Front);
  EXPECT_LT(column_of(front, 12).second, column_of(front, 9).second - 5);  // z = 1 above the line at z = 0
  EXPECT_NEAR(column_of(top, 12).first, column_of(top, 9).first, 1);  // from the top, on the line's middle
}

}  // namespace
}  // namespace orv::frontend
