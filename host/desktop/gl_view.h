// The graphics window's 3D view in plain OpenGL 3 core: the scene's surfaces as shaded triangles
// (one light fixed to the viewer, both sides lit alike, as the pictures light them) with their
// iso-curves over them, curves and lines as line strips, through the same orthographic cameras,
// zoom and pan as the terminal and the pictures. The geometry goes to the GPU once per scene; a
// frame only sets the camera, so turning the view costs one draw of what is there.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "view/projection.h"
#include "view/scene.h"

namespace orv::desktop {

/// How the view is looked at: the camera, and the content's bounds on its view plane after the
/// zoom and pan, which fill the viewport less its margin.
struct ViewFrame {
  view::Camera camera;
  view::Box2 content;
  view::Box3 model;  // the scene's model-space bounds (for the depth range)
};

/// The 4 x 4 matrix (column-major, as OpenGL takes it) that maps model space to clip space for a
/// viewport of `width` x `height` pixels: x and y as view::Viewport maps them, depth from nearest
/// (-1) to farthest (1) over the model's bounds.
std::array<float, 16> clip_matrix(const ViewFrame& frame, double width, double height);

/// Triangles of the scene's facets: per vertex x y z, normal, r g b.
std::vector<float> facet_triangles(const view::Scene& scene);

class GlView {
 public:
  GlView() = default;
  GlView(const GlView&) = delete;
  GlView& operator=(const GlView&) = delete;
  ~GlView();

  /// Makes the shaders (needs the GL context current); false when they do not compile.
  bool init();
  /// Hands a new scene to the GPU.
  void upload(const view::Scene& scene);
  /// Draws into the pixel rectangle (x, y from the window's top left) of a framebuffer of
  /// `fb_height` pixels.
  void draw(const ViewFrame& frame, int x, int y, int width, int height, int fb_height);
  std::size_t triangles() const { return tri_count_ / 3; }

 private:
  unsigned program_ = 0, vao_tris_ = 0, vbo_tris_ = 0, vao_lines_ = 0, vbo_lines_ = 0;
  int tri_count_ = 0;   // vertices
  int line_count_ = 0;  // vertices
  int u_matrix_ = -1, u_light_ = -1, u_lit_ = -1, u_share_ = -1;
};

}  // namespace orv::desktop
