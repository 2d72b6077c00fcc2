// The named views, turning the camera, and the fit of the content into a device rectangle.
#include "view/projection.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace orv::view {

namespace {

constexpr NamedView kViews[] = {NamedView::Top,   NamedView::Bottom,    NamedView::Front,
                                NamedView::Back,  NamedView::Left,      NamedView::Right,
                                NamedView::Isometric, NamedView::Trimetric};
// The trimetric view looks from 60 degrees round from the x axis towards -y (the isometric's 45)
// and 30 degrees above the ground (the isometric's 35.3): x, y and z are shortened to 0.90, 0.66
// and 0.87 of their length.
constexpr double kTrimetricAzimuth = -60, kTrimetricElevation = 30;

Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec3 normalized(const Vec3& a) {
  double n = std::sqrt(dot(a, a));
  return n > 0 ? Vec3{a[0] / n, a[1] / n, a[2] / n} : a;
}

// `v` turned by `deg` degrees about the unit axis `k` (right-handed).
Vec3 rotated(const Vec3& v, const Vec3& k, double deg) {
  const double a = deg * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  const Vec3 kxv = cross(k, v);
  const double kv = dot(k, v) * (1 - c);
  return {v[0] * c + kxv[0] * s + k[0] * kv, v[1] * c + kxv[1] * s + k[1] * kv, v[2] * c + kxv[2] * s + k[2] * kv};
}

}  // namespace

const char* view_name(NamedView v) {
  switch (v) {
    case NamedView::Top: return "top";
    case NamedView::Bottom: return "bottom";
    case NamedView::Front: return "front";
    case NamedView::Back: return "back";
    case NamedView::Left: return "left";
    case NamedView::Right: return "right";
    case NamedView::Isometric: return "isometric";
    case NamedView::Trimetric: return "trimetric";
  }
  return "isometric";
}

std::optional<NamedView> parse_view_name(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (NamedView v : kViews) {
    if (lower == view_name(v)) return v;
  }
  return std::nullopt;
}

std::string view_names() {
  std::string out;
  for (NamedView v : kViews) out += (out.empty() ? "" : ", ") + std::string(view_name(v));
  return out;
}

Camera Camera::named(NamedView v) {
  Camera c;
  c.name = view_name(v);
  const double r2 = std::sqrt(0.5), r6 = 1 / std::sqrt(6.0);
  switch (v) {
    case NamedView::Top: c.right = {1, 0, 0}; c.up = {0, 1, 0}; break;
    case NamedView::Bottom: c.right = {1, 0, 0}; c.up = {0, -1, 0}; break;
    case NamedView::Front: c.right = {1, 0, 0}; c.up = {0, 0, 1}; break;
    case NamedView::Back: c.right = {-1, 0, 0}; c.up = {0, 0, 1}; break;
    case NamedView::Left: c.right = {0, -1, 0}; c.up = {0, 0, 1}; break;
    case NamedView::Right: c.right = {0, 1, 0}; c.up = {0, 0, 1}; break;
    case NamedView::Isometric: c.right = {r2, r2, 0}; c.up = {-r6, r6, 2 * r6}; break;
    case NamedView::Trimetric: {
      const double az = kTrimetricAzimuth * M_PI / 180, el = kTrimetricElevation * M_PI / 180;
      return looking({std::cos(el) * std::cos(az), std::cos(el) * std::sin(az), std::sin(el)}, c.name);
    }
  }
  c.toward = cross(c.right, c.up);
  return c;
}

Camera Camera::looking(const Vec3& toward, const std::string& name) {
  Camera c;
  c.name = name;
  c.toward = normalized(toward);
  // Right is level (z up on the screen) unless the view looks along z, where y is up.
  Vec3 right = cross({0, 0, 1}, c.toward);
  if (dot(right, right) < 1e-12) right = cross({0, 1, 0}, c.toward);
  if (dot(right, right) < 1e-24) right = {1, 0, 0};
  c.right = normalized(right);
  c.up = cross(c.toward, c.right);
  return c;
}

