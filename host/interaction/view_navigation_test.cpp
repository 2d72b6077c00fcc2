// The graphics window's keys: what each does to the view.
#include <gtest/gtest.h>

#include "interaction/view_navigation.h"

namespace orv::interaction {
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

TEST(ViewKeys, PSwitchesBetweenParallelAndPerspectiveWhateverTheView) {
  view::Scene scene;
  scene.curves.push_back({10, {{0, 0, 0}, {10, 0, 0}, {10, 10, 5}}});
  ViewState v;
  EXPECT_EQ(v.camera_for(scene).perspective, 0);
  EXPECT_EQ(apply_view_key(v, ch('p')), ViewKeyResult::Changed);
  EXPECT_TRUE(v.perspective);
  EXPECT_GT(v.camera_for(scene).perspective, 0);
  // A named view, a turn and a fit keep the projection; the drawn camera keeps the direction.
  apply_view_key(v, ch('f'));
  apply_view_key(v, of(Key::Left));
  apply_view_key(v, of(Key::Home));
  EXPECT_TRUE(v.perspective);
  EXPECT_EQ(v.camera_for(scene).toward, v.camera.toward);
  EXPECT_EQ(v.camera_for(scene).name, "turned");
  apply_view_key(v, ch('p'));
  EXPECT_EQ(v.camera_for(scene).perspective, 0);
}

TEST(ViewFollowsContent, OpensSquareToFlatContentElseTrimetricUntilChosen) {
  view::Scene flat, solid;
  flat.curves.push_back({10, {{0, 0, 2}, {10, 0, 2}, {10, 10, 2}}});
  solid.curves.push_back({10, {{0, 0, 0}, {10, 0, 0}, {10, 10, 5}, {0, 10, -5}}});
  ViewState v;
  ViewFollowsContent follow;
  follow.scene_changed(v, flat);
  EXPECT_EQ(v.camera.name, "top");
  follow.scene_changed(v, solid);  // the content changed and nobody chose: it follows
  EXPECT_EQ(v.camera.name, "trimetric");
  // Turned by the person, the view stays through further plots...
  apply_view_key(v, of(Key::Right));
  follow.scene_changed(v, flat);
  EXPECT_EQ(v.camera.name, "turned");
  apply_view_key(v, ch('k'));
  follow.scene_changed(v, solid);
  EXPECT_EQ(v.camera.name, "back");
  // ...until the scene is empty (cleared): then the next content chooses again.
  follow.scene_changed(v, view::Scene{});
  EXPECT_EQ(v.camera.name, "back");
  follow.scene_changed(v, flat);
  EXPECT_EQ(v.camera.name, "top");
}

}  // namespace
}  // namespace orv::interaction
