// Shaders, buffers and the camera matrix of the desktop's 3D view.
#define GL_GLEXT_PROTOTYPES
#include "desktop/gl_view.h"

#include <GL/glcorearb.h>

#include <algorithm>
#include <cmath>

#include "exchange/mesh.h"
#include "view/palette.h"
#include "view/shading.h"

namespace orv::desktop {

namespace {

// The light comes from above, to the left and in front of the viewer, as in the pictures.
constexpr double kLightRight = -0.45, kLightUp = 0.55, kLightToward = 0.70;
// The graphics window's background (the window's own, so the view joins it without a seam).
constexpr float kBackground[3] = {0.10f, 0.11f, 0.13f};
// How much nearer the fine wireframe is drawn over fine shading, in clip-space depth (of 2, the
// model's depth with some room): its dense iso-curves lie within a hair of the fine triangles, so
// a small bias keeps them whole without the wire behind a silhouette showing through it.
constexpr float kWireDepthBias = 0.0006f;
// Samples a pixel of a still view: edges and lines anti-aliased (fewer where the implementation
// offers fewer).
constexpr int kSamples = 4;
// The ground grid: a grey a little lighter than the background.
constexpr view::Rgb kGrid{0.27, 0.29, 0.33};
// The fill under the wireframe is a little darker than the wire, so that the wire shows.
constexpr float kWireOverFill = 1.0f;

// The light as the pictures give it: view::kAmbient plus view::kLit times the cosine, both sides alike.
const char* const kVertex = R"(#version 330 core
layout(location = 0) in vec3 pos;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec3 color;
uniform mat4 matrix;
uniform vec3 light;
uniform int lit;
uniform vec2 light_share;
uniform float depth_bias;
out vec3 shade;
void main() {
  gl_Position = matrix * vec4(pos, 1.0);
  gl_Position.z -= depth_bias * gl_Position.w;
  if (lit == 1) {
    float c = abs(dot(normalize(normal), light));
    shade = color * (light_share.x + light_share.y * c);
  } else {
    shade = color;
  }
}
)";

const char* const kFragment = R"(#version 330 core
in vec3 shade;
out vec4 frag;
void main() { frag = vec4(shade, 1.0); }
)";

unsigned compile(GLenum type, const char* source) {
  unsigned s = glCreateShader(type);
  glShaderSource(s, 1, &source, nullptr);
  glCompileShader(s);
  int ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    glDeleteShader(s);
    return 0;
  }
  return s;
}

void push_vertex(std::vector<float>& out, const view::Point& p, const view::Point& n, view::Rgb c) {
  out.insert(out.end(), {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]),
                         static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2]),
                         static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b)});
}

view::Point facet_normal(const view::Facet& f) {
  // The cross product of the diagonals: right for a flat quad and for one folded or collapsed at a
  // corner (a pole), where two sides' product would vanish.
  const auto& p = f.p;
  const double ax = p[2][0] - p[0][0], ay = p[2][1] - p[0][1], az = p[2][2] - p[0][2];
  const double bx = p[3][0] - p[1][0], by = p[3][1] - p[1][1], bz = p[3][2] - p[1][2];
  view::Point n{ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (len > 0) n = {n[0] / len, n[1] / len, n[2] / len};
  return n;
}

void setup_attributes() {
  const GLsizei stride = 9 * sizeof(float);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(3 * sizeof(float)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(6 * sizeof(float)));
}

}  // namespace

