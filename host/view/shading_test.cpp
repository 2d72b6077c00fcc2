// Shading: how much light a facet gets, and the painter's order through every view.
#include <gtest/gtest.h>

#include "view/shading.h"
#include "view/test_shapes.h"

namespace orv::view {
namespace {

Facet flat_facet(double z, uint8_t color = 10) {
  Facet f;
  f.p = {Point{0, 0, z}, Point{1, 0, z}, Point{1, 1, z}, Point{0, 1, z}};
  f.color = color;
  return f;
}

TEST(Shading, FacetsFacingTheLightAreBrighterOnBothSides) {
  const Camera top = Camera::named(NamedView::Top);
  Facet face_on = flat_facet(0);
  Facet edge_on;  // a vertical facet, seen edge-on from the top
  edge_on.p = {Point{0, 0, 0}, Point{1, 0, 0}, Point{1, 0, 1}, Point{0, 0, 1}};
  Facet reversed = face_on;  // the same facet, corners the other way round: its back
  std::swap(reversed.p[1], reversed.p[3]);
  Facet degenerate;  // all corners in one point
  const double lit = facet_light(face_on, top);
  EXPECT_GT(lit, facet_light(edge_on, top) + 0.2);
  EXPECT_DOUBLE_EQ(lit, facet_light(reversed, top));
  EXPECT_DOUBLE_EQ(facet_light(degenerate, top), kAmbient);
  EXPECT_LE(lit, kAmbient + kLit);
  for (const Facet& f : {face_on, edge_on, reversed}) EXPECT_GE(facet_light(f, top), kAmbient);
  // The light turns with the viewer: the face seen face-on gets the same light in every view.
  EXPECT_NEAR(facet_light(face_on, Camera::named(NamedView::Bottom)), lit, 1e-12);
}

TEST(Shading, FacetsAreOrderedFarthestFirstInEveryView) {
  Scene s;
  s.facets = {flat_facet(1, 1), flat_facet(-2, 2), flat_facet(0, 3)};
  struct Case {
    NamedView view;
    std::vector<uint8_t> order;  // colours, first drawn first
  } cases[] = {
      {NamedView::Top, {2, 3, 1}},
      {NamedView::Isometric, {2, 3, 1}},
      {NamedView::Bottom, {1, 3, 2}},
  };
  for (const Case& c : cases) {
    std::vector<ShadedFacet> sorted = shade_facets(s, Camera::named(c.view));
    ASSERT_EQ(sorted.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(sorted[i].facet->color, c.order[i]) << view_name(c.view);
  }
  // Seen from the front the three are side by side at one depth: their order is kept.
  std::vector<ShadedFacet> front = shade_facets(s, Camera::named(NamedView::Front));
  EXPECT_EQ(front[0].facet->color, 1);
  EXPECT_EQ(front[2].facet->color, 3);
}

TEST(Shading, AFullyLitFillStaysDarkerThanItsWireframe) {
  Rgb c = shaded_color({1.0, 0.5, 0.0}, kAmbient + kLit);
  EXPECT_LT(c.r, 0.8);
  EXPECT_GT(c.r, 0.5);
  EXPECT_DOUBLE_EQ(c.g, c.r / 2);  // the hue is kept
  EXPECT_DOUBLE_EQ(c.b, 0.0);
  EXPECT_GT(shaded_color({1, 1, 1}, kAmbient).r, 0.1);  // a facet in shadow is not black
}

}  // namespace
}  // namespace orv::view
