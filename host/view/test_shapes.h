// Shapes for the view's and the terminal's tests and demo: a helix as a cubic B-spline, an exact
// rational torus, flat squares and a ring of points, built directly as database records so that they do not
// depend on the interpolation code.
#pragma once
#include <cmath>
#include <vector>
#include "core/database.h"

namespace orv::view::shapes {

/// A cubic B-spline whose poles sit on a helix of `turns` turns (radius r, pitch h a turn): close to
/// the helix, smooth, `per_turn` poles a turn.
inline EntityData helix(double r = 1.0, double h = 0.5, double turns = 3.0, int per_turn = 16, uint8_t color = 10) {
  EntityData e;
  e.kind = ENT_SPLINE;
  e.color = color;
  e.level = 1;
  nb_type& nb = e.nb;
  nb.udegree = 3;
  nb.nu = static_cast<int>(turns * per_turn) + 1;
  for (int i = 0; i < nb.nu; ++i) {
    double a = 2 * M_PI * i / per_turn;
    std::array<double, 3> p{r * std::cos(a), r * std::sin(a), h * i / per_turn};
    nb.poles.push_back(p);
    e.through.push_back(p);
    nb.weights.push_back(1.0);
  }
  for (int i = 0; i < 4; ++i) nb.uknots.push_back(0.0);
  for (int i = 1; i < nb.nu - 3; ++i) nb.uknots.push_back(static_cast<double>(i) / (nb.nu - 3));
  for (int i = 0; i < 4; ++i) nb.uknots.push_back(1.0);
  return e;
}

/// The exact torus of radii R (tube centre) and r (tube) about the z axis, as a rational
/// biquadratic surface: a circle of 9 poles swept round a circle of 9 poles.
inline EntityData torus(double R = 2.0, double r = 0.7, uint8_t color = 11) {
  EntityData e;
  e.kind = ENT_NURBS_SURFACE;
  e.color = color;
  e.level = 1;
  nb_type& nb = e.nb;
  const double s = std::sqrt(0.5);
  // The unit circle as 9 poles with weights, in the plane (c, d).
  const double cx[9] = {1, 1, 0, -1, -1, -1, 0, 1, 1}, cy[9] = {0, 1, 1, 1, 0, -1, -1, -1, 0};
  const double cw[9] = {1, s, 1, s, 1, s, 1, s, 1};
  const std::vector<double> knots = {0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1};
  nb.udegree = nb.vdegree = 2;
  nb.nu = nb.nv = 9;
  nb.uknots = nb.vknots = knots;
  for (int i = 0; i < 9; ++i) {      // around the z axis
    for (int j = 0; j < 9; ++j) {    // around the tube
      double rad = R + r * cx[j];
      nb.poles.push_back({rad * cx[i], rad * cy[i], r * cy[j]});
      nb.weights.push_back(cw[i] * cw[j]);
    }
  }
  return e;
}

/// A flat square [x0, x0 + side] x [y0, y0 + side] at height z, as a bilinear B-spline surface.
inline EntityData square(double x0, double y0, double side, double z, uint8_t color) {
  EntityData e;
  e.kind = ENT_SURFACE;
  e.color = color;
  e.level = 1;
  nb_type& nb = e.nb;
  nb.udegree = nb.vdegree = 1;
  nb.nu = nb.nv = 2;
  nb.uknots = nb.vknots = {0, 0, 1, 1};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) {
      nb.poles.push_back({x0 + side * i, y0 + side * j, z});
      nb.weights.push_back(1.0);
    }
  return e;
}

inline EntityData point(double x, double y, double z, uint8_t color = 14) {
  EntityData e;
  e.kind = ENT_POINT;
  e.color = color;
  e.level = 1;
  e.p1[0] = x;
  e.p1[1] = y;
  e.p1[2] = z;
  return e;
}

inline EntityData line(double x1, double y1, double z1, double x2, double y2, double z2, uint8_t color = 7) {
  EntityData e;
  e.kind = ENT_LINE;
  e.color = color;
  e.level = 1;
  e.p1[0] = x1;
  e.p1[1] = y1;
  e.p1[2] = z1;
  e.p2[0] = x2;
  e.p2[1] = y2;
  e.p2[2] = z2;
  return e;
}

/// Screen marks along the helix's poles, as a plot draws them.
inline void helix_marks(GeometryDatabase& db, const EntityData& helix, uint8_t color = 14) {
  for (const auto& p : helix.through) db.add_mark({{p[0], p[1], p[2]}, color});
}

}  // namespace orv::view::shapes
