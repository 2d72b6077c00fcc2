// The outline of a picked entity; see entity_pick.h.
#include "view/entity_pick.h"

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

}  // namespace orv::view
