// The snap under the pointer, the entity under it, and an entity's length and bounding box.
#include "view/measure.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "view/legend.h"

namespace orv::view {

namespace {

double dist2(P2 a, P2 b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y); }

// Where along the segment a-b (0 at a, 1 at b) the point nearest p lies.
double nearest_along(P2 a, P2 b, P2 p) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  if (len2 <= 0) return 0;
  return std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
}

// The weights of p in the screen triangle a b c (each in [0, 1] when p is inside it); false for a
// triangle seen edge-on or p outside.
bool barycentric(P2 p, P2 a, P2 b, P2 c, double w[3]) {
  const double det = (b.y - c.y) * (a.x - c.x) + (c.x - b.x) * (a.y - c.y);
  if (std::fabs(det) < 1e-12) return false;
  w[0] = ((b.y - c.y) * (p.x - c.x) + (c.x - b.x) * (p.y - c.y)) / det;
  w[1] = ((c.y - a.y) * (p.x - c.x) + (a.x - c.x) * (p.y - c.y)) / det;
  w[2] = 1 - w[0] - w[1];
  const double slack = -1e-9;
  return w[0] >= slack && w[1] >= slack && w[2] >= slack;
}

const char* kind_name(int32_t kind) {
  switch (kind) {
    case ENT_POINT: return "point";
    case ENT_LINE: return "line";
    case ENT_SPLINE: return "spline";
    case ENT_NURBS_CURVE: return "NURB curve";
    case ENT_SURFACE: return "surface";
    case ENT_NURBS_SURFACE: return "NURB surface";
    default: return "entity";
  }
}

}  // namespace

Snap snap_at(const Scene& scene, const Viewport& vp, P2 at, double radius, bool marks) {
  Snap best;
  double best2 = radius * radius;
  auto consider = [&](const Point& p, Snap::Kind kind, int64_t entity) {
    const double d2 = dist2(vp.to_device(p), at);
    if (d2 <= best2 && (best.kind == Snap::Kind::None || d2 < best2 ||
                        (kind == Snap::Kind::Point && best.kind == Snap::Kind::Mark))) {
      // At one place a stored point wins over the screen mark drawn with it.
      best2 = d2;
      best = {kind, p, entity, std::sqrt(d2)};
    }
  };
  for (const Mark& m : scene.marks)
    if (m.stored || marks) consider(m.at, m.stored ? Snap::Kind::Point : Snap::Kind::Mark, m.entity);
  for (const Polyline& c : scene.curves) {
    if (c.pts.empty()) continue;
    consider(c.pts.front(), Snap::Kind::CurveEnd, c.entity);
    consider(c.pts.back(), Snap::Kind::CurveEnd, c.entity);
  }
  if (best.kind != Snap::Kind::None) return best;
  for (const Polyline& c : scene.curves) {
    if (c.pts.size() < 2) continue;
    P2 a = vp.to_device(c.pts[0]);
    for (std::size_t i = 1; i < c.pts.size(); ++i) {
      const P2 b = vp.to_device(c.pts[i]);
      const double t = nearest_along(a, b, at);
      const P2 q{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
      const double d2 = dist2(q, at);
      if (d2 <= best2) {
        best2 = d2;
        const Point& p0 = c.pts[i - 1];
        const Point& p1 = c.pts[i];
        best = {Snap::Kind::OnCurve,
                {p0[0] + (p1[0] - p0[0]) * t, p0[1] + (p1[1] - p0[1]) * t, p0[2] + (p1[2] - p0[2]) * t},
                c.entity,
                std::sqrt(d2)};
      }
      a = b;
    }
  }
  if (best.kind != Snap::Kind::None) return best;
  // On a surface: the point of the nearest facet under the pointer, within its triangle.
  double nearest = -std::numeric_limits<double>::infinity();
  const Camera& cam = vp.camera();
  for (const Facet& f : scene.facets) {
    P2 d[4];
    for (int i = 0; i < 4; ++i) d[i] = vp.to_device(f.p[i]);
    for (const std::array<int, 3>& t : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
      double w[3];
      if (!barycentric(at, d[t[0]], d[t[1]], d[t[2]], w)) continue;
      Point p{0, 0, 0};
      for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) p[i] += w[k] * f.p[t[k]][i];
      const double depth = cam.depth(p);
      if (depth > nearest) {
        nearest = depth;
        best = {Snap::Kind::OnSurface, p, f.entity, 0};
      }
    }
  }
  return best;
}

