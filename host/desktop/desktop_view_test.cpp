// The desktop's 3D view and input without a display: the camera matrix puts model points where the
// terminal's and the pictures' viewport puts them, nearer points in front; the facets become lit
// triangles; keys become the dialog manager's key names; the prompts' folder list and point fields.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "desktop/desktop_front_end.h"
#include "desktop/gl_view.h"
#include "view/palette.h"
#include "view/test_shapes.h"

namespace orv::desktop {
namespace {

namespace fs = std::filesystem;

// Model point -> pixel (y down) and depth in clip space, through the matrix.
struct Projected {
  double x, y, z;
};
Projected through(const std::array<float, 16>& m, const view::Vec3& p, double w, double h) {
  double c[4];
  for (int r = 0; r < 4; ++r) c[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
  return {(c[0] / c[3] + 1) / 2 * w, (1 - c[1] / c[3]) / 2 * h, c[2] / c[3]};
}

TEST(GlView, NamedViewsPutKnownPointsWhereTheViewportDoes) {
  view::Scene scene;
  scene.curves.push_back({10, {{-10, -5, 0}, {10, 5, 0}, {0, 0, 8}}});
  const double w = 800, h = 500;
  for (view::NamedView v : {view::NamedView::Top, view::NamedView::Front, view::NamedView::Right,
                            view::NamedView::Isometric}) {
    ViewFrame f;
    f.camera = view::Camera::named(v);
    f.content = view::framed(scene.bounds(f.camera), 1.5, {0.1, -0.05});
    f.model = scene.model_bounds();
    const std::array<float, 16> m = clip_matrix(f, w, h);
    view::Viewport vp(f.content, 0, 0, w, h, 0.06, 1.0, f.camera);
    for (const view::Vec3& p : {view::Vec3{0, 0, 0}, view::Vec3{1, 0, 0}, view::Vec3{0, 1, 0}, view::Vec3{0, 0, 1},
                                view::Vec3{10, 5, 0}}) {
      const Projected got = through(m, p, w, h);
      const view::P2 want = vp.to_device(p);
      EXPECT_NEAR(got.x, want.x, 1e-3) << view::view_name(v) << " " << p[0] << "," << p[1] << "," << p[2];
      EXPECT_NEAR(got.y, want.y, 1e-3) << view::view_name(v) << " " << p[0] << "," << p[1] << "," << p[2];
      EXPECT_GT(got.z, -1) << "inside the depth range";
      EXPECT_LT(got.z, 1);
    }
  }
  // From the top, x points right and y up on the screen; the higher point is nearer (smaller z).
  ViewFrame top;
  top.camera = view::Camera::named(view::NamedView::Top);
  top.content = scene.bounds(top.camera);
  top.model = scene.model_bounds();
  const std::array<float, 16> m = clip_matrix(top, w, h);
  const Projected o = through(m, {0, 0, 0}, w, h), x = through(m, {1, 0, 0}, w, h), y = through(m, {0, 1, 0}, w, h),
                  z = through(m, {0, 0, 8}, w, h);
  EXPECT_GT(x.x, o.x);
  EXPECT_NEAR(x.y, o.y, 1e-6);
  EXPECT_LT(y.y, o.y);
  EXPECT_LT(z.z, o.z);
}

TEST(GlView, PerspectivePutsPointsWhereTheViewportDoesAndKeepsThemInDepth) {
  // The same camera in perspective: the matrix's divide by w lands where Camera::project does, for
  // points nearer and farther than the centre and for the grid's corners beyond the content.
  view::Scene scene;
  scene.curves.push_back({10, {{-10, -5, 0}, {10, 5, 0}, {0, 0, 8}}});
  const double w = 800, h = 500;
  for (view::NamedView v : {view::NamedView::Top, view::NamedView::Trimetric}) {
    ViewFrame f;
    f.camera = view::perspective_camera(view::Camera::named(v).turned(20, 10), scene);
    ASSERT_GT(f.camera.perspective, 0);
    f.content = view::framed(scene.bounds(f.camera), 1.25, {0.05, 0.1});
    f.model = scene.model_bounds();
    f.model.add({-14, -9, 0});
    f.model.add({14, 9, 0});
    const std::array<float, 16> m = clip_matrix(f, w, h);
    view::Viewport vp(f.content, 0, 0, w, h, 0.06, 1.0, f.camera);
    for (const view::Vec3& p : {view::Vec3{0, 0, 0}, view::Vec3{-10, -5, 0}, view::Vec3{10, 5, 0},
                                view::Vec3{0, 0, 8}, view::Vec3{-14, 9, 0}}) {
      const Projected got = through(m, p, w, h);
      const view::P2 want = vp.to_device(p);
      EXPECT_NEAR(got.x, want.x, 1e-2) << view::view_name(v) << " " << p[0] << "," << p[1] << "," << p[2];
      EXPECT_NEAR(got.y, want.y, 1e-2) << view::view_name(v) << " " << p[0] << "," << p[1] << "," << p[2];
      EXPECT_GT(got.z, -1) << "inside the depth range";
      EXPECT_LT(got.z, 1);
    }
    // Depth keeps its order: nearer the viewer is smaller in clip space.
    const Projected apex = through(m, {0, 0, 8}, w, h), base = through(m, {0, 0, 0}, w, h);
    EXPECT_LT(apex.z, base.z) << "the apex stands nearer than the origin in both views";
  }
}

TEST(GlView, FacetsBecomeTwoTrianglesWithAUnitNormalAcrossThem) {
  view::Scene scene;
  view::Facet f;
  f.p = {view::Point{0, 0, 0}, view::Point{2, 0, 0}, view::Point{2, 3, 0}, view::Point{0, 3, 0}};
  f.color = 12;
  scene.facets.push_back(f);
  // A facet collapsed at one corner (a pole) still has its normal.
  view::Facet pole = f;
  pole.p[3] = pole.p[0];
  scene.facets.push_back(pole);
  const std::vector<float> v = facet_triangles(scene);
  ASSERT_EQ(v.size(), 2u * 6 * 9);
  for (std::size_t i = 0; i < v.size(); i += 9) {
    EXPECT_NEAR(std::abs(v[i + 5]), 1.0, 1e-6) << "the normal of a facet in the XY plane is along z";
    EXPECT_NEAR(v[i + 3], 0.0, 1e-6);
    EXPECT_NEAR(v[i + 4], 0.0, 1e-6);
  }
  // The first triangle's corners are the facet's 0, 1, 2; the second's 0, 2, 3.
  EXPECT_FLOAT_EQ(v[9 * 1 + 0], 2);
  EXPECT_FLOAT_EQ(v[9 * 5 + 1], 3);
  // The fill is darker than the colour itself, so the wireframe over it shows.
  const view::Rgb c = view::color_rgb(12);
  EXPECT_LT(v[6], c.r);
}

TEST(GlView, FineTrianglesFollowTheSurfaceWithinTheChordDeviation) {
  // The exact torus (radii 2 and 0.7): every vertex on it, every normal across the tube.
  const ent torus = view::shapes::torus(2.0, 0.7, 11);
  const ent helix = view::shapes::helix();
  FineMesh coarse, fine;
  ASSERT_TRUE(fine_triangles({&torus, &helix}, 0.01, coarse));
  ASSERT_TRUE(fine_triangles({&torus, &helix}, 0.0005, fine));
  EXPECT_GT(fine.triangles(), 4 * coarse.triangles()) << "a finer chord needs more triangles";
  ASSERT_GT(coarse.triangles(), 100u);
  ASSERT_EQ(coarse.vertices.size() % 9, 0u);
  const std::size_t n = coarse.vertices.size() / 9;
  for (uint32_t i : coarse.indices) ASSERT_LT(i, n);
  for (std::size_t v = 0; v < n; ++v) {
    const float* p = &coarse.vertices[v * 9];
    const double ring = std::hypot(p[0], p[1]);
    const double tube = std::hypot(ring - 2.0, p[2]);
    EXPECT_NEAR(tube, 0.7, 1e-6) << "vertex " << v;
    // The smoothed normal points along the tube's radius (either way: both sides are lit alike).
    const double rx = (ring - 2.0) * p[0] / ring / tube, ry = (ring - 2.0) * p[1] / ring / tube, rz = p[2] / tube;
    EXPECT_NEAR(std::abs(p[3] * rx + p[4] * ry + p[5] * rz), 1.0, 0.02) << "vertex " << v;
  }
  // Past the budget, or for a record that is not a surface, there is no fine mesh: the facets shade.
  ent broken = torus;
  broken.nb.poles.clear();
  EXPECT_FALSE(fine_triangles({&broken}, 0.01, fine));
  EXPECT_TRUE(fine.vertices.empty() && fine.indices.empty());
  EXPECT_FALSE(fine_triangles({&torus}, 1e-9, fine)) << "a chord so fine would need too many triangles";
}

TEST(DesktopKeys, KeysBecomeTheDialogManagersNames) {
  struct Case {
    int key, mods;
    const char* name;
  };
  const Case cases[] = {
      {GLFW_KEY_TAB, 0, "Tab"},
      {GLFW_KEY_TAB, GLFW_MOD_SHIFT, "Shift+Tab"},
      {GLFW_KEY_ENTER, 0, "Enter"},
      {GLFW_KEY_KP_ENTER, 0, "Enter"},
      {GLFW_KEY_ESCAPE, 0, "Esc"},
      {GLFW_KEY_DOWN, 0, "Down"},
      {GLFW_KEY_DOWN, GLFW_MOD_ALT, "Alt+Down"},
      {GLFW_KEY_P, GLFW_MOD_ALT, "Alt+P"},
      {GLFW_KEY_7, GLFW_MOD_ALT, "Alt+7"},
      {GLFW_KEY_BACKSPACE, 0, "Backspace"},
      {GLFW_KEY_PAGE_DOWN, 0, "PageDown"},
      {GLFW_KEY_P, 0, ""},      // typed as text
      {GLFW_KEY_SPACE, 0, ""},  // typed as text: the dialog manager makes a space on a button a press
      {GLFW_KEY_F5, 0, ""},
      {GLFW_KEY_LEFT, GLFW_MOD_SHIFT, "Shift+Left"},  // an edit's selection grows
      {GLFW_KEY_END, GLFW_MOD_SHIFT, "Shift+End"},
      {GLFW_KEY_A, GLFW_MOD_CONTROL, "Ctrl+A"},
      {GLFW_KEY_A, 0, ""},  // typed as text
  };
  for (const Case& c : cases) EXPECT_EQ(key_name(c.key, c.mods), c.name) << c.key << " " << c.mods;
}

}  // namespace
}  // namespace orv::desktop
