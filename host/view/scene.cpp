// Turning the database into strokes: curves and surfaces are evaluated from their B-spline form
// through the kernel; a record whose form is malformed falls back to the points it was made through.
#include "view/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include "core/huge_pages.h"
#include "kernel/kernel.h"

namespace orv::view {

namespace {

bool finite(const Point& p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

Point to_point(const double* p) { return {p[0], p[1], p[2]}; }

// The distinct knots of one direction inside its parameter range [knots[p], knots[n]].
std::vector<double> distinct_knots(const std::vector<double>& knots, int degree, int count) {
  std::vector<double> out;
  if (degree < 0 || count <= degree || static_cast<int>(knots.size()) < count + degree + 1) return out;
  for (int i = degree; i <= count; ++i) {
    if (out.empty() || knots[i] > out.back()) out.push_back(knots[i]);
  }
  return out;
}

// Parameters over the distinct knots, `per_span` points inside each span, or `cap` even steps when
// that would be more than `cap`.
std::vector<double> dense_parameters(const std::vector<double>& knots, int per_span, int min_n, int cap) {
  std::vector<double> t;
  if (knots.size() < 2) return t;
  std::size_t spans = knots.size() - 1;
  per_span = std::max(per_span, 1);
  // Few spans: more points a span, so a single cubic arc still looks round.
  int want_per_span = per_span;
  if (static_cast<long>(spans) * want_per_span < min_n) {
    want_per_span = static_cast<int>((min_n + spans - 1) / spans);
  }
  long total = static_cast<long>(spans) * want_per_span + 1;
  if (total > cap) {
    double a = knots.front(), b = knots.back();
    for (int i = 0; i < cap; ++i) t.push_back(a + (b - a) * i / (cap - 1));
    return t;
  }
  for (std::size_t s = 0; s < spans; ++s) {
    double a = knots[s], b = knots[s + 1];
    for (int i = 0; i < want_per_span; ++i) t.push_back(a + (b - a) * i / want_per_span);
  }
  t.push_back(knots.back());
  return t;
}

// The parameters of the iso-curves of one direction: the distinct knots, each span cut into equal
// parts when there are fewer than `min_n` of them (a wireframe of a few patches looks bare), or
// `cap` even steps over the range when there are more than `cap`.
std::vector<double> iso_parameters(const std::vector<double>& knots, int min_n, int cap) {
  if (knots.size() < 2) return knots;
  cap = std::max(cap, 2);
  int n = static_cast<int>(knots.size());
  std::vector<double> t;
  if (n > cap) {
    double a = knots.front(), b = knots.back();
    for (int i = 0; i < cap; ++i) t.push_back(a + (b - a) * i / (cap - 1));
    return t;
  }
  int spans = n - 1;
  int parts = std::max(1, (min_n - 1 + spans - 1) / spans);
  while (parts > 1 && spans * parts + 1 > cap) --parts;
  for (int s = 0; s < spans; ++s) {
    for (int i = 0; i < parts; ++i) t.push_back(knots[s] + (knots[s + 1] - knots[s]) * i / parts);
  }
  t.push_back(knots.back());
  return t;
}

void add_polyline(std::vector<Polyline>& out, uint8_t color, std::vector<Point> pts, int64_t entity = 0) {
  pts.erase(std::remove_if(pts.begin(), pts.end(), [](const Point& p) { return !finite(p); }), pts.end());
  if (pts.size() >= 2) out.push_back({color, std::move(pts), entity});
}

// A surface's grid of `through` points drawn as its rows and columns.
bool add_grid(std::vector<Polyline>& out, const Entity& e) {
  if (e.rows() < 2 || e.cols() < 2 || e.through().size() != static_cast<std::size_t>(e.rows()) * e.cols()) return false;
  for (int i = 0; i < e.rows(); ++i) {
    add_polyline(out, e.color(), {e.through().begin() + i * e.cols(), e.through().begin() + (i + 1) * e.cols()},
                 e.id());
  }
  for (int j = 0; j < e.cols(); ++j) {
    std::vector<Point> col;
    for (int i = 0; i < e.rows(); ++i) col.push_back(e.through()[i * e.cols() + j]);
    add_polyline(out, e.color(), std::move(col), e.id());
  }
  return true;
}

// The same grid of `through` points as facets, every side an edge of the wireframe.
bool add_grid_facets(std::vector<Facet>& out, const Entity& e) {
  if (e.rows() < 2 || e.cols() < 2 || e.through().size() != static_cast<std::size_t>(e.rows()) * e.cols()) return false;
  for (int i = 0; i + 1 < e.rows(); ++i) {
    for (int j = 0; j + 1 < e.cols(); ++j) {
      Facet f;
      f.p = {e.through()[i * e.cols() + j], e.through()[(i + 1) * e.cols() + j], e.through()[(i + 1) * e.cols() + j + 1],
             e.through()[i * e.cols() + j + 1]};
      if (!finite(f.p[0]) || !finite(f.p[1]) || !finite(f.p[2]) || !finite(f.p[3])) continue;
      f.color = e.color();
      f.edges = 0xF;
      f.entity = e.id();
      out.push_back(f);
    }
  }
  return true;
}

// `iso` cut into `parts` equal pieces between neighbours; `on_iso[k]` tells whether parameter k is
// one of the iso-curves.
std::vector<double> refined(const std::vector<double>& iso, int parts, std::vector<bool>& on_iso) {
  std::vector<double> t;
  on_iso.clear();
  for (std::size_t i = 0; i + 1 < iso.size(); ++i) {
    for (int k = 0; k < parts; ++k) {
      t.push_back(iso[i] + (iso[i + 1] - iso[i]) * k / parts);
      on_iso.push_back(k == 0);
    }
  }
  if (!iso.empty()) {
    t.push_back(iso.back());
    on_iso.push_back(true);
  }
  return t;
}

}  // namespace

Point Box3::size() const {
  if (empty()) return {0, 0, 0};
  return {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
}

std::vector<Facet> surface_facets(const nb_type& nb, uint8_t color, const Detail& detail) {
  std::string err;
  if (!kernel::check_surface(nb, err)) return {};
  std::vector<double> uiso = iso_parameters(distinct_knots(nb.uknots, nb.udegree, nb.nu), detail.min_iso_curves,
                                            detail.max_iso_curves);
  std::vector<double> viso = iso_parameters(distinct_knots(nb.vknots, nb.vdegree, nb.nv), detail.min_iso_curves,
                                            detail.max_iso_curves);
  if (uiso.size() < 2 || viso.size() < 2) return {};
  auto parts_for = [&](const std::vector<double>& iso) {
    return std::max(1, detail.max_facet_steps / static_cast<int>(iso.size() - 1));
  };
  std::vector<bool> uon, von;
  std::vector<double> us = refined(uiso, parts_for(uiso), uon);
  std::vector<double> vs = refined(viso, parts_for(viso), von);
  std::vector<Point> grid;
  grid.reserve(us.size() * vs.size());
  for (double u : us)
    for (double v : vs) grid.push_back(kernel::evaluate_surface(nb, u, v));
  const std::size_t nv = vs.size();
  std::vector<Facet> out;
  for (std::size_t i = 0; i + 1 < us.size(); ++i) {
    for (std::size_t j = 0; j + 1 < nv; ++j) {
      Facet f;
      f.p = {grid[i * nv + j], grid[(i + 1) * nv + j], grid[(i + 1) * nv + j + 1], grid[i * nv + j + 1]};
      if (!finite(f.p[0]) || !finite(f.p[1]) || !finite(f.p[2]) || !finite(f.p[3])) continue;
      f.color = color;
      // Sides: 0 along u at v_j, 1 along v at u_i+1, 2 along u at v_j+1, 3 along v at u_i.
      f.edges = static_cast<uint8_t>((von[j] ? 1 : 0) | (uon[i + 1] ? 2 : 0) | (von[j + 1] ? 4 : 0) |
                                     (uon[i] ? 8 : 0));
      out.push_back(f);
    }
  }
  return out;
}

std::vector<Point> sample_curve_dense(const nb_type& nb, const Detail& detail) {
  std::string err;
  if (!kernel::check_curve(nb, err)) return {};
  std::vector<Point> pts;
  for (double t : dense_parameters(distinct_knots(nb.uknots, nb.udegree, nb.nu), detail.samples_per_span,
                                   detail.min_curve_samples, detail.max_curve_samples)) {
    pts.push_back(kernel::evaluate_curve(nb, t));
  }
  return pts;
}

std::vector<std::vector<Point>> surface_iso_curves(const nb_type& nb, const Detail& detail) {
  std::string err;
  if (!kernel::check_surface(nb, err)) return {};
  std::vector<double> uk = distinct_knots(nb.uknots, nb.udegree, nb.nu);
  std::vector<double> vk = distinct_knots(nb.vknots, nb.vdegree, nb.nv);
  std::vector<double> us = dense_parameters(uk, detail.samples_per_span, detail.min_iso_samples,
                                            detail.max_iso_samples);
  std::vector<double> vs = dense_parameters(vk, detail.samples_per_span, detail.min_iso_samples,
                                            detail.max_iso_samples);
  std::vector<std::vector<Point>> out;
  for (double u : iso_parameters(uk, detail.min_iso_curves, detail.max_iso_curves)) {
    std::vector<Point> c;
    for (double v : vs) c.push_back(kernel::evaluate_surface(nb, u, v));
    out.push_back(std::move(c));
  }
  for (double v : iso_parameters(vk, detail.min_iso_curves, detail.max_iso_curves)) {
    std::vector<Point> c;
    for (double u : us) c.push_back(kernel::evaluate_surface(nb, u, v));
    out.push_back(std::move(c));
  }
  return out;
}

Box2 Scene::bounds(const Camera& camera) const {
  Box2 b;
  for (const auto* set : {&surfaces, &curves}) {
    for (const Polyline& l : *set) {
      for (const Point& p : l.pts) b.add(camera.project(p));
    }
  }
  for (const Facet& f : facets) {
    for (const Point& p : f.p) b.add(camera.project(p));
  }
  for (const Mark& m : marks) b.add(camera.project(m.at));
  return b;
}

Box3 Scene::model_bounds() const {
  Box3 b;
  for (const auto* set : {&surfaces, &curves}) {
    for (const Polyline& l : *set) {
      for (const Point& p : l.pts) b.add(p);
    }
  }
  for (const Facet& f : facets) {
    for (const Point& p : f.p) b.add(p);
  }
  for (const Mark& m : marks) b.add(m.at);
  return b;
}

namespace {

bool box_flat_in_xy(const Box3& b) {
  if (b.empty()) return false;
  Point size = b.size();
  double extent = std::max({size[0], size[1], std::fabs(b.lo[2]), std::fabs(b.hi[2]), 1e-300});
  return size[2] <= 1e-6 * extent;
}

}  // namespace

bool Scene::flat_in_xy() const { return box_flat_in_xy(model_bounds()); }

namespace {

// The eigenvalues (ascending) and unit eigenvectors of a symmetric 3 x 3 matrix, by Jacobi turns.
void symmetric_eigen(std::array<std::array<double, 3>, 3> a, std::array<double, 3>& values,
                     std::array<Point, 3>& vectors) {
  std::array<std::array<double, 3>, 3> v{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  for (int sweep = 0; sweep < 50; ++sweep) {
    const double off = std::fabs(a[0][1]) + std::fabs(a[0][2]) + std::fabs(a[1][2]);
    const double diag = std::fabs(a[0][0]) + std::fabs(a[1][1]) + std::fabs(a[2][2]);
    if (off <= 1e-300 || off <= 1e-18 * diag) break;
    for (int p = 0; p < 2; ++p)
      for (int q = p + 1; q < 3; ++q) {
        if (a[p][q] == 0) continue;
        const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
        const double t = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const double c = 1 / std::sqrt(t * t + 1), s = t * c;
        for (int k = 0; k < 3; ++k) {  // columns p and q
          const double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        for (int k = 0; k < 3; ++k) {  // rows p and q
          const double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - s * aqk;
          a[q][k] = s * apk + c * aqk;
        }
        for (int k = 0; k < 3; ++k) {
          const double vkp = v[k][p], vkq = v[k][q];
          v[k][p] = c * vkp - s * vkq;
          v[k][q] = s * vkp + c * vkq;
        }
      }
  }
  std::array<int, 3> order{0, 1, 2};
  std::sort(order.begin(), order.end(), [&a](int i, int j) { return a[i][i] < a[j][j]; });
  for (int i = 0; i < 3; ++i) {
    values[i] = a[order[i]][order[i]];
    vectors[i] = {v[0][order[i]], v[1][order[i]], v[2][order[i]]};
  }
}

template <typename F>
void each_point(const Scene& s, F&& f) {
  for (const auto* set : {&s.surfaces, &s.curves})
    for (const Polyline& l : *set)
      for (const Point& p : l.pts) f(p);
  for (const Facet& fa : s.facets)
    for (const Point& p : fa.p) f(p);
  for (const Mark& m : s.marks) f(m.at);
}

}  // namespace

Camera perspective_camera(const Camera& camera, const Scene& scene) {
  const Box3 box = scene.model_bounds();
  if (box.empty()) return camera.in_parallel();
  const Point size = box.size();
  const Point mid{(box.lo[0] + box.hi[0]) / 2, (box.lo[1] + box.hi[1]) / 2, (box.lo[2] + box.hi[2]) / 2};
  return camera.in_perspective(mid, std::sqrt(size[0] * size[0] + size[1] * size[1] + size[2] * size[2]) / 2);
}

Camera default_camera(const Scene& scene) { return default_camera(scene, scene.model_bounds()); }

Camera default_camera(const Scene& scene, const Box3& box) {
  // A picture of a million points passes over them for each of these: as few passes as will do.
  if (box_flat_in_xy(box)) return Camera::named(NamedView::Top);
  if (box.empty()) return Camera::named(NamedView::Trimetric);
  // The plane through the centre of the points that they stray from least: the normal is the
  // direction of least spread.
  const Point size = box.size();
  const Point mid{(box.lo[0] + box.hi[0]) / 2, (box.lo[1] + box.hi[1]) / 2, (box.lo[2] + box.hi[2]) / 2};
  // One pass for the mean and the scatter about it, taken about the box's middle so that the sums
  // stay within the content's size: their rounding is far below the tolerance the plane is held to.
  double n = 0;
  Point sum{0, 0, 0};
  std::array<std::array<double, 3>, 3> cov{};
  each_point(scene, [&](const Point& p) {
    if (!finite(p)) return;
    n += 1;
    const double d[3] = {p[0] - mid[0], p[1] - mid[1], p[2] - mid[2]};
    for (int i = 0; i < 3; ++i) {
      sum[i] += d[i];
      for (int j = i; j < 3; ++j) cov[i][j] += d[i] * d[j];
    }
  });
  const Point mean{sum[0] / n, sum[1] / n, sum[2] / n};
  for (int i = 0; i < 3; ++i)
    for (int j = i; j < 3; ++j) cov[j][i] = cov[i][j] = cov[i][j] - n * mean[i] * mean[j];
  std::array<double, 3> values{};
  std::array<Point, 3> axes{};
  symmetric_eigen(cov, values, axes);
  const double extent = std::sqrt(size[0] * size[0] + size[1] * size[1] + size[2] * size[2]);
  const double tolerance = 1e-6 * std::max(extent, 1e-300);
  // A line or a point lies in many planes: none of them is the view.
  if (values[1] <= 0 || std::sqrt(values[1] / n) <= tolerance) return Camera::named(NamedView::Trimetric);
  // The points' mean distance from the plane bounds their largest from below: well beyond the
  // tolerance, they lie in no plane, and the pass over them that measures it is not needed.
  if (std::sqrt(std::max(values[0], 0.0) / n) > 2 * tolerance) return Camera::named(NamedView::Trimetric);
  const Point normal = axes[0];
  double stray = 0;
  each_point(scene, [&](const Point& p) {
    if (!finite(p)) return;
    const double d = (p[0] - mid[0] - mean[0]) * normal[0] + (p[1] - mid[1] - mean[1]) * normal[1] +
                     (p[2] - mid[2] - mean[2]) * normal[2];
    stray = std::max(stray, std::fabs(d));
  });
  if (stray > tolerance) return Camera::named(NamedView::Trimetric);
  const double along = 1 - 1e-9;
  if (std::fabs(normal[2]) >= along) return Camera::named(NamedView::Top);
  if (std::fabs(normal[1]) >= along) return Camera::named(NamedView::Front);
  if (std::fabs(normal[0]) >= along) return Camera::named(NamedView::Right);
  // Seen from the side of the plane the trimetric view looks from.
  const Camera tri = Camera::named(NamedView::Trimetric);
  const double side = normal[0] * tri.toward[0] + normal[1] * tri.toward[1] + normal[2] * tri.toward[2];
  const Vec3 toward = side >= 0 ? Vec3{normal[0], normal[1], normal[2]} : Vec3{-normal[0], -normal[1], -normal[2]};
  return Camera::looking(toward, "normal");
}

GroundGrid ground_grid(const Box3& box) {
  GroundGrid g;
  if (box.empty()) return g;
  const Point size = box.size();
  const double side = std::max(size[0], size[1]);
  if (!(side > 0) || !std::isfinite(side)) return g;
  // The round length at most a tenth of the side: 1, 2 or 5 times a power of ten.
  const double most = side / 10;
  const double p = std::pow(10.0, std::floor(std::log10(most)));
  g.spacing = 5 * p <= most * (1 + 1e-12) ? 5 * p : 2 * p <= most * (1 + 1e-12) ? 2 * p : p;
  g.z = box.lo[2];
  // Whole steps round the bounds; a bound that is a step's multiple but for rounding stays one.
  auto down = [&g](double v) { return std::floor(v / g.spacing + 1e-9) * g.spacing; };
  auto up = [&g](double v) { return std::ceil(v / g.spacing - 1e-9) * g.spacing; };
  const double x0 = down(box.lo[0]), x1 = up(box.hi[0]), y0 = down(box.lo[1]), y1 = up(box.hi[1]);
  const long nx = std::lround((x1 - x0) / g.spacing), ny = std::lround((y1 - y0) / g.spacing);
  for (long i = 0; i <= nx; ++i) {
    const double x = x0 + i * g.spacing;
    g.lines.push_back({Point{x, y0, g.z}, Point{x, y1, g.z}});
  }
  for (long j = 0; j <= ny; ++j) {
    const double y = y0 + j * g.spacing;
    g.lines.push_back({Point{x0, y, g.z}, Point{x1, y, g.z}});
  }
  return g;
}

Scene make_scene(const GeometryDatabase& db, const Detail& detail) {
  Scene s;
  // Every point and screen mark may become a mark: room for all at once, so that a million of them
  // are not copied as the list grows.
  s.marks.reserve(db.size() + db.marks().size());
  prefer_huge_pages(s.marks.data(), s.marks.capacity() * sizeof(Mark));
  db.for_each_entity([&](const Entity& entity) {
    const Entity* e = &entity;
    switch (e->kind()) {
      case ENT_POINT: {
        Point p = to_point(e->p1());
        if (finite(p)) s.marks.push_back({p, e->color(), true, e->id()});
        ++s.points;
        break;
      }
      case ENT_LINE:
        add_polyline(s.curves, e->color(), {to_point(e->p1()), to_point(e->p2())}, e->id());
        ++s.lines;
        break;
      case ENT_SPLINE:
      case ENT_NURBS_CURVE: {
        ++s.curves_n;
        std::vector<Point> pts = sample_curve_dense(e->nb(), detail);
        if (pts.empty()) pts = e->through();
        std::size_t before = s.curves.size();
        add_polyline(s.curves, e->color(), std::move(pts), e->id());
        if (s.curves.size() == before) ++s.skipped;
        break;
      }
      case ENT_SURFACE:
      case ENT_NURBS_SURFACE: {
        ++s.surfaces_n;
        if (detail.facets) {
          std::vector<Facet> f = surface_facets(e->nb(), e->color(), detail);
          for (Facet& facet : f) facet.entity = e->id();
          if (f.empty() && !add_grid_facets(s.facets, *e)) ++s.skipped;
          s.facets.insert(s.facets.end(), f.begin(), f.end());
          break;
        }
        std::vector<std::vector<Point>> iso = surface_iso_curves(e->nb(), detail);
        if (iso.empty()) {
          if (!add_grid(s.surfaces, *e)) ++s.skipped;
          break;
        }
        for (auto& c : iso) add_polyline(s.surfaces, e->color(), std::move(c), e->id());
        break;
      }
      default:
        ++s.skipped;
        break;
    }
  });
  for (const ScreenLine& l : db.lines()) {
    add_polyline(s.curves, l.color, {to_point(l.from), to_point(l.to)});
    ++s.screen_lines;
  }
  for (const ScreenMark& m : db.marks()) {
    Point p = to_point(m.at);
    if (finite(p)) s.marks.push_back({p, m.color, false});
    ++s.screen_marks;
  }
  s.screen_kept = db.screen_kept();
  s.screen_made = db.screen_made();
  return s;
}

std::string scene_caption(const Scene& s) {
  std::string out;
  auto part = [&out](int n, const char* one, const char* many) {
    if (n == 0) return;
    if (!out.empty()) out += ", ";
    out += std::to_string(n) + " " + (n == 1 ? one : many);
  };
  part(s.points, "point", "points");
  part(s.lines, "line", "lines");
  part(s.curves_n, "curve", "curves");
  part(s.surfaces_n, "surface", "surfaces");
  part(s.screen_lines, "screen line", "screen lines");
  part(s.screen_marks, "mark", "marks");
  if (s.screen_made > s.screen_kept)
    out += "; " + std::to_string(s.screen_kept) + " of " + std::to_string(s.screen_made) + " marks drawn";
  return out.empty() ? "empty" : out;
}

}  // namespace orv::view
