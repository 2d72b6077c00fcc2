// Shaded surfaces for the pictures: each facet lit by one light fixed to the viewer (above, to the
// left, in front), both of its sides alike since a plotted surface has no outside, and the facets put
// in painter's order, farthest first, so that drawing them in turn hides what lies behind.
#pragma once
#include <vector>
#include "view/palette.h"
#include "view/projection.h"
#include "view/scene.h"

namespace orv::view {

/// Light that reaches a facet facing away from the light (or seen edge-on), and the most any gets.
constexpr double kAmbient = 0.22;
constexpr double kLit = 0.78;

struct ShadedFacet {
  const Facet* facet;  // into the scene it was made from
  double depth;        // the mean depth of its corners (larger is nearer the viewer)
  double light;        // kAmbient .. kAmbient + kLit
};

/// How much light a facet gets through `camera`: kAmbient plus kLit times the cosine between its
/// normal and the light; kAmbient for a facet without area.
double facet_light(const Facet& f, const Camera& camera);

/// The scene's facets, farthest from the viewer first.
std::vector<ShadedFacet> shade_facets(const Scene& scene, const Camera& camera);

/// The most of its colour a fully lit facet shows, so that the wireframe over it, drawn in the full
/// colour, stays visible.
constexpr double kFillStrength = 0.72;

/// The fill colour of a facet of colour `c` receiving `light`: `c` times `light` times kFillStrength.
Rgb shaded_color(Rgb c, double light);

}  // namespace orv::view