std::array<float, 16> clip_matrix(const ViewFrame& f, double width, double height) {
  // View::Viewport's mapping (content centred, equal scales, a margin) in device pixels, y down;
  // clip space has y up, so the device's y is negated.
  view::Viewport vp(f.content, 0, 0, width, height, 0.06, 1.0, f.camera);
  const view::P2 o = vp.to_device(view::P2{0, 0});
  const view::P2 ex = vp.to_device(view::P2{1, 0});
  const view::P2 ey = vp.to_device(view::P2{0, 1});
  const double sx = (ex.x - o.x) * 2 / width, sy = -(ey.y - o.y) * 2 / height;
  const double tx = o.x * 2 / width - 1, ty = 1 - o.y * 2 / height;
  const view::Camera& cam = f.camera;
  const view::Vec3& r = cam.right;
  const view::Vec3& u = cam.up;
  const view::Vec3& t = cam.toward;
  // Camera::project as rows of the matrix, each a linear form of the model point (x y z 1): the
  // offsets from the centre across the view and in depth, and the perspective divisor w (the
  // constant 1 in parallel). Clip x is (sx (cR + across / w) + tx) w, linear again.
  using Row = std::array<double, 4>;
  const double cR = cam.project(cam.centre).x, cU = cam.project(cam.centre).y, cT = cam.depth(cam.centre);
  const double k = cam.perspective;
  const Row across_r{r[0], r[1], r[2], -cR}, across_u{u[0], u[1], u[2], -cU};
  const Row w{-t[0] * k, -t[1] * k, -t[2] * k, 1 + cT * k};
  // Depth: the model's bounds seen along the camera, with some room so nothing is clipped; in
  // perspective nothing nearer than just in front of the eye.
  double zn = 1, zf = -1;  // offsets in depth from the centre, nearest and farthest
  if (!f.model.empty()) {
    zn = -1e300;
    zf = 1e300;
    for (int i = 0; i < 8; ++i) {
      view::Vec3 c{(i & 1) ? f.model.hi[0] : f.model.lo[0], (i & 2) ? f.model.hi[1] : f.model.lo[1],
                   (i & 4) ? f.model.hi[2] : f.model.lo[2]};
      const double d = cam.depth(c) - cT;
      zn = std::max(zn, d);
      zf = std::min(zf, d);
    }
    const double pad = std::max(1e-9, (zn - zf) * 0.05 + 1e-9 * std::max({std::abs(zn), std::abs(zf), std::abs(cT)}));
    zn += pad;
    zf -= pad;
  }
  if (k > 0) zn = std::min(zn, (1 - view::kMinW) / k);
  // z_clip / w runs from -1 at the nearest to 1 at the farthest: z_clip = a z + b w with
  // a zn + b wn = -wn and a zf + b wf = wf.
  const double wn = 1 - zn * k, wf = 1 - zf * k;
  const double a = (wf * wn + wf * wn) / (zf * wn - zn * wf);
  const double b = (-wn - a * zn) / wn;
  const Row depth{t[0], t[1], t[2], -cT};
  std::array<float, 16> m{};
  for (int j = 0; j < 4; ++j) {
    m[j * 4 + 0] = static_cast<float>(sx * across_r[j] + (sx * cR + tx) * w[j]);
    m[j * 4 + 1] = static_cast<float>(sy * across_u[j] + (sy * cU + ty) * w[j]);
    m[j * 4 + 2] = static_cast<float>(a * depth[j] + b * w[j]);
    m[j * 4 + 3] = static_cast<float>(w[j]);
  }
  return m;
}

std::vector<float> facet_triangles(const view::Scene& scene) {
  std::vector<float> out;
  out.reserve(scene.facets.size() * 6 * 9);
  for (const view::Facet& f : scene.facets) {
    const view::Point n = facet_normal(f);
    const view::Rgb c = view::color_rgb(f.color);
    const view::Rgb fill{c.r * view::kFillStrength, c.g * view::kFillStrength, c.b * view::kFillStrength};
    for (int i : {0, 1, 2, 0, 2, 3}) push_vertex(out, f.p[i], n, fill);
  }
  return out;
}