int64_t entity_at(const Scene& scene, const Viewport& vp, P2 at, double radius, bool marks) {
  return snap_at(scene, vp, at, radius, marks).entity;
}

double polyline_length(const std::vector<Point>& pts) {
  double sum = 0;
  for (std::size_t i = 1; i < pts.size(); ++i)
    sum += std::sqrt((pts[i][0] - pts[i - 1][0]) * (pts[i][0] - pts[i - 1][0]) +
                     (pts[i][1] - pts[i - 1][1]) * (pts[i][1] - pts[i - 1][1]) +
                     (pts[i][2] - pts[i - 1][2]) * (pts[i][2] - pts[i - 1][2]));
  return sum;
}

bool measure_entity(const GeometryDatabase& db, int64_t id, Measures& out) {
  const Entity* e = nullptr;
  db.for_each_entity([&](const Entity& x) {
    if (x.id() == id) e = &x;
  });
  if (e == nullptr) return false;
  out = Measures{};
  out.id = id;
  out.kind = kind_name(e->kind());
  switch (e->kind()) {
    case ENT_POINT:
      out.box.add({e->p1()[0], e->p1()[1], e->p1()[2]});
      break;
    case ENT_LINE: {
      const std::vector<Point> pts{{e->p1()[0], e->p1()[1], e->p1()[2]}, {e->p2()[0], e->p2()[1], e->p2()[2]}};
      for (const Point& p : pts) out.box.add(p);
      out.has_length = true;
      out.length = polyline_length(pts);
      break;
    }
    case ENT_SPLINE:
    case ENT_NURBS_CURVE: {
      Detail d;
      d.samples_per_span = kLengthSamplesPerSpan;
      d.min_curve_samples = kLengthSamplesPerSpan;
      d.max_curve_samples = 1 << 20;
      std::vector<Point> pts = sample_curve_dense(e->nb(), d);
      if (pts.empty()) pts = e->through();  // a malformed form: the points it was made through
      for (const Point& p : pts) out.box.add(p);
      out.has_length = pts.size() >= 2;
      out.length = polyline_length(pts);
      break;
    }
    case ENT_SURFACE:
    case ENT_NURBS_SURFACE: {
      Detail d;
      d.facets = true;
      std::vector<Facet> facets = surface_facets(e->nb(), e->color(), d);
      for (const Facet& f : facets)
        for (const Point& p : f.p) out.box.add(p);
      if (facets.empty())
        for (const Point& p : e->through()) out.box.add(p);
      break;
    }
    default:
      break;
  }
  return true;
}

std::string coordinate_text(double v) {
  if (!std::isfinite(v)) return v != v ? "nan" : (v > 0 ? "inf" : "-inf");
  char buf[64];
  if (std::fabs(v) >= 1e7) {
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 4);
    return std::string(buf, r.ptr);
  }
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
  std::string s(buf, r.ptr);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string snap_text(const Snap& snap) {
  const char* what = nullptr;
  switch (snap.kind) {
    case Snap::Kind::None: return {};
    case Snap::Kind::Mark: what = "mark"; break;
    case Snap::Kind::Point: what = "point"; break;
    case Snap::Kind::CurveEnd: what = "end"; break;
    case Snap::Kind::OnCurve: what = "on curve"; break;
    case Snap::Kind::OnSurface: what = "on surface"; break;
  }
  std::string s = "x ";
  s += coordinate_text(snap.at[0]);
  s += "  y ";
  s += coordinate_text(snap.at[1]);
  s += "  z ";
  s += coordinate_text(snap.at[2]);
  s += " mm \u00b7 ";
  s += what;
  return s;
}

std::string measures_text(const Measures& m) {
  std::string s = m.kind;
  s += " ";
  s += std::to_string(m.id);
  if (m.has_length) {
    s += " \u00b7 length ";
    s += length_text(m.length);
    s += " mm";
  }
  s += " \u00b7 box ";
  s += size_text(m.box);
  return s;
}

}  // namespace orv::view
