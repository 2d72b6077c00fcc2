// Surface triangulation on a parameter grid. The grid starts at a few samples per knot span and is
// refined along a direction while the midpoints of that direction's grid edges stray further than
// the chord deviation from the surface; cell centres are checked the same way for both. A uniform
// grid keeps the seams simple: the samples of a closed direction's two edges pair off one to one.
#include <algorithm>
#include <cmath>

#include "exchange/mesh.h"
#include "kernel/kernel.h"

namespace orv::exchange {
namespace {

using kernel::Point;

constexpr int kSamplesPerSpan = 2;
constexpr int kMinMeshSamples = 4;  // cells a direction at the least, so a closed one stays a ring
constexpr double kWeldRel = 1e-9;  // samples closer than this (relative to the surface) are one vertex

double dist(const Point& a, const Point& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }
Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point mid(const Point& a, const Point& b) { return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2}; }

int distinct_spans(const std::vector<double>& knots) {
  int spans = 0;
  for (size_t i = 1; i < knots.size(); ++i) spans += knots[i] > knots[i - 1];
  return std::max(spans, 1);
}

}  // namespace

bool mesh_surface(const nb_type& nb, double chord_dev, Mesh& out, std::string& err) {
  if (!kernel::check_surface(nb, err)) return false;
  if (!(chord_dev > 0.0) || !std::isfinite(chord_dev)) {
    err = "the chord deviation is not a positive number";
    return false;
  }
  // Also within a fraction of the surface's size, so a small surface keeps its form.
  chord_dev = kernel::shape_tolerance(chord_dev, nb.poles, kernel::kMeshShapeRel);
  const auto r = kernel::surface_range(nb);
  auto at = [&](int i, int j, int nu, int nv) {
    return kernel::evaluate_surface(nb, r[0] + (r[1] - r[0]) * i / nu, r[2] + (r[3] - r[2]) * j / nv);
  };
  int nu = std::min(kMaxMeshSamples, kSamplesPerSpan * distinct_spans(nb.uknots));
  int nv = std::min(kMaxMeshSamples, kSamplesPerSpan * distinct_spans(nb.vknots));
  std::vector<Point> grid;
  double capped_at = 0.0;
  bool spaced = false;  // the first grid, a few samples a knot span, has set the spacing
  for (;;) {
    grid.resize(static_cast<size_t>(nu + 1) * (nv + 1));
    for (int i = 0; i <= nu; ++i)
      for (int j = 0; j <= nv; ++j) grid[static_cast<size_t>(i) * (nv + 1) + j] = at(i, j, nu, nv);
    auto g = [&](int i, int j) -> const Point& { return grid[static_cast<size_t>(i) * (nv + 1) + j]; };
    if (!spaced) {
      // The first grid resolves every knot span; its second differences say how far apart the
      // samples may be: a chord over k cells sags about k^2 |second difference| / 8. A coarser
      // grid where the tolerance allows it, so that the triangles grow with the chord deviation;
      // the checks below still hold it to the tolerance, refining where the estimate was short.
      spaced = true;
      double du = 0, dv = 0;
      for (int i = 0; i <= nu; ++i)
        for (int j = 0; j <= nv; ++j) {
          if (i > 0 && i < nu) du = std::max(du, dist(mid(g(i - 1, j), g(i + 1, j)), g(i, j)) * 2);
          if (j > 0 && j < nv) dv = std::max(dv, dist(mid(g(i, j - 1), g(i, j + 1)), g(i, j)) * 2);
        }
      auto spaced_count = [&](int n, double second) {
        if (!(second > 0.0)) return std::min(n, kMinMeshSamples);
        const double cells = std::sqrt(8 * chord_dev / second);  // cells of this grid one chord may span
        return cells > 1.0 ? std::max(kMinMeshSamples, static_cast<int>(std::ceil(n / cells))) : n;
      };
      const int su = spaced_count(nu, du), sv = spaced_count(nv, dv);
      if (su < nu || sv < nv) {
        nu = su;
        nv = sv;
        continue;
      }
    }
    // How far a chord's midpoint lies off the surface: its offset from the surface point at the
    // middle parameter, measured along the cell's normal (the offset along the surface is only the
    // parameterisation being uneven); the whole offset where the cell has no normal (a pole).
    auto off = [&](int ci, int cj, const Point& chord_mid, const Point& on_surface) {
      ci = std::min(ci, nu - 1);
      cj = std::min(cj, nv - 1);
      const Point d1 = sub(g(ci + 1, cj + 1), g(ci, cj)), d2 = sub(g(ci, cj + 1), g(ci + 1, cj));
      Point n{d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2], d1[0] * d2[1] - d1[1] * d2[0]};
      const double len = std::hypot(n[0], n[1], n[2]);
      const Point e = sub(chord_mid, on_surface);
      if (!(len > 0.0)) return std::hypot(e[0], e[1], e[2]);
      return std::fabs(e[0] * n[0] + e[1] * n[1] + e[2] * n[2]) / len;
    };
    double along_u = 0, along_v = 0;
    for (int i = 0; i < nu; ++i)
      for (int j = 0; j <= nv; ++j)
        along_u = std::max(along_u, off(i, j, mid(g(i, j), g(i + 1, j)), at(2 * i + 1, 2 * j, 2 * nu, 2 * nv)));
    for (int i = 0; i <= nu; ++i)
      for (int j = 0; j < nv; ++j)
        along_v = std::max(along_v, off(i, j, mid(g(i, j), g(i, j + 1)), at(2 * i, 2 * j + 1, 2 * nu, 2 * nv)));
    double centre_miss = 0;
    for (int i = 0; i < nu; ++i)
      for (int j = 0; j < nv; ++j) {
        const Point centre = at(2 * i + 1, 2 * j + 1, 2 * nu, 2 * nv);
        centre_miss = std::max({centre_miss, off(i, j, mid(g(i, j), g(i + 1, j + 1)), centre),
                                off(i, j, mid(g(i + 1, j), g(i, j + 1)), centre)});
      }
    // Edges that miss say which way to refine; cell centres alone missing refine both ways.
    if (along_u <= chord_dev && along_v <= chord_dev && centre_miss > chord_dev) along_u = along_v = centre_miss;
    const bool grow_u = along_u > chord_dev && nu < kMaxMeshSamples;
    const bool grow_v = along_v > chord_dev && nv < kMaxMeshSamples;
    if (!grow_u && !grow_v) {
      const double worst = std::max({along_u, along_v, centre_miss});
      capped_at = worst > chord_dev ? worst : 0.0;
      break;
    }
    // A chord's deviation goes as the square of its length: grow by the square root of the excess,
    // a little more so that one more round is rarely needed.
    auto grown = [&](int n, double miss) {
      const double factor = std::clamp(1.05 * std::sqrt(miss / chord_dev), 1.25, 8.0);
      return static_cast<int>(std::min<double>(kMaxMeshSamples, std::ceil(n * factor)));
    };
    if (grow_u) nu = grown(nu, along_u);
    if (grow_v) nv = grown(nv, along_v);
  }
  auto g = [&](int i, int j) -> const Point& { return grid[static_cast<size_t>(i) * (nv + 1) + j]; };

  // Seams and collapsed rows: which samples are one vertex.
  const double weld = kWeldRel * kernel::model_size(nb.poles);
  bool closed_u = true, closed_v = true;
  for (int j = 0; j <= nv && closed_u; ++j) closed_u = dist(g(0, j), g(nu, j)) <= weld;
  for (int i = 0; i <= nu && closed_v; ++i) closed_v = dist(g(i, 0), g(i, nv)) <= weld;
  auto collapsed = [&](int count, auto&& point) {
    for (int k = 1; k <= count; ++k)
      if (dist(point(k), point(0)) > weld) return false;
    return true;
  };
  std::vector<int32_t> index(grid.size(), -1);
  Mesh mesh;
  auto vertex = [&](int i, int j) -> int32_t {
    if (closed_u && i == nu) i = 0;
    if (closed_v && j == nv) j = 0;
    int32_t& slot = index[static_cast<size_t>(i) * (nv + 1) + j];
    if (slot < 0) {
      slot = static_cast<int32_t>(mesh.vertices.size());
      mesh.vertices.push_back(g(i, j));
    }
    return slot;
  };
  // A row (or column) that is one point takes the index of its first sample everywhere.
  for (int i = 0; i <= nu; ++i)
    if (collapsed(nv, [&](int j) { return g(i, j); })) {
      const int32_t v = vertex(i, 0);
      for (int j = 0; j <= nv; ++j) index[static_cast<size_t>(i) * (nv + 1) + j] = v;
    }
  for (int j = 0; j <= nv; ++j)
    if (collapsed(nu, [&](int i) { return g(i, j); })) {
      const int32_t v = vertex(0, j);
      for (int i = 0; i <= nu; ++i) index[static_cast<size_t>(i) * (nv + 1) + j] = v;
    }
  auto add = [&](int32_t a, int32_t b, int32_t c) {
    if (a != b && b != c && a != c) mesh.triangles.push_back({a, b, c});
  };
  for (int i = 0; i < nu; ++i)
    for (int j = 0; j < nv; ++j) {
      const int32_t a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
      add(a, b, c);
      add(a, c, d);
    }
  // A closed mesh faces outwards: turned over when it encloses a negative volume.
  if ((closed_u || closed_v) && enclosed_volume(mesh) < 0)
    for (auto& t : mesh.triangles) std::swap(t[1], t[2]);
  mesh.missed = capped_at;
  out = std::move(mesh);
  return true;
}