bool fine_triangles(const std::vector<const ent*>& entities, double chord_dev, FineMesh& out) {
  out = FineMesh{};
  std::size_t total = 0;
  for (const ent* e : entities) {
    if (e->kind != ENT_SURFACE && e->kind != ENT_NURBS_SURFACE) continue;
    exchange::Mesh m;
    std::string why;
    if (!exchange::mesh_surface(e->nb, chord_dev, m, why)) {
      out = FineMesh{};
      return false;
    }
    total += m.triangles.size();
    if (total > kMaxFineTriangles) {
      out = FineMesh{};
      return false;
    }
    // Smooth normals: each vertex takes the area-weighted sum of its triangles' normals.
    std::vector<view::Point> normals(m.vertices.size(), view::Point{0, 0, 0});
    for (const auto& t : m.triangles) {
      const auto& a = m.vertices[t[0]];
      const auto& b = m.vertices[t[1]];
      const auto& c = m.vertices[t[2]];
      const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
      const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
      const view::Point n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
      for (int32_t i : t)
        for (int k = 0; k < 3; ++k) normals[i][k] += n[k];
    }
    for (view::Point& n : normals) {
      const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (len > 0) n = {n[0] / len, n[1] / len, n[2] / len};
    }
    const view::Rgb c = view::color_rgb(e->color);
    const view::Rgb fill{c.r * view::kFillStrength, c.g * view::kFillStrength, c.b * view::kFillStrength};
    const auto base = static_cast<uint32_t>(out.vertices.size() / 9);
    for (std::size_t i = 0; i < m.vertices.size(); ++i) push_vertex(out.vertices, m.vertices[i], normals[i], fill);
    for (const auto& t : m.triangles)
      for (int32_t i : t) out.indices.push_back(base + static_cast<uint32_t>(i));
    // The wire: the same iso-curves as the facets' edges, each sampled along its whole length.
    view::Detail dense;
    dense.min_iso_samples = 256;
    dense.max_iso_samples = 1024;
    for (const std::vector<view::Point>& iso : view::surface_iso_curves(e->nb, dense))
      for (std::size_t i = 1; i < iso.size(); ++i) {
        push_vertex(out.wire, iso[i - 1], {0, 0, 1}, c);
        push_vertex(out.wire, iso[i], {0, 0, 1}, c);
      }
  }
  return true;
}

GlView::~GlView() {
  if (program_ == 0) return;
  glDeleteBuffers(1, &vbo_tris_);
  glDeleteBuffers(1, &vbo_lines_);
  glDeleteBuffers(1, &vbo_fine_);
  glDeleteBuffers(1, &ebo_fine_);
  glDeleteVertexArrays(1, &vao_tris_);
  glDeleteVertexArrays(1, &vao_lines_);
  glDeleteVertexArrays(1, &vao_fine_);
  glDeleteBuffers(1, &vbo_wire_);
  glDeleteVertexArrays(1, &vao_wire_);
  glDeleteBuffers(1, &vbo_grid_);
  glDeleteVertexArrays(1, &vao_grid_);
  if (fbo_ != 0) {
    glDeleteFramebuffers(1, &fbo_);
    glDeleteRenderbuffers(1, &color_rb_);
    glDeleteRenderbuffers(1, &depth_rb_);
    glDeleteFramebuffers(1, &ms_fbo_);
    glDeleteRenderbuffers(1, &ms_color_rb_);
    glDeleteRenderbuffers(1, &ms_depth_rb_);
  }
  glDeleteProgram(program_);
}

bool GlView::init() {
  unsigned vs = compile(GL_VERTEX_SHADER, kVertex), fs = compile(GL_FRAGMENT_SHADER, kFragment);
  if (vs == 0 || fs == 0) return false;
  program_ = glCreateProgram();
  glAttachShader(program_, vs);
  glAttachShader(program_, fs);
  glLinkProgram(program_);
  glDeleteShader(vs);
  glDeleteShader(fs);
  int ok = 0;
  glGetProgramiv(program_, GL_LINK_STATUS, &ok);
  if (!ok) return false;
  u_matrix_ = glGetUniformLocation(program_, "matrix");
  u_light_ = glGetUniformLocation(program_, "light");
  u_lit_ = glGetUniformLocation(program_, "lit");
  u_share_ = glGetUniformLocation(program_, "light_share");
  u_bias_ = glGetUniformLocation(program_, "depth_bias");
  glGenVertexArrays(1, &vao_tris_);
  glGenBuffers(1, &vbo_tris_);
  glGenVertexArrays(1, &vao_lines_);
  glGenBuffers(1, &vbo_lines_);
  glGenVertexArrays(1, &vao_fine_);
  glGenBuffers(1, &vbo_fine_);
  glGenBuffers(1, &ebo_fine_);
  glGenVertexArrays(1, &vao_wire_);
  glGenBuffers(1, &vbo_wire_);
  glGenVertexArrays(1, &vao_grid_);
  glGenBuffers(1, &vbo_grid_);
  return true;
}

