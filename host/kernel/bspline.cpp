// Checking, evaluating and comparing the host's B-spline records. Evaluation works on any well-formed
// record (rational or not, any degree up to 25); records from outside (the Zlink, a part file) are
// checked with check_curve / check_surface before anything else reads them.
#include <algorithm>
#include <cmath>
#include <limits>

#include "kernel/bspline_math.h"
#include "kernel/kernel.h"

namespace orv::kernel {
using namespace detail;

double model_size(const std::vector<Point>& pts) {
  if (pts.empty()) return 0.0;
  Point lo = pts[0], hi = pts[0];
  for (const Point& p : pts)
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], p[c]);
      hi[c] = std::max(hi[c], p[c]);
    }
  return std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
}

double shape_tolerance(double tol, const std::vector<Point>& pts, double rel) {
  if (pts.empty()) return tol;
  Point lo = pts[0], hi = pts[0];
  for (const Point& p : pts)
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], p[c]);
      hi[c] = std::max(hi[c], p[c]);
    }
  const double diagonal = std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]);
  return diagonal > 0.0 ? std::min(tol, rel * diagonal) : tol;
}

double fit_tolerance(const std::vector<Point>& pts) {
  double magnitude = 0.0;
  for (const Point& p : pts)
    for (double c : p) magnitude = std::max(magnitude, std::fabs(c));
  return kFitRel * model_size(pts) + kFitUlps * std::numeric_limits<double>::epsilon() * magnitude;
}

bool all_finite(const std::vector<Point>& pts) {
  for (const Point& p : pts)
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return false;
  return true;
}

namespace {

bool check_direction(const char* name, int degree, int npoles, const std::vector<double>& knots,
                     std::string& err) {
  if (degree < 1 || degree > kMaxDegree) {
    err = std::string(name) + " degree " + std::to_string(degree) + " is not between 1 and 25";
    return false;
  }
  if (npoles < degree + 1) {
    err = std::string(name) + ": " + std::to_string(npoles) + " poles are too few for degree " +
          std::to_string(degree);
    return false;
  }
  if (knots.size() != static_cast<size_t>(npoles) + degree + 1) {
    err = std::string(name) + ": " + std::to_string(knots.size()) + " knots, expected " +
          std::to_string(npoles + degree + 1);
    return false;
  }
  for (size_t i = 0; i < knots.size(); ++i) {
    if (!std::isfinite(knots[i])) {
      err = std::string(name) + ": knot " + std::to_string(i) + " is not finite";
      return false;
    }
    if (i > 0 && knots[i] < knots[i - 1]) {
      err = std::string(name) + ": knots decrease at " + std::to_string(i);
      return false;
    }
  }
  if (!(knots[degree] < knots[npoles])) {
    err = std::string(name) + ": empty parameter range";
    return false;
  }
  // Interior knots of multiplicity above the degree would break the curve apart; end knots above
  // degree + 1 carry no pole.
  for (size_t i = 1, run = 1; i < knots.size(); ++i) {
    run = knots[i] == knots[i - 1] ? run + 1 : 1;
    const bool interior = knots[i] > knots[degree] && knots[i] < knots[npoles];
    if (run > static_cast<size_t>(degree) + (interior ? 0 : 1)) {
      err = std::string(name) + ": knot " + std::to_string(i) + " repeated beyond the degree";
      return false;
    }
  }
  return true;
}

bool check_poles(const nb_type& nb, size_t count, std::string& err) {
  if (nb.poles.size() != count) {
    err = std::to_string(nb.poles.size()) + " poles, expected " + std::to_string(count);
    return false;
  }
  if (nb.weights.size() != count) {
    err = std::to_string(nb.weights.size()) + " weights, expected " + std::to_string(count);
    return false;
  }
  if (!all_finite(nb.poles)) {
    err = "a pole is not finite";
    return false;
  }
  for (double w : nb.weights)
    if (!(w > 0.0) || !std::isfinite(w)) {
      err = "a weight is not a finite positive number";
      return false;
    }
  return true;
}

}  // namespace

bool is_rational(const std::vector<double>& w) {
  for (double x : w)
    if (x != w[0]) return true;
  return false;
}

bool check_curve(const nb_type& nb, std::string& err) {
  if (nb.vdegree != 0 || nb.nv != 0 || !nb.vknots.empty()) {
    err = "a curve has no v direction";
    return false;
  }
  return check_direction("curve", nb.udegree, nb.nu, nb.uknots, err) &&
         check_poles(nb, static_cast<size_t>(nb.nu), err);
}

