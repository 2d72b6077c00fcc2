// The views of the graphics window, shared by the pictures and the terminal: a camera (three
// orthonormal axes: right, up, and toward the viewer) projecting model space onto a view plane, in
// parallel or in perspective, the named views a CAD user expects (z up), turning about the content, and a fit of the
// content's projected bounds into a device rectangle with equal scales in x and y.
#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace orv::view {

struct P2 {
  double x, y;
};

using Vec3 = std::array<double, 3>;

inline double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

/// The standard views: along an axis (top looks down onto XY with x right and y up), the Z-up
/// isometric from above (x to the lower right, y to the upper right, z up), and a trimetric from
/// above, in front and to the right, where x, y and z are each shortened by another amount: it does
/// not look along the diagonals, so a surface symmetric about them (a saddle) is not seen edge-on.
enum class NamedView { Top, Bottom, Front, Back, Left, Right, Isometric, Trimetric };

/// The lower-case name of a view ("top", ..., "isometric").
const char* view_name(NamedView v);
/// The view a name stands for (any case); none for an unknown name.
std::optional<NamedView> parse_view_name(const std::string& name);
/// The names of the views, as a user may type them: "top, bottom, front, back, left, right,
/// isometric, trimetric".
std::string view_names();

/// The eye of a perspective view stands this many times the content's radius (half its bounding
/// box's diagonal) from its centre: the content fills about 40 degrees of sight.
constexpr double kEyeDistance = 3.0;

/// A camera. `right`, `up` and `toward` (the viewer) form a right-handed orthonormal basis; a
/// model point's depth is its component along `toward` (larger is nearer the viewer). In parallel
/// its view-plane position is its components along `right` and `up`. In perspective the eye stands
/// 1 / `perspective` from `centre` along `toward`, and a point's offset from `centre` across the
/// view is divided by w(), its distance from the eye over the centre's: a point at the centre's
/// depth stands where the parallel view puts it, a nearer one farther out.
struct Camera {
  Vec3 right{1, 0, 0}, up{0, 1, 0}, toward{0, 0, 1};
  std::string name = "top";  // the named view, or "turned" once turned away from it
  double perspective = 0;    // 1 over the eye's distance from `centre`; 0 is a parallel view
  Vec3 centre{0, 0, 0};      // the point the eye looks at

  static Camera named(NamedView v);
  P2 project(const Vec3& p) const {  // inline: a picture projects every one of a million points
    if (perspective <= 0) return {dot(p, right), dot(p, up)};
    return project_in_perspective(p);
  }
  double depth(const Vec3& p) const;
  /// The perspective divisor of a point: 1 at the centre's depth, less nearer the eye, never below
  /// kMinW (a point at or behind the eye is drawn as if just in front of it). 1 in parallel.
  double w(const Vec3& p) const;
  /// This camera in perspective, looking at `centre` from kEyeDistance times `radius` away; `radius`
  /// not above 0 (nothing with an extent) gives the parallel view.
  Camera in_perspective(const Vec3& centre, double radius) const;
  /// This camera in parallel.
  Camera in_parallel() const;
  P2 project_in_perspective(const Vec3& p) const;
  /// The camera turned about the model's z axis by `yaw` degrees and then about its own right axis
  /// by `pitch` degrees: positive yaw turns the content to the right, positive pitch looks from
  /// higher up. Fitting the result turns the content about its own centre.
  Camera turned(double yaw, double pitch) const;
  /// A camera looking along `-toward` (toward the viewer is `toward`), z up on the screen where it
  /// can be (else y), named `name`.
  static Camera looking(const Vec3& toward, const std::string& name);
};

/// The smallest perspective divisor (Camera::w).
constexpr double kMinW = 0.05;

/// The isometric projection (Camera::named(NamedView::Isometric).project).
P2 iso_project(const Vec3& p);

/// Bounds on the view plane; empty until something is added.
struct Box2 {
  double x0 = std::numeric_limits<double>::infinity(), y0 = x0;
  double x1 = -std::numeric_limits<double>::infinity(), y1 = x1;
  void add(P2 p) {  // inline: a picture's fit adds every one of a million points
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  bool empty() const { return x0 > x1; }
};

/// `content` seen through a zoom (2 shows half of it, twice as large) and a pan (a shift of the
/// centre in fractions of the content's larger side, x right and y up). Empty stays empty.
Box2 framed(const Box2& content, double zoom, P2 pan);

/// The pan that keeps the view-plane point `at` where it stands on the screen while the zoom goes
/// from `zoom` to `new_zoom`: zooming about the pointer. `content` and `pan` as framed() takes them.
P2 pan_keeping(const Box2& content, double zoom, double new_zoom, P2 pan, P2 at);

/// Maps the view plane onto a device rectangle whose y points down. The content fills the rectangle
/// less `margin` (a fraction of its smaller side, on each side) and is centred. `unit_aspect` is the
/// width of one device unit over its height, so that circles stay round (1 for pixels). Empty or
/// zero-sized content is centred at a scale that shows one model unit.
class Viewport {
 public:
  Viewport(const Box2& content, double left, double top, double width, double height,
           double margin = 0.06, double unit_aspect = 1.0, Camera camera = Camera::named(NamedView::Isometric));
  P2 to_device(P2 view) const { return {dx_ + (view.x - cx_) * sx_, dy_ - (view.y - cy_) * sy_}; }
  P2 to_device(const Vec3& model) const { return to_device(camera_.project(model)); }
  /// The view-plane point shown at a device point (the inverse of to_device).
  P2 to_view(P2 device) const;
  /// Device units (horizontal) per model unit on the view plane.
  double scale() const { return sx_; }
  const Camera& camera() const { return camera_; }

 private:
  Camera camera_;
  double sx_ = 1, sy_ = 1;     // device units per view-plane unit
  double cx_ = 0, cy_ = 0;     // view-plane point at the centre
  double dx_ = 0, dy_ = 0;     // device centre
};

}  // namespace orv::view
