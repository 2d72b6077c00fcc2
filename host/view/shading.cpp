// One light, Lambert's cosine, and a stable depth sort.
#include "view/shading.h"

#include <algorithm>
#include <cmath>

namespace orv::view {

namespace {

// The light's direction in view coordinates (right, up, toward the viewer).
constexpr double kLightView[3] = {-0.35, 0.45, 0.82};

Vec3 sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

}  // namespace

double facet_light(const Facet& f, const Camera& camera) {
  // The normal of a four-sided facet (also of a bent one): the cross of its diagonals.
  const Vec3 d1 = sub(f.p[2], f.p[0]), d2 = sub(f.p[3], f.p[1]);
  const Vec3 n{d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2], d1[0] * d2[1] - d1[1] * d2[0]};
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(len > 0) || !std::isfinite(len)) return kAmbient;
  const double ll = std::sqrt(kLightView[0] * kLightView[0] + kLightView[1] * kLightView[1] +
                              kLightView[2] * kLightView[2]);
  Vec3 light{};
  for (int i = 0; i < 3; ++i) {
    light[i] = (camera.right[i] * kLightView[0] + camera.up[i] * kLightView[1] + camera.toward[i] * kLightView[2]) / ll;
  }
  const double c = std::fabs(n[0] * light[0] + n[1] * light[1] + n[2] * light[2]) / len;
  return kAmbient + kLit * std::min(c, 1.0);
}

std::vector<ShadedFacet> shade_facets(const Scene& scene, const Camera& camera) {
  std::vector<ShadedFacet> out;
  out.reserve(scene.facets.size());
  for (const Facet& f : scene.facets) {
    double d = 0;
    for (const Point& p : f.p) d += camera.depth(p);
    out.push_back({&f, d / 4, facet_light(f, camera)});
  }
  std::stable_sort(out.begin(), out.end(), [](const ShadedFacet& a, const ShadedFacet& b) { return a.depth < b.depth; });
  return out;
}

Rgb shaded_color(Rgb c, double light) {
  const double f = light * kFillStrength;
  return {c.r * f, c.g * f, c.b * f};
}

}  // namespace orv::view
