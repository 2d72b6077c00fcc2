// How the graphics window is looked at, in the terminal and in the desktop window: a camera (a named
// view, or one turned from it), a zoom and a pan, changed by keys and drags while the graphics
// window is in use. Kept apart from the drawing so that what each key does is plain data the tests
// can check.
#pragma once
#include <string>
#include "interaction/key.h"
#include "view/projection.h"
#include "view/scene.h"

namespace orv::interaction {

/// One key's turn, in degrees; one key's zoom factor; one key's pan, in fractions of the window.
constexpr double kTurnStep = 15.0;
constexpr double kZoomStep = 1.25;
constexpr double kPanStep = 0.1;
/// A drag's turn per cell the pointer moves: a cell is about twice as tall as it is wide.
constexpr double kDragTurnPerColumn = 3.0;
constexpr double kDragTurnPerRow = 6.0;
/// The zoom stays within these, so that the content can always be found again.
constexpr double kMinZoom = 1.0 / 64;
constexpr double kMaxZoom = 4096;

struct ViewState {
  view::Camera camera = view::Camera::named(view::NamedView::Isometric);
  double zoom = 1;
  view::P2 pan{0, 0};  // the shift of the centre, in fractions of the content's larger side
  bool perspective = false;  // seen in perspective (view::perspective_camera), else in parallel

  /// The camera that draws `scene`: `camera`, in perspective about the scene when asked.
  view::Camera camera_for(const view::Scene& scene) const {
    return perspective ? view::perspective_camera(camera, scene) : camera.in_parallel();
  }

  /// Back to the whole content, centred, in the same direction.
  void fit() {
    zoom = 1;
    pan = {0, 0};
  }
};

/// What a key does to the view while the graphics window is in use.
enum class ViewKeyResult {
  Ignored,  // not a view key
  Changed,  // the view changed
  Leave,    // the person leaves the graphics window
};

/// Applies a view key: t b f k l r i the named views (top, bottom, front, back, left, right,
/// isometric); p between parallel and perspective; the arrows turn; + and - (and the mouse wheel) zoom; w a s d pan; Home or 0 fits; Esc, Enter, Tab and F2
/// leave. A named view also fits.
ViewKeyResult apply_view_key(ViewState& view, const Key& key);

/// Turns the view for a drag of the mouse by `cols` cells to the right and `rows` down: about the
/// content's centre, as the arrow keys turn it (right turns the content right, down looks from
/// higher up). Zoom and pan stay.
void drag_view(ViewState& view, int cols, int rows);

/// The view a scene opens in, in every front end: it follows the content (view::default_camera:
/// square to the plane of flat content, else trimetric) until the person turns the view or chooses
/// one; once chosen it stays, until the scene is empty again.
class ViewFollowsContent {
 public:
  /// After the scene changed: gives `view` the scene's default camera unless the person chose one
  /// since the scene was last empty.
  void scene_changed(ViewState& view, const view::Scene& scene);

 private:
  view::Camera applied_ = ViewState{}.camera;  // the camera the content last chose
  bool chosen_ = false;
};

}  // namespace orv::interaction