void GlView::upload(const view::Scene& scene, const FineMesh& fine) {
  upload_fine(fine);
  upload_scene(scene);
}

void GlView::upload_fine(const FineMesh& fine) {
  stale_ = true;
  fine_count_ = static_cast<int>(fine.indices.size());
  glBindVertexArray(vao_fine_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_fine_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(fine.vertices.size() * sizeof(float)), fine.vertices.data(),
               GL_STATIC_DRAW);
  setup_attributes();
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_fine_);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(fine.indices.size() * sizeof(uint32_t)),
               fine.indices.data(), GL_STATIC_DRAW);
  wire_count_ = fine_count_ > 0 ? static_cast<int>(fine.wire.size() / 9) : 0;
  glBindVertexArray(vao_wire_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_wire_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(fine.wire.size() * sizeof(float)), fine.wire.data(),
               GL_STATIC_DRAW);
  setup_attributes();
  glBindVertexArray(0);
}

void GlView::upload_grid(const view::GroundGrid& grid) {
  stale_ = true;
  std::vector<float> lines;
  for (const auto& l : grid.lines) {
    push_vertex(lines, l[0], {0, 0, 1}, kGrid);
    push_vertex(lines, l[1], {0, 0, 1}, kGrid);
  }
  grid_count_ = static_cast<int>(lines.size() / 9);
  glBindVertexArray(vao_grid_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_grid_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(lines.size() * sizeof(float)), lines.data(), GL_STATIC_DRAW);
  setup_attributes();
  glBindVertexArray(0);
}

void GlView::upload_scene(const view::Scene& scene) {
  stale_ = true;
  std::vector<float> tris = facet_triangles(scene);
  tri_count_ = static_cast<int>(tris.size() / 9);
  std::vector<float> lines;
  auto add = [&lines](const std::vector<view::Polyline>& polylines, float strength) {
    for (const view::Polyline& pl : polylines) {
      view::Rgb c = view::color_rgb(pl.color);
      c = {c.r * strength, c.g * strength, c.b * strength};
      for (std::size_t i = 1; i < pl.pts.size(); ++i) {
        push_vertex(lines, pl.pts[i - 1], {0, 0, 1}, c);
        push_vertex(lines, pl.pts[i], {0, 0, 1}, c);
      }
    }
  };
  add(scene.surfaces, kWireOverFill);
  add(scene.curves, 1.0f);
  edge_first_ = static_cast<int>(lines.size() / 9);
  // Only the facets' iso-curve edges: the wireframe over the coarse shading.
  for (const view::Facet& f : scene.facets) {
    const view::Rgb c = view::color_rgb(f.color);
    for (int i = 0; i < 4; ++i) {
      if (!(f.edges & (1 << i))) continue;
      push_vertex(lines, f.p[i], {0, 0, 1}, c);
      push_vertex(lines, f.p[(i + 1) % 4], {0, 0, 1}, c);
    }
  }
  line_count_ = static_cast<int>(lines.size() / 9);

  glBindVertexArray(vao_tris_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_tris_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(tris.size() * sizeof(float)), tris.data(), GL_STATIC_DRAW);
  setup_attributes();
  glBindVertexArray(vao_lines_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_lines_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(lines.size() * sizeof(float)), lines.data(),
               GL_STATIC_DRAW);
  setup_attributes();
  glBindVertexArray(0);
}