bool polyline_of_curve(const nb_type& nb, double chord_dev, std::vector<Point>& out, std::string& err) {
  if (!kernel::check_curve(nb, err)) return false;
  if (!(chord_dev > 0.0) || !std::isfinite(chord_dev)) {
    err = "the chord deviation is not a positive number";
    return false;
  }
  const double tol = kernel::shape_tolerance(chord_dev, nb.poles, kernel::kMeshShapeRel);
  // How far q lies from the segment a-b.
  auto off_chord = [](const Point& a, const Point& b, const Point& q) {
    const Point ab = sub(b, a), aq = sub(q, a);
    const double len2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
    const double s = len2 > 0 ? std::clamp((aq[0] * ab[0] + aq[1] * ab[1] + aq[2] * ab[2]) / len2, 0.0, 1.0) : 0.0;
    return dist(q, {a[0] + s * ab[0], a[1] + s * ab[1], a[2] + s * ab[2]});
  };
  constexpr int kMaxDepth = 30;  // halvings of one knot span
  std::vector<Point> line{kernel::evaluate_curve(nb, nb.uknots.front())};
  struct Piece {
    double t0, t1;
    int depth;
  };
  std::vector<Piece> stack;  // pieces still to check, the next one on top
  for (size_t k = nb.uknots.size() - 1; k-- > 0;) {
    if (nb.uknots[k + 1] > nb.uknots[k]) stack.push_back({nb.uknots[k], nb.uknots[k + 1], 0});
  }
  while (!stack.empty()) {
    const Piece p = stack.back();
    stack.pop_back();
    const Point a = line.back(), b = kernel::evaluate_curve(nb, p.t1);
    const double h = p.t1 - p.t0;
    bool fits = p.depth >= kMaxDepth;
    if (!fits) {
      fits = true;
      for (double f : {0.25, 0.5, 0.75}) fits = fits && off_chord(a, b, kernel::evaluate_curve(nb, p.t0 + f * h)) <= tol;
    }
    if (fits) {
      if (line.size() >= kMaxPolylinePoints) {
        err = "its polyline within the chord deviation would take more than " + std::to_string(kMaxPolylinePoints) +
              " points";
        return false;
      }
      line.push_back(b);
      continue;
    }
    const double m = p.t0 + h / 2;
    stack.push_back({m, p.t1, p.depth + 1});
    stack.push_back({p.t0, m, p.depth + 1});
  }
  out = std::move(line);
  return true;
}

double enclosed_volume(const Mesh& mesh) {
  double six = 0;
  for (const auto& t : mesh.triangles) {
    const Point &a = mesh.vertices[t[0]], &b = mesh.vertices[t[1]], &c = mesh.vertices[t[2]];
    six += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
  }
  return six / 6;
}

}  // namespace orv::exchange