bool check_surface(const nb_type& nb, std::string& err) {
  if (!check_direction("u", nb.udegree, nb.nu, nb.uknots, err) ||
      !check_direction("v", nb.vdegree, nb.nv, nb.vknots, err))
    return false;
  return check_poles(nb, static_cast<size_t>(nb.nu) * static_cast<size_t>(nb.nv), err);
}

namespace {

// The parameter range of one direction: from knot p to knot n when the vector is well formed, else
// its first and last knot.
std::array<double, 2> knot_range(int p, int n, const std::vector<double>& knots) {
  if (knots.empty()) return {0.0, 0.0};
  if (n > p && knots.size() == static_cast<size_t>(n + p + 1)) return {knots[p], knots[n]};
  return {knots.front(), knots.back()};
}

// One direction's share of a surface point: its span and its p + 1 basis functions at the parameter
// (clamped to the range, a NaN read as its start).
struct DirectionBasis {
  int span;
  double N[kMaxDegree + 1];
};

DirectionBasis direction_basis(int n, int p, const std::vector<double>& knots, double t, double low, double high) {
  t = std::isnan(t) ? low : std::clamp(t, low, high);
  DirectionBasis out;
  out.span = find_span(n, p, t, knots);
  basis_functions(out.span, t, p, knots, out.N);
  return out;
}

// The surface point from the u direction's span and basis functions and the v direction's.
Point combine_surface(const nb_type& nb, int su, const double* Nu, int sv, const double* Nv) {
  const int p = nb.udegree, q = nb.vdegree;
  double x = 0, y = 0, z = 0, w = 0;
  for (int a = 0; a <= p; ++a) {
    const size_t row = static_cast<size_t>(su - p + a) * nb.nv;
    for (int b = 0; b <= q; ++b) {
      const size_t idx = row + (sv - q + b);
      const double nw = Nu[a] * Nv[b] * nb.weights[idx];
      x += nw * nb.poles[idx][0];
      y += nw * nb.poles[idx][1];
      z += nw * nb.poles[idx][2];
      w += nw;
    }
  }
  return {x / w, y / w, z / w};
}

}  // namespace

std::array<double, 2> curve_range(const nb_type& nb) { return knot_range(nb.udegree, nb.nu, nb.uknots); }

std::array<double, 4> surface_range(const nb_type& nb) {
  const auto ur = knot_range(nb.udegree, nb.nu, nb.uknots);
  const auto vr = knot_range(nb.vdegree, nb.nv, nb.vknots);
  return {ur[0], ur[1], vr[0], vr[1]};
}

Point evaluate_curve(const nb_type& nb, double t) {
  const auto range = curve_range(nb);
  t = std::isnan(t) ? range[0] : std::clamp(t, range[0], range[1]);
  const int p = nb.udegree;
  const int span = find_span(nb.nu, p, t, nb.uknots);
  double N[kMaxDegree + 1];
  basis_functions(span, t, p, nb.uknots, N);
  double x = 0, y = 0, z = 0, w = 0;
  for (int k = 0; k <= p; ++k) {
    const int i = span - p + k;
    const double nw = N[k] * nb.weights[i];
    x += nw * nb.poles[i][0];
    y += nw * nb.poles[i][1];
    z += nw * nb.poles[i][2];
    w += nw;
  }
  return {x / w, y / w, z / w};
}

Point evaluate_surface(const nb_type& nb, double u, double v) {
  const auto r = surface_range(nb);
  const DirectionBasis bu = direction_basis(nb.nu, nb.udegree, nb.uknots, u, r[0], r[1]);
  const DirectionBasis bv = direction_basis(nb.nv, nb.vdegree, nb.vknots, v, r[2], r[3]);
  return combine_surface(nb, bu.span, bu.N, bv.span, bv.N);
}

SurfaceColumns surface_columns(const nb_type& nb, const std::vector<double>& vs) {
  const auto r = surface_range(nb);
  const size_t stride = static_cast<size_t>(nb.vdegree) + 1;
  SurfaceColumns out;
  out.spans.resize(vs.size());
  out.basis.resize(vs.size() * stride);
  for (size_t j = 0; j < vs.size(); ++j) {
    const DirectionBasis b = direction_basis(nb.nv, nb.vdegree, nb.vknots, vs[j], r[2], r[3]);
    out.spans[j] = b.span;
    std::copy(b.N, b.N + stride, out.basis.begin() + static_cast<std::ptrdiff_t>(j * stride));
  }
  return out;
}

void evaluate_surface_row(const nb_type& nb, double u, const SurfaceColumns& columns, std::vector<Point>& out) {
  const auto r = surface_range(nb);
  const DirectionBasis along = direction_basis(nb.nu, nb.udegree, nb.uknots, u, r[0], r[1]);
  const size_t stride = static_cast<size_t>(nb.vdegree) + 1;
  out.resize(columns.spans.size());
  for (size_t j = 0; j < columns.spans.size(); ++j)
    out[j] = combine_surface(nb, along.span, along.N, columns.spans[j], columns.basis.data() + j * stride);
}

