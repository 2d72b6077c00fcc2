// The outline of a picked entity; see entity_pick.h.
#include "view/entity_pick.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv::view {
namespace {

Detail outline_detail() {
  Detail d;
  d.samples_per_span = 4;
  d.min_curve_samples = 32;
  d.max_curve_samples = 2000;
  // A surface's boundary (the first and last iso-curves each way) and a few between: enough to
  // show its shape, few enough that the highlight reads over its own iso-curves.
  d.min_iso_curves = 4;
  d.max_iso_curves = 5;
  d.min_iso_samples = 32;
  d.max_iso_samples = 128;
  return d;
}

}  // namespace

std::vector<std::vector<Point>> entity_outline(const Entity& e) {
  const double* p1 = e.p1();
  switch (e.kind()) {
    case ENT_POINT: return {{Point{p1[0], p1[1], p1[2]}}};
    case ENT_LINE: {
      const double* p2 = e.p2();
      return {{Point{p1[0], p1[1], p1[2]}, Point{p2[0], p2[1], p2[2]}}};
    }
    case ENT_SPLINE:
    case ENT_NURBS_CURVE: {
      std::vector<Point> pts = sample_curve_dense(e.nb(), outline_detail());
      if (pts.empty()) return {};
      return {std::move(pts)};
    }
    case ENT_SURFACE:
    case ENT_NURBS_SURFACE: return surface_iso_curves(e.nb(), outline_detail());
    default: return {};
  }
}


DepthRaster::DepthRaster(const Scene& scene, const Viewport& vp, double left, double top, double width,
                         double height, double cell)
    : vp_(vp), left_(left), top_(top), cell_(std::max(cell, 0.5)) {
  cols_ = std::max(1, static_cast<int>(std::ceil(std::max(width, 0.0) / cell_)));
  rows_ = std::max(1, static_cast<int>(std::ceil(std::max(height, 0.0) / cell_)));
  depth_.assign(static_cast<std::size_t>(cols_) * rows_, -std::numeric_limits<float>::infinity());
  const Box3 box = scene.model_bounds();
  if (box.empty()) return;
  const Point size = box.size();
  tolerance_ = 0.01 * std::sqrt(size[0] * size[0] + size[1] * size[1] + size[2] * size[2]);
  const Camera& cam = vp.camera();
  for (const Facet& f : scene.facets) {
    P2 d[4];
    double z[4];
    for (int i = 0; i < 4; ++i) {
      const P2 q = vp.to_device(f.p[i]);
      d[i] = {(q.x - left_) / cell_, (q.y - top_) / cell_};  // in cells
      z[i] = cam.depth(f.p[i]);
    }
    for (const std::array<int, 3>& t : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
      const P2 a = d[t[0]], b = d[t[1]], c = d[t[2]];
      const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
      if (!(std::abs(area) > 1e-12)) continue;
      const int c0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
      const int c1 = std::min(cols_ - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
      const int r0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
      const int r1 = std::min(rows_ - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
      for (int r = r0; r <= r1; ++r) {
        for (int col = c0; col <= c1; ++col) {
          const double px = col + 0.5, py = r + 0.5;
          const double wb = ((px - a.x) * (c.y - a.y) - (py - a.y) * (c.x - a.x)) / area;
          const double wc = ((b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x)) / area;
          const double wa = 1 - wb - wc;
          if (wa < -1e-9 || wb < -1e-9 || wc < -1e-9) continue;
          float& cellz = depth_[static_cast<std::size_t>(r) * cols_ + col];
          cellz = std::max(cellz, static_cast<float>(wa * z[t[0]] + wb * z[t[1]] + wc * z[t[2]]));
        }
      }
    }
  }
}

bool DepthRaster::visible(const Point& p) const {
  const P2 q = vp_.to_device(p);
  const int col = static_cast<int>(std::floor((q.x - left_) / cell_));
  const int row = static_cast<int>(std::floor((q.y - top_) / cell_));
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return true;
  return vp_.camera().depth(p) >= depth_[static_cast<std::size_t>(row) * cols_ + col] - tolerance_;
}

std::vector<std::vector<Point>> visible_runs(const std::vector<Point>& stroke, const DepthRaster& raster) {
  if (stroke.size() <= 1) return {stroke};
  std::vector<std::vector<Point>> runs;
  std::vector<Point> run;
  for (const Point& p : stroke) {
    if (raster.visible(p)) {
      run.push_back(p);
    } else if (!run.empty()) {
      runs.push_back(std::move(run));
      run.clear();
    }
  }
  if (!run.empty()) runs.push_back(std::move(run));
  return runs;
}

}  // namespace orv::view
