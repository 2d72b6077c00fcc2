// Picking an entity; see entity_pick.h. The distance is measured in device units to each projected
// segment, so a curve seen edge-on or a tiny surface is picked as easily as it is seen.
#include "view/entity_pick.h"

#include <algorithm>
#include <cmath>

namespace orv::view {
namespace {

Detail outline_detail() {
  Detail d;
  d.samples_per_span = 4;
  d.min_curve_samples = 32;
  d.max_curve_samples = 2000;
  d.min_iso_curves = 6;
  d.max_iso_curves = 12;
  d.min_iso_samples = 32;
  d.max_iso_samples = 128;
  return d;
}

double segment_distance(P2 p, P2 a, P2 b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
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

int64_t pick_entity(const GeometryDatabase& db, const std::function<P2(const Point&)>& to_device, P2 at,
                    double reach) {
  int64_t best_id = 0;
  double best = reach;
  bool best_is_point = false;
  db.for_each_entity([&](const Entity& e) {
    const bool is_point = e.kind() == ENT_POINT;
    if (best_is_point && !is_point) return;  // a point found within reach wins
    double nearest = reach + 1;
    for (const std::vector<Point>& stroke : entity_outline(e)) {
      if (stroke.empty()) continue;
      P2 prev = to_device(stroke.front());
      if (stroke.size() == 1) nearest = std::min(nearest, segment_distance(at, prev, prev));
      for (std::size_t i = 1; i < stroke.size(); ++i) {
        const P2 next = to_device(stroke[i]);
        nearest = std::min(nearest, segment_distance(at, prev, next));
        prev = next;
      }
    }
    if (nearest > reach) return;
    if ((is_point && !best_is_point) || nearest < best || best_id == 0) {
      best = nearest;
      best_id = e.id();
      best_is_point = is_point;
    }
  });
  return best_id;
}

}  // namespace orv::view
