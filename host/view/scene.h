// What the graphics window shows, as plain strokes in model space: the stored entities (points,
// lines, curves sampled densely from their B-spline form, surfaces as iso-curve wireframes or as
// facets for shading) and the screen marks and lines. The pictures and the terminal draw the same
// scene through the same cameras, each at its own resolution (the sampling density is a parameter).
#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>
#include "core/database.h"
#include "view/projection.h"

namespace orv::view {

using Point = std::array<double, 3>;

struct Polyline {
  uint8_t color = 0;
  std::vector<Point> pts;
  int64_t entity = 0;  // the stored entity drawn, 0 for a screen line
};

struct Mark {
  Point at{};
  uint8_t color = 0;
  bool stored = false;  // a stored point entity (drawn as a dot); else a screen mark (a cross)
  int64_t entity = 0;   // the stored point's id, 0 for a screen mark
};

/// A small four-sided piece of a surface, corners in order round it. `edges` has bit i set when the
/// side from corner i to corner i + 1 lies on one of the surface's iso-curves (the wireframe).
struct Facet {
  std::array<Point, 4> p{};
  uint8_t color = 0;
  uint8_t edges = 0;
  int64_t entity = 0;  // the surface's id
};

/// Model-space bounds; empty until something is added.
struct Box3 {
  Point lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
           std::numeric_limits<double>::infinity()};
  Point hi{-lo[0], -lo[1], -lo[2]};
  void add(const Point& p) {  // inline: bounds pass over every point of a picture
    if (!(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))) return;
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], p[i]);
      hi[i] = std::max(hi[i], p[i]);
    }
  }
  bool empty() const { return lo[0] > hi[0]; }
  /// The size along each axis (0 when empty).
  Point size() const;
};

struct Scene {
  std::vector<Facet> facets;       // surfaces for shading (only when the detail asks for them)
  std::vector<Polyline> surfaces;  // iso-curves, drawn first
  std::vector<Polyline> curves;    // curves, stored lines and screen lines
  std::vector<Mark> marks;         // drawn last, on top
  // What went in, for captions.
  int points = 0, lines = 0, curves_n = 0, surfaces_n = 0, screen_marks = 0, screen_lines = 0;
  int skipped = 0;  // entities whose geometry could not be drawn (malformed records)
  // Screen marks and lines kept by the database and made in all; fewer kept once it thinned them.
  std::size_t screen_kept = 0;
  uint64_t screen_made = 0;

  /// The projected bounds of everything drawn.
  Box2 bounds(const Camera& camera = Camera::named(NamedView::Isometric)) const;
  /// The model-space bounds of everything drawn.
  Box3 model_bounds() const;
  /// True when there is something and all of it lies in one plane parallel to XY (a flat profile):
  /// its heights differ by at most a millionth of its width, its depth or its distance from z = 0,
  /// whichever is largest, so that rounding does not count as height.
  bool flat_in_xy() const;
  bool empty() const { return facets.empty() && surfaces.empty() && curves.empty() && marks.empty(); }
};

/// The view a scene opens in, in the window and in pictures: content that lies in one plane is seen
/// square to it (top for a plane of constant z, front or right for constant y or x, otherwise
/// along the plane's normal, named "normal"); anything else, and a scene that is only a line or a
/// point, in the trimetric view (top when it lies in XY). A plane holds the content when its
/// points stray from it by at most a millionth of the content's size.
Camera default_camera(const Scene& scene);
/// The same, given the scene's model_bounds() (a million points are not measured twice).
Camera default_camera(const Scene& scene, const Box3& model_bounds);

/// `camera` in perspective about `scene`: looking at the centre of its model bounds from
/// kEyeDistance times their half-diagonal away (parallel for a scene with no extent). The window,
/// the terminal and pictures see a scene in perspective through this one rule.
Camera perspective_camera(const Camera& camera, const Scene& scene);

/// A ground grid under the content: lines `spacing` apart in x and y at the content's lowest z,
/// over its XY bounds widened to whole spacings. The spacing is the round length (1, 2 or 5 times
/// a power of ten) nearest below a tenth of the content's larger horizontal side, so that about
/// ten to twenty-five squares span it. Empty (spacing 0) for empty content or content with no
/// horizontal extent.
struct GroundGrid {
  double spacing = 0;
  double z = 0;
  std::vector<std::array<Point, 2>> lines;
};
GroundGrid ground_grid(const Box3& box);

/// How finely curves are sampled.
struct Detail {
  int samples_per_span = 8;     // per non-empty knot span
  int min_curve_samples = 48;
  int max_curve_samples = 16384;
  int min_iso_curves = 12;      // per surface direction: spans are cut to reach this many
  int max_iso_curves = 24;
  int min_iso_samples = 96;     // along one iso-curve
  int max_iso_samples = 400;
  /// Surfaces as facets (for shading) instead of iso-curves; each gap between iso-curves is cut
  /// into pieces, at most `max_facet_steps` in all a direction.
  bool facets = false;
  int max_facet_steps = 72;
};

/// Builds the scene of the database's entities and screen.
Scene make_scene(const GeometryDatabase& db, const Detail& detail = {});

/// One line saying what the scene holds, e.g. "1 spline, 37 marks"; "empty" when nothing. A thinned
/// screen adds how many of its marks and lines are drawn: "...; 999999 of 2000000001 marks drawn".
std::string scene_caption(const Scene& scene);

/// The points of a curve's B-spline form at increasing parameters, dense enough to look smooth:
/// every knot and `samples_per_span` points inside each non-empty span, within the detail's
/// limits. Empty when the record is malformed.
std::vector<Point> sample_curve_dense(const nb_type& nb, const Detail& detail);

/// The iso-curves of a surface's B-spline form, first along v at fixed u, then along u: at the
/// distinct knots of each direction, with the spans cut into equal parts up to the detail's least
/// count, or at even steps when there are more knots than it allows; both ends included. Empty when
/// malformed.
std::vector<std::vector<Point>> surface_iso_curves(const nb_type& nb, const Detail& detail);

/// The facets of a surface's B-spline form, over the same iso-curves as `surface_iso_curves` with
/// each gap cut finer; the facets' marked edges are those iso-curves. Empty when malformed.
std::vector<Facet> surface_facets(const nb_type& nb, uint8_t color, const Detail& detail);

}  // namespace orv::view
