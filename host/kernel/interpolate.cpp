// Interpolating curves and surfaces through points. A curve is the natural cubic spline through its
// points at normalised chord-length parameters, written directly in B-spline form: the poles come
// from one tridiagonal system (collocation at the knots plus the two free-end rows), so 32001 points
// cost a linear solve. A surface is the tensor product of such fits, rows first, then the columns of
// the row poles, over parameters averaged across the grid. Points whose ends meet get the periodic
// cubic instead, so a closed shape has no kink at its seam. Points far from the origin are fitted
// about their middle. Every result is checked against its points before it is handed out, so a
// numerically failed fit is a refusal, never a wrong entity.
#include <algorithm>
#include <cmath>

#include "kernel/bspline_math.h"
#include "kernel/fit_checks.h"
#include "kernel/kernel.h"

namespace orv::kernel {
using namespace detail;

namespace {

constexpr int kMinPeriodicSpans = 3;  // a closed cubic needs 3 distinct points at least

// Interpolates count points data[k * stride] at strictly increasing parameters t: degree 1 (any
// count), 2 (exactly 3 points, one Bezier segment) or 3 (natural cubic, count >= 2).
bool interpolate_1d(const std::vector<double>& t, const P3* data, size_t stride, int degree,
                    std::vector<double>& knots, std::vector<P3>& poles) {
  const int count = static_cast<int>(t.size());
  auto Q = [&](int k) -> const P3& { return data[static_cast<size_t>(k) * stride]; };
  knots.clear();
  poles.clear();
  if (degree == 1) {
    knots.push_back(t[0]);
    knots.insert(knots.end(), t.begin(), t.end());
    knots.push_back(t.back());
    for (int k = 0; k < count; ++k) poles.push_back(Q(k));
    return true;
  }
  if (degree == 2) {
    if (count != 3) return false;
    const double s = (t[1] - t[0]) / (t[2] - t[0]);
    const double w0 = (1 - s) * (1 - s), w1 = 2 * s * (1 - s), w2 = s * s;
    knots = {t[0], t[0], t[0], t[2], t[2], t[2]};
    poles = {Q(0), (1.0 / w1) * (Q(1) - w0 * Q(0) - w2 * Q(2)), Q(2)};
    return std::isfinite(poles[1][0]) && std::isfinite(poles[1][1]) && std::isfinite(poles[1][2]);
  }
  // Natural cubic: knots t0 x4, t1 .. t(m-1), tm x4; poles d0 .. d(m+2) with d0 = Q0, d(m+2) = Qm
  // and the m + 1 inner poles from the system below.
  const int m = count - 1;
  knots.assign(4, t[0]);
  for (int k = 1; k < m; ++k) knots.push_back(t[k]);
  knots.insert(knots.end(), 4, t[m]);
  const int n = m + 1;
  std::vector<double> sub(n, 0.0), diag(n, 0.0), super(n, 0.0);
  std::vector<P3> rhs(n);
  // Zero second derivative at the start: (d2 - d1) / (U5 - t0) = (d1 - d0) / (t1 - t0), scaled so
  // that its coefficients are of order one like the collocation rows.
  {
    const double r = (t[1] - t[0]) / (knots[5] - t[0]);
    diag[0] = 1.0 + r;
    super[0] = -r;
    rhs[0] = Q(0);
  }
  double N[kMaxDegree + 1];
  for (int k = 1; k < m; ++k) {
    basis_functions(k + 3, t[k], 3, knots, N);
    sub[k] = N[0];
    diag[k] = N[1];
    super[k] = N[2];
    rhs[k] = Q(k);
  }
  {
    const double r = (t[m] - t[m - 1]) / (t[m] - knots[m + 1]);
    sub[m] = -r;
    diag[m] = 1.0 + r;
    rhs[m] = Q(m);
  }
  // The solver's sub-diagonal is indexed by the row above: sub[i] couples row i + 1 to unknown i.
  std::vector<double> dl(n, 0.0);
  for (int i = 0; i + 1 < n; ++i) dl[i] = sub[i + 1];
  if (!solve_tridiagonal(dl, diag, super, rhs)) return false;
  poles.reserve(m + 3);
  poles.push_back(Q(0));
  poles.insert(poles.end(), rhs.begin(), rhs.end());
  poles.push_back(Q(m));
  return true;
}

// The periodic cubic through count = n + 1 points data[k * stride] at strictly increasing parameters
// t0 .. tn, where the last point closes the curve (it is taken, with the first, as their midpoint):
// C2 everywhere, the seam included. Needs n >= 3. The periodic form has n poles D and knots at the
// parameters; the system (one collocation row per point, cyclic tridiagonal) is solved as a
// tridiagonal one plus a rank-one correction (Sherman-Morrison). The result is written in the
// record's clamped form (knots t0 x4, t1 .. t(n-1), tn x4; n + 3 poles, first and last equal) by
// inserting the seam knot three times at each end, so every reader of records sees a plain curve
// that happens to meet itself smoothly.
bool interpolate_periodic(const std::vector<double>& t, const P3* data, size_t stride,
                          std::vector<double>& knots, std::vector<P3>& poles) {
  const int n = static_cast<int>(t.size()) - 1;
  if (n < kMinPeriodicSpans) return false;
  auto Q = [&](int k) -> P3 {
    if (k == 0) return 0.5 * (data[0] + data[static_cast<size_t>(n) * stride]);
    return data[static_cast<size_t>(k) * stride];
  };
  const double period = t[n] - t[0];
  // The unclamped knot vector t(-3) .. t(n+3), the parameters continued by the period.
  std::vector<double> U;
  U.reserve(n + 7);
  for (int j = 3; j >= 1; --j) U.push_back(t[n - j] - period);
  U.insert(U.end(), t.begin(), t.end());
  for (int j = 1; j <= 3; ++j) U.push_back(t[j] + period);
  // Row k (at t_k) reads E(k-1), E(k), E(k+1) cyclically, where E(k) = D(k+1).
  std::vector<double> a(n), b(n), c(n);
  std::vector<P3> rhs(n);
  double N[kMaxDegree + 1];
  for (int k = 0; k < n; ++k) {
    basis_functions(k + 3, t[k], 3, U, N);
    a[k] = N[0];
    b[k] = N[1];
    c[k] = N[2];
    rhs[k] = Q(k);
  }
  const double gamma = -b[0];
  const double ratio = a[0] / gamma;
  std::vector<double> dl(n, 0.0), d(b), du(n, 0.0);
  for (int i = 0; i + 1 < n; ++i) {
    dl[i] = a[i + 1];
    du[i] = c[i];
  }
  d[0] = b[0] - gamma;
  d[n - 1] = b[n - 1] - c[n - 1] * ratio;
  std::vector<P3> z(n, P3{0, 0, 0});
  z[0] = P3{gamma, 0, 0};
  z[n - 1] = P3{c[n - 1], 0, 0};
  {
    std::vector<double> dl2(dl), d2(d), du2(du);
    if (!solve_tridiagonal(dl2, d2, du2, z)) return false;
  }
  if (!solve_tridiagonal(dl, d, du, rhs)) return false;
  const double denom = 1.0 + z[0][0] + ratio * z[n - 1][0];
  if (!(std::fabs(denom) > 0.0)) return false;
  // E = y - z (v.y) / (1 + v.z) with v = (1, 0 .. 0, a0 / gamma); unclamped pole j is D(j mod n),
  // that is E(j - 1) cyclically.
  const P3 vy = rhs[0] + ratio * rhs[n - 1];
  std::vector<P3> unclamped(n + 3);
  for (int j = 0; j < n + 3; ++j) {
    const int e = (j + n - 1) % n;
    unclamped[j] = rhs[e] - (z[e][0] / denom) * vy;
  }
  std::vector<double> fine_knots;
  std::vector<P3> fine_poles;
  refine_knots(3, U, unclamped, {t[0], t[0], t[0], t[n], t[n], t[n]}, fine_knots, fine_poles);
  if (fine_knots.size() != static_cast<size_t>(n) + 13 || fine_poles.size() != static_cast<size_t>(n) + 9)
    return false;
  knots.assign(fine_knots.begin() + 3, fine_knots.begin() + n + 10);
  poles.assign(fine_poles.begin() + 3, fine_poles.begin() + n + 6);
  poles.back() = poles.front();
  for (const P3& p : poles)
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return false;
  return true;
}

// Normalised cumulative chord lengths of `count` points pts[k * stride]; false when the points have
// no length at all.
bool chord_parameters(const P3* pts, size_t stride, int count, std::vector<double>& t) {
  t.assign(count, 0.0);
  for (int k = 1; k < count; ++k)
    t[k] = t[k - 1] + norm(pts[k * stride] - pts[(k - 1) * stride]);
  const double total = t[count - 1];
  if (!(total > 0.0)) return false;
  for (int k = 1; k < count; ++k) t[k] /= total;
  t[count - 1] = 1.0;
  return true;
}

// The middle of the points' bounding box when it lies further from the origin than the points
// spread (else the origin): fitting the points less this offset keeps the solve's intermediate values
// of the points' spread, not their distance from the origin, which could overflow or swamp them.
P3 fit_origin(const std::vector<Point>& pts, double size) {
  Point lo = pts[0], hi = pts[0];
  for (const Point& p : pts)
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], p[c]);
      hi[c] = std::max(hi[c], p[c]);
    }
  P3 mid;
  double far = 0.0;
  for (int c = 0; c < 3; ++c) {
    mid[c] = lo[c] / 2 + hi[c] / 2;
    far = std::max(far, std::fabs(mid[c]));
  }
  return far > size ? mid : P3{0, 0, 0};
}

