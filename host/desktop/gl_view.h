// The graphics window's 3D view in plain OpenGL 3 core: the scene's surfaces as shaded triangles
// (one light fixed to the viewer, both sides lit alike, as the pictures light them) with their
// iso-curves over them, curves and lines as line strips, through the same cameras (parallel or in
// perspective), zoom and pan as the terminal and the pictures. The geometry goes to the GPU once per scene; a
// frame only sets the camera, so turning the view costs one draw of what is there.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "view/projection.h"
#include "orvantis/host_geometry.h"
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
/// viewport of `width` x `height` pixels: x and y as view::Viewport maps them (after the divide by
/// w in perspective), depth from nearest (-1) to farthest (1) over the model's bounds.
std::array<float, 16> clip_matrix(const ViewFrame& frame, double width, double height);

/// Triangles of the scene's facets: per vertex x y z, normal, r g b.
std::vector<float> facet_triangles(const view::Scene& scene);

/// Most triangles of the fine tessellation; a database that needs more is shaded from its facets.
constexpr std::size_t kMaxFineTriangles = 1000000;  // about 40 MB of vertices and indices

/// Indexed triangles: vertices as facet_triangles lays them out, three indices a triangle.
struct FineMesh {
  std::vector<float> vertices;
  std::vector<uint32_t> indices;
  /// The surfaces' iso-curves, sampled densely enough to lie on the fine triangles within a
  /// hair: line vertices laid out as facet_triangles lays them out, two a piece.
  std::vector<float> wire;
  std::size_t triangles() const { return indices.size() / 3; }
};

/// The database's surfaces within `chord_dev` of them (the mesh export's tessellation), with
/// normals smoothed across shared vertices. False (and `out` empty) when a surface cannot be meshed
/// or the whole would exceed kMaxFineTriangles.
bool fine_triangles(const std::vector<const ent*>& entities, double chord_dev, FineMesh& out);

class GlView {
 public:
  GlView() = default;
  GlView(const GlView&) = delete;
  GlView& operator=(const GlView&) = delete;
  ~GlView();

  /// Makes the shaders (needs the GL context current); false when they do not compile.
  bool init();
  /// Hands a new scene to the GPU, with the fine triangles of its surfaces (empty: none).
  void upload(const view::Scene& scene, const FineMesh& fine);
  /// Replaces the fine triangles alone (made after the scene, in the background).
  void upload_fine(const FineMesh& fine);
  /// Draws (or copies, when nothing changed since the last time) into the pixel rectangle (x, y from the window's top left) of a framebuffer of
  /// `fb_height` pixels. `coarse` shades from the facets even when fine triangles are there (the
  /// level of detail while the view moves).
  void draw(const ViewFrame& frame, int x, int y, int width, int height, int fb_height, bool coarse = false);
  /// The ground grid's lines (none: no grid), drawn under the content.
  void upload_grid(const view::GroundGrid& grid);
  /// Triangles drawn when still (the fine ones when there are some).
  std::size_t triangles() const { return static_cast<std::size_t>(fine_count_ > 0 ? fine_count_ : tri_count_) / 3; }

 private:
  void upload_scene(const view::Scene& scene);
  void render(const ViewFrame& frame, const std::array<float, 16>& m, int width, int height, bool coarse);

  unsigned program_ = 0, vao_tris_ = 0, vbo_tris_ = 0, vao_lines_ = 0, vbo_lines_ = 0;
  unsigned vao_fine_ = 0, vbo_fine_ = 0, ebo_fine_ = 0, vao_wire_ = 0, vbo_wire_ = 0;
  int fine_count_ = 0;  // indices
  int wire_count_ = 0;  // vertices of the fine wireframe
  unsigned vao_grid_ = 0, vbo_grid_ = 0;
  int grid_count_ = 0;  // vertices
  int edge_first_ = 0;  // the first vertex of the facets' edges among the lines
  // The view is drawn into a framebuffer of its own and copied to the window: frames that change
  // nothing in it (a pointer moving over a dialog) only copy it.
  unsigned fbo_ = 0, color_rb_ = 0, depth_rb_ = 0;
  // Drawn multisampled (edges and lines anti-aliased), then resolved into fbo_.
  unsigned ms_fbo_ = 0, ms_color_rb_ = 0, ms_depth_rb_ = 0;
  int samples_ = 0;
  int fbo_w_ = 0, fbo_h_ = 0;
  std::array<float, 16> drawn_matrix_{};
  bool drawn_coarse_ = false;
  bool stale_ = true;  // the scene changed since the view was last drawn
  int tri_count_ = 0;   // vertices
  int line_count_ = 0;  // vertices
  int u_matrix_ = -1, u_light_ = -1, u_lit_ = -1, u_share_ = -1, u_bias_ = -1;
};

}  // namespace orv::desktop
