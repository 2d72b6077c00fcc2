// The keys of the graphics window and what they do to the view.
#include "interaction/view_navigation.h"

#include <algorithm>

namespace orv::interaction {

ViewKeyResult apply_view_key(ViewState& view, const Key& key) {
  using view::NamedView;
  auto named = [&view](NamedView v) {
    view.camera = view::Camera::named(v);
    view.fit();
    return ViewKeyResult::Changed;
  };
  // A pan moves the content the way the key points, whatever the zoom: in fractions of what shows.
  auto pan = [&view](double dx, double dy) {
    view.pan.x -= dx * kPanStep / view.zoom;
    view.pan.y -= dy * kPanStep / view.zoom;
    return ViewKeyResult::Changed;
  };
  auto zoom = [&view](double f) {
    view.zoom = std::clamp(view.zoom * f, kMinZoom, kMaxZoom);
    return ViewKeyResult::Changed;
  };
  switch (key.type) {
    case Key::Esc:
    case Key::Enter:
    case Key::Tab:
    case Key::BackTab: return ViewKeyResult::Leave;
    case Key::Function: return key.ch == 2 ? ViewKeyResult::Leave : ViewKeyResult::Ignored;
    case Key::Left: view.camera = view.camera.turned(-kTurnStep, 0); return ViewKeyResult::Changed;
    case Key::Right: view.camera = view.camera.turned(kTurnStep, 0); return ViewKeyResult::Changed;
    case Key::Up: view.camera = view.camera.turned(0, kTurnStep); return ViewKeyResult::Changed;
    case Key::Down: view.camera = view.camera.turned(0, -kTurnStep); return ViewKeyResult::Changed;
    case Key::Home: view.fit(); return ViewKeyResult::Changed;
    case Key::Wheel: return zoom(key.ch > 0 ? kZoomStep : 1 / kZoomStep);
    case Key::Char: break;
    default: return ViewKeyResult::Ignored;
  }
  switch (key.ch) {
    case 't': return named(NamedView::Top);
    case 'b': return named(NamedView::Bottom);
    case 'f': return named(NamedView::Front);
    case 'k': return named(NamedView::Back);
    case 'l': return named(NamedView::Left);
    case 'r': return named(NamedView::Right);
    case 'i': return named(NamedView::Isometric);
    case 'p': view.perspective = !view.perspective; return ViewKeyResult::Changed;
    case '+':
    case '=': return zoom(kZoomStep);
    case '-': return zoom(1 / kZoomStep);
    case 'a': return pan(-1, 0);
    case 'd': return pan(1, 0);
    case 'w': return pan(0, 1);
    case 's': return pan(0, -1);
    case '0': view.fit(); return ViewKeyResult::Changed;
    default: return ViewKeyResult::Ignored;
  }
}

void drag_view(ViewState& view, int cols, int rows) {
  if (cols == 0 && rows == 0) return;
  view.camera = view.camera.turned(cols * kDragTurnPerColumn, rows * kDragTurnPerRow);
}

void ViewFollowsContent::scene_changed(ViewState& view, const view::Scene& scene) {
  if (scene.empty()) {
    // Nothing to look at: the next content chooses again, whatever the view is now.
    chosen_ = false;
    applied_ = view.camera;
    return;
  }
  const view::Camera& c = view.camera;
  if (c.name != applied_.name || c.toward != applied_.toward || c.up != applied_.up) chosen_ = true;
  if (chosen_) return;
  view.camera = view::default_camera(scene);
  applied_ = view.camera;
}

}  // namespace orv::interaction