std::vector<Point> evaluate_surface_grid(const nb_type& nb, const std::vector<double>& us,
                                         const std::vector<double>& vs) {
  const SurfaceColumns columns = surface_columns(nb, vs);
  std::vector<Point> out, row;
  out.reserve(us.size() * vs.size());
  for (double u : us) {
    evaluate_surface_row(nb, u, columns, row);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<Point> sample_curve(const nb_type& nb, int count) {
  count = std::max(count, 2);
  const auto range = curve_range(nb);
  std::vector<Point> out;
  out.reserve(count);
  for (int i = 0; i < count; ++i) {
    const double t = i + 1 == count ? range[1] : range[0] + (range[1] - range[0]) * i / (count - 1);
    out.push_back(evaluate_curve(nb, t));
  }
  return out;
}

nb_type line_curve(const Point& a, const Point& b) {
  nb_type nb;
  nb.udegree = 1;
  nb.nu = 2;
  nb.uknots = {0.0, 0.0, 1.0, 1.0};
  nb.poles = {a, b};
  nb.weights = {1.0, 1.0};
  return nb;
}

double deviation_bound(const nb_type& a, const nb_type& b) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::string err;
  if (!check_curve(a, err) || !check_curve(b, err)) return kInf;
  if (a.udegree != b.udegree || is_rational(a.weights) || is_rational(b.weights)) return kInf;
  const int p = a.udegree;
  // Both must be clamped on the same range for the refinement to line up pole for pole.
  auto clamped = [p](const nb_type& c) {
    return c.uknots.front() == c.uknots[p] && c.uknots.back() == c.uknots[c.nu];
  };
  if (!clamped(a) || !clamped(b) || a.uknots.front() != b.uknots.front() ||
      a.uknots.back() != b.uknots.back())
    return kInf;
  // The knots to insert into b: a's knot multiset minus b's; b's must all be found in a.
  std::vector<double> insert;
  size_t i = 0, j = 0;
  while (i < a.uknots.size() && j < b.uknots.size()) {
    if (a.uknots[i] == b.uknots[j]) {
      ++i;
      ++j;
    } else if (a.uknots[i] < b.uknots[j]) {
      insert.push_back(a.uknots[i++]);
    } else {
      return kInf;  // a knot of b that a lacks
    }
  }
  if (j < b.uknots.size()) return kInf;
  while (i < a.uknots.size()) insert.push_back(a.uknots[i++]);
  std::vector<double> knots;
  std::vector<P3> poles;
  refine_knots(p, b.uknots, b.poles, insert, knots, poles);
  if (poles.size() != a.poles.size()) return kInf;
  double worst = 0.0;
  for (size_t k = 0; k < poles.size(); ++k) worst = std::max(worst, norm(a.poles[k] - poles[k]));
  return worst;
}

bool curve_closed(const nb_type& nb) {
  std::string err;
  if (!check_curve(nb, err)) return false;
  const auto range = curve_range(nb);
  const Point a = evaluate_curve(nb, range[0]), b = evaluate_curve(nb, range[1]);
  return norm(a - b) <= kFitRel * model_size(nb.poles);
}

std::array<Point, 4> end_derivatives(const nb_type& nb) {
  // The hodograph of a clamped curve: degree p - 1, the inner knots, poles p (P(i+1) - P(i)) / span.
  auto hodograph = [](int p, const std::vector<double>& U, const std::vector<P3>& P,
                      std::vector<double>& dU, std::vector<P3>& dP) {
    dP.clear();
    for (size_t i = 0; i + 1 < P.size(); ++i) {
      const double span = U[i + p + 1] - U[i + 1];
      dP.push_back(span > 0.0 ? (p / span) * (P[i + 1] - P[i]) : P3{0, 0, 0});
    }
    dU.assign(U.begin() + 1, U.end() - 1);
  };
  std::array<Point, 4> out{};
  std::vector<double> U1, U2;
  std::vector<P3> P1, P2;
  if (nb.udegree < 1 || nb.poles.size() < 2) return out;
  hodograph(nb.udegree, nb.uknots, nb.poles, U1, P1);
  out[0] = P1.front();
  out[2] = P1.back();
  if (nb.udegree < 2 || P1.size() < 2) return out;
  hodograph(nb.udegree - 1, U1, P1, U2, P2);
  out[1] = P2.front();
  out[3] = P2.back();
  return out;
}

}  // namespace orv::kernel
