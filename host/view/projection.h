// The isometric view of the graphics window, shared by the pictures and the terminal: a fixed
// projection of model space onto a view plane, and a fit of the content's projected bounds into a
// device rectangle with a margin, equal scales in x and y (for the device's own aspect of a unit).
#pragma once
#include <array>
#include <limits>

namespace orv::view {

struct P2 {
  double x, y;
};

/// The isometric projection: the model's x axis points to the lower right, y to the lower left and
/// z straight up; every axis is shortened alike. The view plane's y points up.
P2 iso_project(const std::array<double, 3>& p);

/// Bounds on the view plane; empty until something is added.
struct Box2 {
  double x0 = std::numeric_limits<double>::infinity(), y0 = x0;
  double x1 = -std::numeric_limits<double>::infinity(), y1 = x1;
  void add(P2 p);
  bool empty() const { return x0 > x1; }
};

/// Maps the view plane onto a device rectangle whose y points down. The content fills the rectangle
/// less `margin` (a fraction of its smaller side, on each side) and is centred. `unit_aspect` is the
/// width of one device unit over its height, so that circles stay round (1 for pixels). Empty or
/// zero-sized content is centred at a scale that shows one model unit.
class Viewport {
 public:
  Viewport(const Box2& content, double left, double top, double width, double height,
           double margin = 0.06, double unit_aspect = 1.0);
  P2 to_device(P2 view) const;
  P2 to_device(const std::array<double, 3>& model) const { return to_device(iso_project(model)); }
  /// Device units (horizontal) per model unit on the view plane.
  double scale() const { return sx_; }

 private:
  double sx_ = 1, sy_ = 1;     // device units per view-plane unit
  double cx_ = 0, cy_ = 0;     // view-plane point at the centre
  double dx_ = 0, dy_ = 0;     // device centre
};

}  // namespace orv::view
