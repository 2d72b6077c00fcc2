// Closest points on a fitted curve, surface or polyline: the distance from a point to the nearest
// point of the shape, not to the shape's point at some matching parameter. The search is local (a
// parameter window the caller knows the point lies near): a coarse scan of the window, then Newton
// steps on the foot condition (the difference is perpendicular to the tangents), which meet the
// foot to rounding on smooth shapes.
#pragma once
#include <array>
#include <vector>

#include "orvantis/host_geometry.h"

using Point3 = std::array<double, 3>;

struct CurveFoot {
  double distance;
  double t;  // the curve's parameter of the closest point
};
struct SurfaceFoot {
  double distance;
  double u, v;
};

/// The point of the well-formed curve `nb` nearest to `p` with its parameter in [a, b].
CurveFoot closest_on_curve(const nb_type& nb, const Point3& p, double a, double b);
/// The point of the well-formed surface `nb` nearest to `p` with parameters in [ua, ub] x [va, vb].
SurfaceFoot closest_on_surface(const nb_type& nb, const Point3& p, double ua, double ub, double va, double vb);
/// Distance from `p` to the segment from `a` to `b`.
double distance_to_segment(const Point3& p, const Point3& a, const Point3& b);
