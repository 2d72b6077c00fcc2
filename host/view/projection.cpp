// Isometric projection and the fit of the content into a device rectangle.
#include "view/projection.h"

#include <algorithm>
#include <cmath>

namespace orv::view {

P2 iso_project(const std::array<double, 3>& p) {
  static const double c30 = std::sqrt(3.0) / 2.0;
  return {(p[0] - p[1]) * c30, p[2] - 0.5 * (p[0] + p[1])};
}

void Box2::add(P2 p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
  x0 = std::min(x0, p.x);
  x1 = std::max(x1, p.x);
  y0 = std::min(y0, p.y);
  y1 = std::max(y1, p.y);
}

Viewport::Viewport(const Box2& content, double left, double top, double width, double height,
                   double margin, double unit_aspect) {
  if (!(unit_aspect > 0)) unit_aspect = 1;
  width = std::max(width, 1e-9);
  height = std::max(height, 1e-9);
  double m = margin * std::min(width, height / unit_aspect);  // in horizontal device units
  double inner_w = std::max(width - 2 * m, width * 0.1);
  double inner_h = std::max(height - 2 * m * unit_aspect, height * 0.1);  // vertical units
  dx_ = left + width / 2;
  dy_ = top + height / 2;
  double cw = 0, ch = 0;
  if (!content.empty()) {
    cx_ = (content.x0 + content.x1) / 2;
    cy_ = (content.y0 + content.y1) / 2;
    cw = content.x1 - content.x0;
    ch = content.y1 - content.y0;
  }
  // Horizontal device units per view unit that fit either extent; vertical ones follow the aspect.
  double fit_w = cw > 0 ? inner_w / cw : std::numeric_limits<double>::infinity();
  double fit_h = ch > 0 ? inner_h / (ch * unit_aspect) : std::numeric_limits<double>::infinity();
  double s = std::min(fit_w, fit_h);
  if (!std::isfinite(s)) {
    // Nothing with an extent: show one model unit across the smaller side.
    s = std::min(inner_w, inner_h / unit_aspect);
  }
  sx_ = s;
  sy_ = s * unit_aspect;
}

P2 Viewport::to_device(P2 v) const {
  return {dx_ + (v.x - cx_) * sx_, dy_ - (v.y - cy_) * sy_};
}

}  // namespace orv::view