void GlView::draw(const ViewFrame& frame, int x, int y, int width, int height, int fb_height, bool coarse) {
  if (program_ == 0 || width <= 0 || height <= 0) return;
  const std::array<float, 16> m = clip_matrix(frame, width, height);
  if (fbo_ == 0 || width != fbo_w_ || height != fbo_h_) {
    if (fbo_ == 0) {
      glGenFramebuffers(1, &fbo_);
      glGenRenderbuffers(1, &color_rb_);
      glGenRenderbuffers(1, &depth_rb_);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, color_rb_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, depth_rb_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color_rb_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_rb_);
    if (ms_fbo_ == 0) {
      glGenFramebuffers(1, &ms_fbo_);
      glGenRenderbuffers(1, &ms_color_rb_);
      glGenRenderbuffers(1, &ms_depth_rb_);
      GLint most = 0;
      glGetIntegerv(GL_MAX_SAMPLES, &most);
      samples_ = std::min(kSamples, static_cast<int>(most));
    }
    if (samples_ > 1) {
      glBindRenderbuffer(GL_RENDERBUFFER, ms_color_rb_);
      glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_RGBA8, width, height);
      glBindRenderbuffer(GL_RENDERBUFFER, ms_depth_rb_);
      glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_DEPTH_COMPONENT24, width, height);
      glBindFramebuffer(GL_FRAMEBUFFER, ms_fbo_);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, ms_color_rb_);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, ms_depth_rb_);
      if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) samples_ = 0;  // drawn plain
    }
    fbo_w_ = width;
    fbo_h_ = height;
    stale_ = true;
  }
  if (stale_ || m != drawn_matrix_ || coarse != drawn_coarse_) {
    render(frame, m, width, height, coarse);
    drawn_matrix_ = m;
    drawn_coarse_ = coarse;
    stale_ = false;
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  const int y0 = fb_height - y - height;
  glBlitFramebuffer(0, 0, width, height, x, y0, x + width, y0 + height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void GlView::render(const ViewFrame& frame, const std::array<float, 16>& m, int width, int height, bool coarse) {
  // Multisampled when still; while the view moves, plain, since the software renderer pays for
  // every sample.
  const bool ms = samples_ > 1 && !coarse;
  glBindFramebuffer(GL_FRAMEBUFFER, ms ? ms_fbo_ : fbo_);
  glViewport(0, 0, width, height);
  glDisable(GL_SCISSOR_TEST);
  glClearColor(kBackground[0], kBackground[1], kBackground[2], 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glUseProgram(program_);
  glUniformMatrix4fv(u_matrix_, 1, GL_FALSE, m.data());
  const view::Camera& c = frame.camera;
  float light[3];
  for (int j = 0; j < 3; ++j)
    light[j] = static_cast<float>(kLightRight * c.right[j] + kLightUp * c.up[j] + kLightToward * c.toward[j]);
  const float len = std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]);
  for (float& l : light) l /= len;
  glUniform3fv(u_light_, 1, light);
  glUniform2f(u_share_, static_cast<float>(view::kAmbient), static_cast<float>(view::kLit));
  const bool fine = fine_count_ > 0 && !coarse;
  if (fine || tri_count_ > 0) {
    // The fill steps back a little so that the wireframe on it wins the depth test.
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(2.0f, 2.0f);
    glUniform1i(u_lit_, 1);
    glUniform1f(u_bias_, 0.0f);
    if (fine) {
      glBindVertexArray(vao_fine_);
      glDrawElements(GL_TRIANGLES, fine_count_, GL_UNSIGNED_INT, nullptr);
    } else {
      glBindVertexArray(vao_tris_);
      glDrawArrays(GL_TRIANGLES, 0, tri_count_);
    }
    glDisable(GL_POLYGON_OFFSET_FILL);
  }
  glUniform1i(u_lit_, 0);
  glUniform1f(u_bias_, 0.0f);
  if (grid_count_ > 0) {
    // Under everything: a curve lying on it is drawn over it.
    glBindVertexArray(vao_grid_);
    glDrawArrays(GL_LINES, 0, grid_count_);
  }
  // Over fine shading the facets' edges (chords that cut into the bulging triangles) give way to
  // the dense wire.
  const int lines = fine ? edge_first_ : line_count_;
  if (lines > 0) {
    glBindVertexArray(vao_lines_);
    glDrawArrays(GL_LINES, 0, lines);
  }
  if (fine && wire_count_ > 0) {
    glUniform1f(u_bias_, kWireDepthBias);
    glBindVertexArray(vao_wire_);
    glDrawArrays(GL_LINES, 0, wire_count_);
  }

  glBindVertexArray(0);
  glUseProgram(0);
  glDisable(GL_DEPTH_TEST);
  if (ms) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, ms_fbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

}  // namespace orv::desktop
