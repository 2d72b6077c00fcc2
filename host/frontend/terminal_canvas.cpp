// Braille dots, clipped line drawing, and the scene as the view looks at it.
#include "frontend/terminal_canvas.h"

#include <algorithm>
#include <cmath>

namespace orv::frontend {

namespace {
// Bit of dot (x, y) inside a cell, x 0..1, y 0..3 (the braille block's numbering).
constexpr uint8_t kDotBit[4][2] = {{0x01, 0x08}, {0x02, 0x10}, {0x04, 0x20}, {0x40, 0x80}};
}  // namespace

BrailleCanvas::BrailleCanvas(int cols, int rows)
    : cols_(std::max(cols, 1)), rows_(std::max(rows, 1)),
      bits_(static_cast<std::size_t>(cols_) * rows_), colors_(bits_.size()) {}

void BrailleCanvas::clear() {
  std::fill(bits_.begin(), bits_.end(), 0);
  std::fill(colors_.begin(), colors_.end(), 0);
}

void BrailleCanvas::dot(int x, int y, uint8_t color) {
  if (x < 0 || y < 0 || x >= dot_width() || y >= dot_height()) return;
  std::size_t cell = static_cast<std::size_t>(y / 4) * cols_ + x / 2;
  bits_[cell] |= kDotBit[y % 4][x % 2];
  colors_[cell] = color;
}

void BrailleCanvas::line(double x0, double y0, double x1, double y1, uint8_t color) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
  // Clip to a margin round the canvas first so that far-off points cost nothing.
  const double lo_x = -2, lo_y = -2, hi_x = dot_width() + 2, hi_y = dot_height() + 2;
  double t0 = 0, t1 = 1, dx = x1 - x0, dy = y1 - y0;
  auto clip = [&](double p, double q) {  // Liang-Barsky
    if (p == 0) return q >= 0;
    double r = q / p;
    if (p < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
    return true;
  };
  if (!clip(-dx, x0 - lo_x) || !clip(dx, hi_x - x0) || !clip(-dy, y0 - lo_y) || !clip(dy, hi_y - y0)) return;
  double ax = x0 + t0 * dx, ay = y0 + t0 * dy, bx = x0 + t1 * dx, by = y0 + t1 * dy;
  int steps = static_cast<int>(std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay))));
  for (int i = 0; i <= steps; ++i) {
    double t = steps ? static_cast<double>(i) / steps : 0;
    dot(static_cast<int>(std::floor(ax + (bx - ax) * t + 0.5)),
        static_cast<int>(std::floor(ay + (by - ay) * t + 0.5)), color);
  }
}

void BrailleCanvas::cross(double x, double y, uint8_t color) {
  int cx = static_cast<int>(std::floor(x + 0.5)), cy = static_cast<int>(std::floor(y + 0.5));
  for (int d = -1; d <= 1; ++d) {
    dot(cx + d, cy + d, color);
    dot(cx + d, cy - d, color);
  }
}

void BrailleCanvas::blob(double x, double y, uint8_t color) {
  int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
  for (int a = 0; a < 2; ++a)
    for (int b = 0; b < 2; ++b) dot(cx + a, cy + b, color);
}

std::string BrailleCanvas::glyph(int col, int row) const {
  uint8_t b = bits(col, row);
  if (b == 0) return " ";
  unsigned cp = 0x2800u + b;  // three bytes of UTF-8
  std::string s;
  s += static_cast<char>(0xE0 | (cp >> 12));
  s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  s += static_cast<char>(0x80 | (cp & 0x3F));
  return s;
}

std::string BrailleCanvas::row_text(int row) const {
  std::string s;
  for (int c = 0; c < cols_; ++c) s += glyph(c, row);
  return s;
}

void draw_scene(BrailleCanvas& canvas, const view::Scene& scene, const interaction::ViewState& view) {
  canvas.clear();
  const view::Camera camera = view.camera_for(scene);
  view::Viewport vp(view::framed(scene.bounds(camera), view.zoom, view.pan), 0, 0, canvas.dot_width() - 1,
                    canvas.dot_height() - 1, 0.04, 1.0, camera);
  auto stroke = [&](const view::Polyline& l) {
    view::P2 a = vp.to_device(l.pts[0]);
    for (std::size_t i = 1; i < l.pts.size(); ++i) {
      view::P2 b = vp.to_device(l.pts[i]);
      canvas.line(a.x, a.y, b.x, b.y, l.color);
      a = b;
    }
  };
  for (const view::Polyline& l : scene.surfaces) stroke(l);
  for (const view::Polyline& l : scene.curves) stroke(l);
  for (const view::Mark& m : scene.marks) {
    view::P2 p = vp.to_device(m.at);
    if (m.stored) {
      canvas.blob(p.x, p.y, m.color);
    } else {
      canvas.cross(p.x, p.y, m.color);
    }
  }
}

}  // namespace orv::frontend
