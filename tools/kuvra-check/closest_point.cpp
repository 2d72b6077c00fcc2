// Closest points; see closest_point.h. Derivatives are central differences of the kernel's own
// evaluator, which are exact to rounding for the cubic pieces the host fits.
#include "closest_point.h"

#include <algorithm>
#include <cmath>

#include "kernel/kernel.h"

namespace {

constexpr int coarse_samples = 16;
constexpr int newton_steps = 8;

Point3 sub(const Point3& a, const Point3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Point3& a) { return std::sqrt(dot(a, a)); }

Point3 curve_at(const nb_type& nb, double t) { return orv::kernel::evaluate_curve(nb, t); }
Point3 surface_at(const nb_type& nb, double u, double v) { return orv::kernel::evaluate_surface(nb, u, v); }

}  // namespace

CurveFoot closest_on_curve(const nb_type& nb, const Point3& p, double a, double b) {
  CurveFoot best{INFINITY, a};
  for (int i = 0; i <= coarse_samples; ++i) {
    const double t = a + (b - a) * i / coarse_samples;
    const double d = norm(sub(curve_at(nb, t), p));
    if (d < best.distance) best = {d, t};
  }
  const double h = std::max((b - a) * 1e-5, 1e-12);
  double t = best.t;
  for (int step = 0; step < newton_steps; ++step) {
    const double lo = std::max(a, t - h), hi = std::min(b, t + h);
    if (!(hi > lo)) break;
    const Point3 c = curve_at(nb, t);
    const Point3 d1 = sub(curve_at(nb, hi), curve_at(nb, lo));
    const Point3 tangent = {d1[0] / (hi - lo), d1[1] / (hi - lo), d1[2] / (hi - lo)};
    const double tt = dot(tangent, tangent);
    if (!(tt > 0)) break;
    // Gauss-Newton on (C(t) - p) . C'(t) = 0.
    const double next = std::clamp(t - dot(sub(c, p), tangent) / tt, a, b);
    const double d = norm(sub(curve_at(nb, next), p));
    if (!(d < best.distance)) {
      if (d == best.distance) break;
      // A step that overshoots is halved once before the search gives up.
      const double half = std::clamp(0.5 * (t + next), a, b);
      const double dh = norm(sub(curve_at(nb, half), p));
      if (!(dh < best.distance)) break;
      best = {dh, half};
    } else {
      best = {d, next};
    }
    t = best.t;
  }
  return best;
}

SurfaceFoot closest_on_surface(const nb_type& nb, const Point3& p, double ua, double ub, double va, double vb) {
  constexpr int n = 4;
  SurfaceFoot best{INFINITY, ua, va};
  for (int i = 0; i <= n; ++i)
    for (int j = 0; j <= n; ++j) {
      const double u = ua + (ub - ua) * i / n, v = va + (vb - va) * j / n;
      const double d = norm(sub(surface_at(nb, u, v), p));
      if (d < best.distance) best = {d, u, v};
    }
  const double hu = std::max((ub - ua) * 1e-5, 1e-12), hv = std::max((vb - va) * 1e-5, 1e-12);
  for (int step = 0; step < newton_steps; ++step) {
    const double u = best.u, v = best.v;
    const double u0 = std::max(ua, u - hu), u1 = std::min(ub, u + hu);
    const double v0 = std::max(va, v - hv), v1 = std::min(vb, v + hv);
    if (!(u1 > u0) || !(v1 > v0)) break;
    const Point3 s = surface_at(nb, u, v);
    Point3 su = sub(surface_at(nb, u1, v), surface_at(nb, u0, v));
    Point3 sv = sub(surface_at(nb, u, v1), surface_at(nb, u, v0));
    for (int k = 0; k < 3; ++k) su[k] /= (u1 - u0), sv[k] /= (v1 - v0);
    const Point3 r = sub(s, p);
    // Gauss-Newton on the foot condition: solve [su.su su.sv; su.sv sv.sv] (du, dv) = -(r.su, r.sv).
    const double a11 = dot(su, su), a12 = dot(su, sv), a22 = dot(sv, sv);
    const double det = a11 * a22 - a12 * a12;
    double du = 0, dv = 0;
    if (det > 1e-300 * (a11 * a22 + 1e-300)) {
      du = (-dot(r, su) * a22 + dot(r, sv) * a12) / det;
      dv = (-dot(r, sv) * a11 + dot(r, su) * a12) / det;
    } else if (a11 > 0 || a22 > 0) {  // a degenerate point (a pole): move along the one live direction
      if (a11 >= a22) du = -dot(r, su) / a11; else dv = -dot(r, sv) / a22;
    } else {
      break;
    }
    bool improved = false;
    for (double scale = 1.0; scale >= 0.25 && !improved; scale *= 0.5) {
      const double nu = std::clamp(u + scale * du, ua, ub), nv = std::clamp(v + scale * dv, va, vb);
      const double d = norm(sub(surface_at(nb, nu, nv), p));
      if (d < best.distance) best = {d, nu, nv}, improved = true;
    }
    if (!improved) break;
  }
  return best;
}

double distance_to_segment(const Point3& p, const Point3& a, const Point3& b) {
  const Point3 ab = sub(b, a);
  const double length2 = dot(ab, ab);
  double f = length2 > 0 ? std::clamp(dot(sub(p, a), ab) / length2, 0.0, 1.0) : 0.0;
  const Point3 foot = {a[0] + f * ab[0], a[1] + f * ab[1], a[2] + f * ab[2]};
  return norm(sub(p, foot));
}
