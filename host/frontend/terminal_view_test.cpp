// The graphics window's keys: what each does to the view, and the view drawn in braille.
#include <gtest/gtest.h>

#include "frontend/terminal_canvas.h"
#include "frontend/terminal_view.h"
#include "view/test_shapes.h"

namespace orv::frontend {
namespace {

Key ch(char c) {
  Key k;
  k.type = Key::Char;
  k.ch = c;
  return k;
}
Key of(Key::Type t, int n = 0) {
  Key k;
  k.type = t;
  k.ch = n;
  return k;
}

TEST(ViewKeys, NamedViewsFitAndLeaveKeysEndTheUse) {
  struct Case {
    char key;
    const char* view;
  } cases[] = {{'t', "top"},  {'b', "bottom"}, {'f', "front"},    {'k', "back"},
               {'l', "left"}, {'r', "right"},  {'i', "isometric"}};
  for (const Case& c : cases) {
    ViewState v;
    v.zoom = 3;
    v.pan = {0.2, 0.1};
    EXPECT_EQ(apply_view_key(v, ch(c.key)), ViewKeyResult::Changed) << c.key;
    EXPECT_EQ(v.camera.name, c.view);
    EXPECT_EQ(v.zoom, 1);  // a named view shows the whole content
    EXPECT_EQ(v.pan.x, 0);
  }
  for (Key k : {of(Key::Esc), of(Key::Enter), of(Key::Tab), of(Key::BackTab), of(Key::Function, 2)}) {
    ViewState v;
    EXPECT_EQ(apply_view_key(v, k), ViewKeyResult::Leave) << k.type;
  }
  ViewState v;
  EXPECT_EQ(apply_view_key(v, ch('x')), ViewKeyResult::Ignored);
  EXPECT_EQ(apply_view_key(v, of(Key::Function, 3)), ViewKeyResult::Ignored);
  EXPECT_EQ(v.camera.name, "isometric");
}

TEST(ViewKeys, TurnZoomPanAndFit) {
  ViewState v;
  v.camera = view::Camera::named(view::NamedView::Front);
  for (int i = 0; i < 6; ++i) apply_view_key(v, of(Key::Up));  // 6 x 15 degrees: from above
  EXPECT_NEAR(v.camera.toward[2], 1, 1e-9);
  for (int i = 0; i < 6; ++i) apply_view_key(v, of(Key::Down));
  for (int i = 0; i < 6; ++i) apply_view_key(v, of(Key::Left));  // a quarter: from the right
  EXPECT_NEAR(v.camera.toward[0], 1, 1e-9);
  EXPECT_EQ(v.camera.name, "turned");

  apply_view_key(v, ch('+'));
  EXPECT_DOUBLE_EQ(v.zoom, kZoomStep);
  apply_view_key(v, ch('-'));
  apply_view_key(v, ch('-'));
  EXPECT_DOUBLE_EQ(v.zoom, 1 / kZoomStep);
  for (int i = 0; i < 100; ++i) apply_view_key(v, ch('='));
  EXPECT_DOUBLE_EQ(v.zoom, kMaxZoom);  // bounded, so the content can be found again
  for (int i = 0; i < 200; ++i) apply_view_key(v, ch('-'));
  EXPECT_DOUBLE_EQ(v.zoom, kMinZoom);
  ViewState w;
  EXPECT_EQ(apply_view_key(w, of(Key::Wheel, 1)), ViewKeyResult::Changed);
  EXPECT_DOUBLE_EQ(w.zoom, kZoomStep);
  apply_view_key(w, of(Key::Wheel, -1));
  apply_view_key(w, of(Key::Wheel, -1));
  EXPECT_DOUBLE_EQ(w.zoom, 1 / kZoomStep);

  // A pan moves what shows by a tenth of the window, whatever the zoom: the content follows the key.
  ViewState p;
  p.zoom = 2;
  apply_view_key(p, ch('d'));
  EXPECT_DOUBLE_EQ(p.pan.x, -kPanStep / 2);
  apply_view_key(p, ch('w'));
  EXPECT_DOUBLE_EQ(p.pan.y, -kPanStep / 2);
  apply_view_key(p, ch('a'));
  apply_view_key(p, ch('s'));
  EXPECT_DOUBLE_EQ(p.pan.x, 0);
  EXPECT_DOUBLE_EQ(p.pan.y, 0);
  apply_view_key(p, ch('d'));
  apply_view_key(p, of(Key::Home));
  EXPECT_EQ(p.zoom, 1);
  EXPECT_EQ(p.pan.x, 0);
  p.zoom = 5;
  apply_view_key(p, ch('0'));
  EXPECT_EQ(p.zoom, 1);
}

// A mark right of the centre in the top view: panning right moves its dots right, zooming in moves
// them farther out; the front view puts a mark above the origin higher.
TEST(ViewKeys, TheCanvasDrawsWhatTheViewShows) {
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
