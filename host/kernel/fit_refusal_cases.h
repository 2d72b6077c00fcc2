// One table of splines and surfaces asked of a host, with the refusal the host tells for each (""
// when it takes it). The host's geometry services and the fake host (tools/fake_host) both run it,
// so the checker predicts exactly what the host refuses and in the same words.
#pragma once
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "orvantis/host_geometry.h"

namespace orv::fit {

struct RefusalCase {
  const char* name = "";
  bool surface = false;
  int rows = 0, cols = 0;                     // surfaces: the grid; splines: 0
  std::vector<std::array<double, 3>> points;  // row-major for a surface
  bool no_points = false;                     // pass a null pointer instead of `points`
  int start_kind = 1, end_kind = 1;           // splines: the end kinds asked for
  std::string refusal;                        // "" when taken

  const pt_3d* data() const { return no_points ? nullptr : reinterpret_cast<const pt_3d*>(points.data()); }
  int32_t count() const { return no_points ? 0 : static_cast<int32_t>(points.size()); }
};

// Asks the case of whichever host the program links (the plotters' call: no end vectors, colour 10,
// level 1, a plain surface); `entry` and `ok` get the host's answer.
inline void ask_host(const RefusalCase& c, db_list_ent_type** entry, char* ok) {
  if (c.surface) {
    double out = -1;
    make_surf_from_pts(c.data(), static_cast<int16_t>(c.rows), static_cast<int16_t>(c.cols), 0, 0, 1, 1, 10, 1, 0,
                       &out, entry, ok);
  } else {
    make_spline_from_pts(c.data(), c.count(), 10, 1, c.start_kind, nullptr, c.end_kind, nullptr, 0, entry, ok);
  }
}

// A rows x cols grid whose point (i, j) is f(i, j).
template <class F>
std::vector<std::array<double, 3>> grid_points(int rows, int cols, F f) {
  std::vector<std::array<double, 3>> p;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) p.push_back(f(i, j));
  return p;
}

inline std::vector<RefusalCase> refusal_cases() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  using P = std::array<double, 3>;
  auto plane = [](int i, int j) { return P{double(i), double(j), 0}; };
  const std::string two = "; a spline needs at least two distinct points";
  const std::string no_area = " grid): the grid has no area: its rows or its columns all coincide";
  std::vector<RefusalCase> cases;
  auto spline = [&](const char* name, std::vector<P> pts, std::string why) {
    RefusalCase c;
    c.name = name;
    c.points = std::move(pts);
    c.refusal = std::move(why);
    cases.push_back(std::move(c));
  };
  auto surface = [&](const char* name, int rows, int cols, std::vector<P> pts, std::string why) {
    RefusalCase c;
    c.name = name;
    c.surface = true;
    c.rows = rows;
    c.cols = cols;
    c.points = std::move(pts);
    c.refusal = std::move(why);
    cases.push_back(std::move(c));
  };

  spline("two distinct points", {{0, 0, 0}, {1, 0, 0}}, "");
  spline("repeated points while two differ", {{0, 0, 0}, {0, 0, 0}, {0, 0, 1e-3}}, "");
  spline("one point", {{1, 2, 3}}, "spline refused: 1 point" + two);
  spline("three equal points", {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, "spline refused: all 3 points coincide" + two);
  spline("an infinite y", {{0, 0, 0}, {1, inf, 0}},
         "spline refused: point 2 of 2 is not finite (y = inf); a spline cannot pass through it");
  spline("a NaN x", {{nan, 0, 0}, {1, 0, 0}},
         "spline refused: point 1 of 2 is not finite (x = nan); a spline cannot pass through it");
  spline("a -inf z among equal points", {{1, 1, 1}, {1, 1, 1}, {1, 1, -inf}},
         "spline refused: point 3 of 3 is not finite (z = -inf); a spline cannot pass through it");
  {
    RefusalCase c;
    c.name = "no points";
    c.no_points = true;
    c.refusal = "spline refused: no points were given";
    cases.push_back(std::move(c));
  }
  {
    RefusalCase c;
    c.name = "a clamped start, before the point that is not finite";
    c.points = {{0, 0, 0}, {nan, 0, 0}};
    c.start_kind = 2;
    c.refusal = "spline refused: end kinds 2 and 1 asked for; only free ends (kind 1) are offered";
    cases.push_back(std::move(c));
  }

  surface("a plane", 3, 4, grid_points(3, 4, plane), "");
  surface("a row collapsed to a pole", 3, 3,
          grid_points(3, 3, [](int i, int j) { return i == 0 ? P{0, 0, 0} : P{double(i), double(j), 0}; }), "");
  surface("one row", 1, 4, grid_points(1, 4, plane),
          "surface refused: a 1 x 4 grid; a surface needs at least 2 rows of 2 points");
  surface("one column", 2, 1, grid_points(2, 1, plane),
          "surface refused: a 2 x 1 grid; a surface needs at least 2 rows of 2 points");
  surface("all points equal", 3, 3, grid_points(3, 3, [](int, int) { return P{5, 5, 5}; }),
          "surface refused (a 3 x 3 grid): all points coincide");
  surface("columns that coincide", 3, 3, grid_points(3, 3, [](int i, int) { return P{double(i), 0, 0}; }),
          "surface refused (a 3 x 3" + no_area);
  surface("rows that coincide", 3, 3, grid_points(3, 3, [](int, int j) { return P{0, double(j), 0}; }),
          "surface refused (a 3 x 3" + no_area);
  surface("columns closer than the tolerance for one point", 2, 2,
          grid_points(2, 2, [](int i, int j) { return P{double(i), j * 1e-13, 0}; }),
          "surface refused (a 2 x 2" + no_area);
  surface("an infinite z at the last point", 2, 2,
          grid_points(2, 2, [](int i, int j) { return P{double(i), double(j), i == 1 && j == 1 ? inf : 0}; }),
          "surface refused: point 2 of row 2 (a 2 x 2 grid) is not finite (z = inf); a surface cannot pass through it");
  {
    RefusalCase c;
    c.name = "no grid points";
    c.surface = true;
    c.rows = c.cols = 2;
    c.no_points = true;
    c.refusal = "surface refused: no points were given";
    cases.push_back(std::move(c));
  }
  return cases;
}

}  // namespace orv::fit