bool strictly_increasing(const std::vector<double>& t) {
  for (size_t k = 1; k < t.size(); ++k)
    if (!(t[k] > t[k - 1])) return false;
  return true;
}

}  // namespace

bool interpolate_curve(const std::vector<Point>& pts, nb_type& out, std::string& err) {
  if (pts.empty()) {
    err = "no points to make a curve through";
    return false;
  }
  if (!all_finite(pts)) {
    err = "a point is not finite";
    return false;
  }
  const double size = model_size(pts);
  if (!(size > 0.0)) {
    err = pts.size() == 1 ? "a single point makes no curve" : "all points coincide";
    return false;
  }
  const double same = fit::kSamePointRel * size;
  const P3 origin = fit_origin(pts, size);
  std::vector<Point> kept{pts[0] - origin};
  std::vector<int> index_of(pts.size(), 0);  // original point -> kept point it coincides with
  for (size_t i = 1; i < pts.size(); ++i) {
    if (norm(pts[i] - origin - kept.back()) > same) kept.push_back(pts[i] - origin);
    index_of[i] = static_cast<int>(kept.size()) - 1;
  }
  std::vector<double> t;
  if (!chord_parameters(kept.data(), 1, static_cast<int>(kept.size()), t) || !strictly_increasing(t)) {
    err = "points too close together for their parameters to differ";
    return false;
  }
  nb_type nb;
  // Ends that meet make a closed curve, smooth through its seam.
  const bool closed = kept.size() > static_cast<size_t>(kMinPeriodicSpans) &&
                      norm(kept.back() - kept.front()) <= kFitRel * size;
  if (closed ? !interpolate_periodic(t, kept.data(), 1, nb.uknots, nb.poles)
             : !interpolate_1d(t, kept.data(), 1, 3, nb.uknots, nb.poles)) {
    err = "the interpolation system is singular";
    return false;
  }
  for (P3& p : nb.poles) p = p + origin;
  nb.udegree = 3;
  nb.nu = static_cast<int32_t>(nb.poles.size());
  nb.weights.assign(nb.poles.size(), 1.0);
  const double fit = fit_tolerance(pts);
  for (size_t i = 0; i < pts.size(); ++i) {
    const Point c = evaluate_curve(nb, t[index_of[i]]);
    if (!(norm(c - pts[i]) <= fit)) {
      err = "the fitted curve misses point " + std::to_string(i + 1);
      return false;
    }
  }
  out = std::move(nb);
  return true;
}

