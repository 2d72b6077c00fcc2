// Measuring in the graphics window: the point under the pointer, snapped to what a CAD user aims
// at (a mark, a stored point, a curve's end, else the nearest point along a curve), the entity
// under the pointer, and the measures of an entity (a curve's length, any entity's bounding box),
// in model units, which are millimetres. Kept apart from the window so that the rules are plain
// functions of a scene and a viewport, and the numbers are worded without regard to the locale.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/database.h"
#include "view/projection.h"
#include "view/scene.h"

namespace orv::view {

/// What a device point snaps to.
struct Snap {
  enum class Kind { None, Mark, Point, CurveEnd, OnCurve, OnSurface };
  Kind kind = Kind::None;
  Point at{};          // model coordinates
  int64_t entity = 0;  // the stored entity it lies on, 0 for a screen mark or line
  double pixels = 0;   // its distance from the device point on the screen
};

/// The snap nearest the device point `at` within `radius` device units: the nearest mark (when
/// `marks`: the screen marks are drawn), stored point or curve end (curves, lines and screen lines)
/// comes first; only when none is that near, the nearest point along a curve, lines and screen
/// lines included, interpolated in model space along the piece it falls on; else the point of a
/// surface's facets under `at`, the nearest to the viewer. Kind::None when there is nothing.
Snap snap_at(const Scene& scene, const Viewport& vp, P2 at, double radius, bool marks = true);

/// The stored entity under the device point, as snap_at finds it; 0 when none.
int64_t entity_at(const Scene& scene, const Viewport& vp, P2 at, double radius, bool marks = true);

/// The length of a polyline through `pts`.
double polyline_length(const std::vector<Point>& pts);

/// The measures of one entity.
struct Measures {
  int64_t id = 0;
  std::string kind;     // "point", "line", "spline", "NURB curve", "surface", "NURB surface"
  bool has_length = false;  // lines and curves
  double length = 0;
  Box3 box;
};

/// Samples per knot span when a curve's length is measured: a circle's arc of 90 degrees in one
/// span is then measured within 1e-6 of its length (the chords' shortfall falls with the square
/// of their number).
constexpr int kLengthSamplesPerSpan = 512;

/// Measures the entity with id `id`: false when `db` has none. A curve's length is that of its
/// B-spline form, sampled kLengthSamplesPerSpan times a span; a surface's box is that of its form
/// sampled as the shading samples it.
bool measure_entity(const GeometryDatabase& db, int64_t id, Measures& out);

/// A coordinate for people: at most four decimals, trailing zeros dropped, no "-0", a point as the
/// decimal separator whatever the locale ("12.5", "-0.0013", "3"); beyond 1e7 with an exponent.
std::string coordinate_text(double v);

/// The frame's line for a snap: "x 3  y 1  z 0 mm · mark"; "" for Kind::None.
std::string snap_text(const Snap& snap);

/// The frame's line for an entity's measures: "spline 3 · length 12.57 mm · box 4 × 4 × 1 mm".
std::string measures_text(const Measures& m);

}  // namespace orv::view