P2 Camera::project_in_perspective(const Vec3& p) const {
  const double cx = dot(centre, right), cy = dot(centre, up), k = 1 / w(p);
  return {cx + (dot(p, right) - cx) * k, cy + (dot(p, up) - cy) * k};
}

double Camera::depth(const Vec3& p) const { return dot(p, toward); }

double Camera::w(const Vec3& p) const {
  if (perspective <= 0) return 1;
  const double w = 1 - (dot(p, toward) - dot(centre, toward)) * perspective;
  return std::isfinite(w) ? std::max(w, kMinW) : kMinW;
}

Camera Camera::in_perspective(const Vec3& c, double radius) const {
  Camera out = *this;
  if (!(radius > 0) || !std::isfinite(radius)) return in_parallel();
  out.perspective = 1 / (kEyeDistance * radius);
  out.centre = c;
  return out;
}

Camera Camera::in_parallel() const {
  Camera out = *this;
  out.perspective = 0;
  out.centre = {0, 0, 0};
  return out;
}

Camera Camera::turned(double yaw, double pitch) const {
  // Turning the content to the right is turning the camera to the left about z.
  Camera c = *this;
  const Vec3 z{0, 0, 1};
  c.right = rotated(c.right, z, -yaw);
  c.up = rotated(c.up, z, -yaw);
  c.toward = rotated(c.toward, z, -yaw);
  c.up = rotated(c.up, c.right, -pitch);
  c.toward = rotated(c.toward, c.right, -pitch);
  // Keep the basis orthonormal however many small turns pile up.
  c.toward = normalized(c.toward);
  c.right = normalized(cross(c.up, c.toward));
  c.up = cross(c.toward, c.right);
  if (yaw != 0 || pitch != 0) c.name = "turned";
  return c;
}

P2 iso_project(const Vec3& p) {
  static const Camera iso = Camera::named(NamedView::Isometric);
  return iso.project(p);
}

Box2 framed(const Box2& content, double zoom, P2 pan) {
  if (content.empty()) return content;
  if (!(zoom > 0) || !std::isfinite(zoom)) zoom = 1;
  const double side = std::max({content.x1 - content.x0, content.y1 - content.y0, 1e-12});
  const double cx = (content.x0 + content.x1) / 2 + pan.x * side;
  const double cy = (content.y0 + content.y1) / 2 + pan.y * side;
  const double hw = (content.x1 - content.x0) / 2 / zoom, hh = (content.y1 - content.y0) / 2 / zoom;
  Box2 b;
  b.add({cx - hw, cy - hh});
  b.add({cx + hw, cy + hh});
  return b;
}

P2 pan_keeping(const Box2& content, double zoom, double new_zoom, P2 pan, P2 at) {
  if (content.empty() || !(zoom > 0) || !(new_zoom > 0)) return pan;
  const double side = std::max({content.x1 - content.x0, content.y1 - content.y0, 1e-12});
  const P2 mid{(content.x0 + content.x1) / 2, (content.y0 + content.y1) / 2};
  const P2 c{mid.x + pan.x * side, mid.y + pan.y * side};
  // The point keeps its device position when its offset from the centre shrinks as the scale grows.
  const double k = zoom / new_zoom;
  const P2 c2{at.x - (at.x - c.x) * k, at.y - (at.y - c.y) * k};
  return {(c2.x - mid.x) / side, (c2.y - mid.y) / side};
}

Viewport::Viewport(const Box2& content, double left, double top, double width, double height,
                   double margin, double unit_aspect, Camera camera)
    : camera_(std::move(camera)) {
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

P2 Viewport::to_view(P2 d) const {
  return {cx_ + (d.x - dx_) / sx_, cy_ - (d.y - dy_) / sy_};
}

}  // namespace orv::view