bool interpolate_surface(const std::vector<Point>& pts, int rows, int cols, nb_type& out,
                         std::string& err) {
  if (rows < 2 || cols < 2) {
    err = "a surface needs at least 2 rows of 2 points, not " + std::to_string(rows) + " x " +
          std::to_string(cols);
    return false;
  }
  if (pts.size() != static_cast<size_t>(rows) * static_cast<size_t>(cols)) {
    err = std::to_string(pts.size()) + " points do not fill a grid of " + std::to_string(rows) +
          " x " + std::to_string(cols);
    return false;
  }
  if (!all_finite(pts)) {
    err = "a point is not finite";
    return false;
  }
  const double size = model_size(pts);
  if (!(size > 0.0)) {
    err = "all points coincide";
    return false;
  }
  const double same = fit::kSamePointRel * size;
  auto at = [&](int i, int j) -> const Point& { return pts[static_cast<size_t>(i) * cols + j]; };

  // Columns (rows) that coincide with the previous kept one in every row (column) count as one.
  std::vector<int> kcols, col_of(cols, 0), krows, row_of(rows, 0);
  static_assert(sizeof(Point) == sizeof(pt_3d));
  fit::distinct_lines(reinterpret_cast<const pt_3d*>(pts.data()), rows, cols, same, krows, kcols);
  for (int j = 0, k = 0; j < cols; ++j) {
    if (k + 1 < static_cast<int>(kcols.size()) && kcols[k + 1] == j) ++k;
    col_of[j] = k;
  }
  for (int i = 0, k = 0; i < rows; ++i) {
    if (k + 1 < static_cast<int>(krows.size()) && krows[k + 1] == i) ++k;
    row_of[i] = k;
  }
  const int nr = static_cast<int>(krows.size()), nc = static_cast<int>(kcols.size());
  if (nr < 2 || nc < 2) {
    err = "the grid has no area: its rows or its columns all coincide";
    return false;
  }
  // The grid of kept points, less the fit's origin; the input itself when nothing was merged or
  // moved (a large grid near the origin is not copied).
  const P3 origin = fit_origin(pts, size);
  const bool moved = origin != P3{0, 0, 0};
  std::vector<Point> merged;
  if (nr != rows || nc != cols || moved) {
    merged.resize(static_cast<size_t>(nr) * nc);
    for (int a = 0; a < nr; ++a)
      for (int b = 0; b < nc; ++b) merged[static_cast<size_t>(a) * nc + b] = at(krows[a], kcols[b]) - origin;
  }
  const Point* grid = merged.empty() ? pts.data() : merged.data();

  // Parameters: chord lengths along each row (column), averaged over those that have a length, so
  // a collapsed row (all its points one) takes no part.
  auto averaged = [&](int count, int lines, size_t step, size_t line_step, std::vector<double>& avg) {
    avg.assign(count, 0.0);
    std::vector<double> t;
    int used = 0;
    for (int l = 0; l < lines; ++l) {
      if (!chord_parameters(grid + l * line_step, step, count, t)) continue;
      for (int k = 0; k < count; ++k) avg[k] += t[k];
      ++used;
    }
    if (used == 0) return false;
    for (int k = 0; k < count; ++k) avg[k] /= used;
    avg[0] = 0.0;
    avg[count - 1] = 1.0;
    return strictly_increasing(avg);
  };
  std::vector<double> u, v;
  if (!averaged(nc, nr, 1, nc, v) || !averaged(nr, nc, nc, 1, u)) {
    err = "grid points too close together for their parameters to differ";
    return false;
  }
  auto degree_for = [](int count) { return count >= 4 ? 3 : count - 1; };
  const int p = degree_for(nr), q = degree_for(nc);
  // A direction is closed when its first and last rows (columns) meet everywhere.
  auto kept_at = [&](int a, int b) -> const Point& { return grid[static_cast<size_t>(a) * nc + b]; };
  bool closed_u = nr > kMinPeriodicSpans, closed_v = nc > kMinPeriodicSpans;
  for (int b = 0; b < nc && closed_u; ++b) closed_u = norm(kept_at(nr - 1, b) - kept_at(0, b)) <= kFitRel * size;
  for (int a = 0; a < nr && closed_v; ++a) closed_v = norm(kept_at(a, nc - 1) - kept_at(a, 0)) <= kFitRel * size;

  // Rows first: each kept row becomes a row of poles along v.
  std::vector<double> vknots, uknots;
  std::vector<P3> row_poles, col_poles, stage;
  int nv = 0;
  for (int a = 0; a < nr; ++a) {
    const Point* row = grid + static_cast<size_t>(a) * nc;
    if (closed_v ? !interpolate_periodic(v, row, 1, vknots, row_poles)
                 : !interpolate_1d(v, row, 1, q, vknots, row_poles)) {
      err = "the interpolation system is singular";
      return false;
    }
    nv = static_cast<int>(row_poles.size());
    if (a == 0) stage.resize(static_cast<size_t>(nr) * nv);
    for (int b = 0; b < nv; ++b) stage[static_cast<size_t>(a) * nv + b] = row_poles[b];
  }
  // Then every column of those poles along u.
  nb_type nb;
  int nu = 0;
  for (int b = 0; b < nv; ++b) {
    if (closed_u ? !interpolate_periodic(u, stage.data() + b, nv, uknots, col_poles)
                 : !interpolate_1d(u, stage.data() + b, nv, p, uknots, col_poles)) {
      err = "the interpolation system is singular";
      return false;
    }
    nu = static_cast<int>(col_poles.size());
    if (b == 0) nb.poles.resize(static_cast<size_t>(nu) * nv);
    for (int a = 0; a < nu; ++a) nb.poles[static_cast<size_t>(a) * nv + b] = col_poles[a];
  }
  for (P3& pole : nb.poles) pole = pole + origin;
  nb.udegree = p;
  nb.vdegree = q;
  nb.nu = nu;
  nb.nv = nv;
  nb.uknots = uknots;
  nb.vknots = vknots;
  nb.weights.assign(nb.poles.size(), 1.0);
  const double fit = fit_tolerance(pts);
  std::vector<double> col_v(static_cast<size_t>(cols));
  for (int j = 0; j < cols; ++j) col_v[j] = v[col_of[j]];
  const SurfaceColumns columns = surface_columns(nb, col_v);
  std::vector<Point> fitted;  // one row at a time
  for (int i = 0; i < rows; ++i) {
    evaluate_surface_row(nb, u[row_of[i]], columns, fitted);
    for (int j = 0; j < cols; ++j) {
      const Point& s = fitted[j];
      if (!(norm(s - at(i, j)) <= fit)) {
        err = "the fitted surface misses point " + std::to_string(i + 1) + ", " + std::to_string(j + 1);
        return false;
      }
    }
  }
  out = std::move(nb);
  return true;
}

}  // namespace orv::kernel
