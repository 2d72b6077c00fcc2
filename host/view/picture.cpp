// One cairo drawing routine for both picture formats, and the whole-or-nothing file writing.
#include "view/picture.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "core/file_services.h"
#include "view/drawn_cells.h"
#include "view/palette.h"
#include "view/projection.h"
#include "view/legend.h"
#include "view/scene.h"
#include "view/shading.h"

namespace orv::view {

namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 16384;

std::string lower_extension(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// Draws a mark's shape centred at (x, y): a dot for a stored point, a cross for a screen mark.
void draw_mark_shape(cairo_t* cr, bool stored, double x, double y, double cross) {
  if (stored) {
    cairo_arc(cr, x, y, cross * 0.55, 0, 2 * M_PI);
    cairo_fill(cr);
  } else {
    cairo_move_to(cr, x - cross, y - cross);
    cairo_line_to(cr, x + cross, y + cross);
    cairo_move_to(cr, x - cross, y + cross);
    cairo_line_to(cr, x + cross, y - cross);
    cairo_stroke(cr);
  }
}

// x * a / 255 rounded as pixman rounds it, for bytes x and a.
inline uint32_t multiply_bytes(uint32_t x, uint32_t a) {
  const uint32_t t = x * a + 0x80;
  return ((t >> 8) + t) >> 8;
}

// The rows and columns (from, to) of a small image that hold all its pixels not clear.
struct Inked {
  int row0, row1, col0, col1;
};

// Composites a premultiplied ARGB32 image, of which only `inked` is looked at, over an RGB24 one
// with its top left at (x, y), clipped to the target: each channel becomes source + target × (255 −
// source alpha) / 255, saturated, which is what pixman's OVER gives for an opaque target in its
// plain and its SIMD code alike, so these pixels are the ones a cairo fill of the same image leaves.
void over_rgb24(unsigned char* target, int target_stride, int width, int height, const unsigned char* source,
                int source_stride, Inked inked, int x, int y) {
  const int row0 = std::max(inked.row0, -y), row1 = std::min(inked.row1, height - y);
  const int col0 = std::max(inked.col0, -x), col1 = std::min(inked.col1, width - x);
  for (int row = row0; row < row1; ++row) {
    const auto* from = reinterpret_cast<const uint32_t*>(source + static_cast<std::ptrdiff_t>(row) * source_stride);
    auto* to = reinterpret_cast<uint32_t*>(target + static_cast<std::ptrdiff_t>(y + row) * target_stride) + x;
    for (int col = col0; col < col1; ++col) {
      const uint32_t s = from[col];
      const uint32_t keep = 255 - (s >> 24);
      if (keep == 255) continue;  // a clear pixel of the image leaves the target as it is
      const uint32_t d = to[col];
      uint32_t out = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = ((s >> shift) & 0xFF) + multiply_bytes((d >> shift) & 0xFF, keep);
        out |= std::min<uint32_t>(c, 255) << shift;
      }
      to[col] = out;
    }
  }
}

// On a raster picture each look of mark (shape and colour) is drawn once, centred on a pixel of a
// small image, and that image is copied onto the picture for each mark, at the pixel the mark falls
// in: a million marks cost a million copies, not a million rasterised shapes.
class MarkSprites {
 public:
  MarkSprites(double cross, double line_width)
      : cross_(cross), line_width_(line_width), half_(static_cast<int>(std::ceil(cross + line_width)) + 1) {}
  ~MarkSprites() {
    for (cairo_surface_t* s : sprites_)
      if (s != nullptr) cairo_surface_destroy(s);
  }
  MarkSprites(const MarkSprites&) = delete;
  MarkSprites& operator=(const MarkSprites&) = delete;

  /// Copies the look of a mark onto `cr` at the pixel holding `p`; false when no image could be made
  /// (the caller draws the shape itself).
  bool copy(cairo_t* cr, bool stored, uint8_t color, P2 p) {
    cairo_surface_t* sprite = get(stored, color);
    if (sprite == nullptr) return false;
    const double x = std::floor(p.x) - half_, y = std::floor(p.y) - half_, side = 2.0 * half_ + 1;
    cairo_set_source_surface(cr, sprite, x, y);
    cairo_rectangle(cr, x, y, side, side);
    cairo_fill(cr);
    return true;
  }

  /// The same onto an RGB24 image whose pixels the caller holds (flushed, and marked dirty once
  /// done), without a cairo call: a cairo fill costs a microsecond and more a mark, this a tenth of
  /// that. The pixels come out as cairo's fill makes them (see over_rgb24).
  bool copy_into(cairo_surface_t* image, bool stored, uint8_t color, P2 p) {
    cairo_surface_t* sprite = get(stored, color);
    if (sprite == nullptr) return false;
    const double fx = std::floor(p.x) - half_, fy = std::floor(p.y) - half_;
    const int width = cairo_image_surface_get_width(image), height = cairo_image_surface_get_height(image);
    if (!(fx > -2.0 * half_ - 1 && fy > -2.0 * half_ - 1 && fx < width && fy < height)) return true;  // off it
    over_rgb24(cairo_image_surface_get_data(image), cairo_image_surface_get_stride(image), width, height,
               cairo_image_surface_get_data(sprite), cairo_image_surface_get_stride(sprite),
               inked_[look(stored, color)], static_cast<int>(fx), static_cast<int>(fy));
    return true;
  }

 private:
  cairo_surface_t* get(bool stored, uint8_t color) {
    cairo_surface_t*& s = sprites_[look(stored, color)];
    if (s != nullptr) return s;
    const int side = 2 * half_ + 1;
    cairo_surface_t* made = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
    if (cairo_surface_status(made) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(made);
      return nullptr;
    }
    cairo_t* c = cairo_create(made);
    cairo_set_line_cap(c, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(c, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(c, line_width_);
    const Rgb rgb = color_rgb(color);
    cairo_set_source_rgb(c, rgb.r, rgb.g, rgb.b);
    draw_mark_shape(c, stored, half_ + 0.5, half_ + 0.5, cross_);
    const bool ok = cairo_status(c) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(c);
    cairo_surface_flush(made);
    if (!ok) {
      cairo_surface_destroy(made);
      return nullptr;
    }
    s = made;
    inked_[look(stored, color)] = inked_part(made);
    return s;
  }

  static int look(bool stored, uint8_t color) { return (stored ? 256 : 0) + color; }

  // The rows and columns of `image` (ARGB32) that hold a pixel not clear.
  static Inked inked_part(cairo_surface_t* image) {
    const int side = cairo_image_surface_get_width(image), stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    Inked in{side, 0, side, 0};
    for (int row = 0; row < side; ++row) {
      const auto* pixels = reinterpret_cast<const uint32_t*>(data + static_cast<std::ptrdiff_t>(row) * stride);
      for (int col = 0; col < side; ++col) {
        if ((pixels[col] >> 24) == 0) continue;
        in = {std::min(in.row0, row), std::max(in.row1, row + 1), std::min(in.col0, col), std::max(in.col1, col + 1)};
      }
    }
    return in;
  }

  double cross_, line_width_;
  int half_;
  cairo_surface_t* sprites_[512] = {};
  Inked inked_[512] = {};
};

// A polyline whose projection is narrower and lower than this (device units) is drawn as a dot.
constexpr double kSubPixel = 1.0;

void set_color(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

// Font size and legend height of a picture.
double font_size(int width, int height) { return std::clamp(std::min(width, height) / 42.0, 9.0, 22.0); }
double legend_height(int width, int height, const PictureOptions& o) {
  return o.caption ? font_size(width, height) * 2.0 : 0.0;
}

// A polyline whose projection fits within one pixel is drawn as the dot its round caps would make,
// once a pixel for its look (a dense plot of short lines is mostly such dots).
// `dev` is room for the device points, kept from one polyline to the next.
void stroke_polyline(cairo_t* cr, const Viewport& vp, const Polyline& l, DrawnCells& cells, uint16_t look,
                     std::vector<P2>& dev) {
  dev.clear();
  Box2 box;
  for (const Point& p : l.pts) {
    dev.push_back(vp.to_device(p));
    box.add(dev.back());
  }
  if (box.x1 - box.x0 < kSubPixel && box.y1 - box.y0 < kSubPixel) {
    const P2 c{(box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2};
    if (!cells.first(c, look)) return;
    cairo_move_to(cr, c.x, c.y);
    cairo_line_to(cr, c.x, c.y);
    cairo_stroke(cr);
    return;
  }
  cairo_move_to(cr, dev[0].x, dev[0].y);
  for (std::size_t i = 1; i < dev.size(); ++i) cairo_line_to(cr, dev[i].x, dev[i].y);
  cairo_stroke(cr);
}

// A small tripod of the model axes in the picture's view, each axis labelled; an axis that points
// at the viewer shows as its label alone.
void draw_axes(cairo_t* cr, const Camera& camera, double x, double y, double len, double font, Rgb text) {
  struct Axis {
    Point dir;
    const char* name;
    uint8_t color;
  };
  const Axis axes[3] = {{{1, 0, 0}, "x", 12}, {{0, 1, 0}, "y", 10}, {{0, 0, 1}, "z", 9}};
  cairo_set_line_width(cr, std::max(1.0, len / 22));
  cairo_set_font_size(cr, font);
  for (const Axis& a : axes) {
    P2 d = camera.project(a.dir);
    double ex = x + d.x * len, ey = y - d.y * len;
    set_color(cr, color_rgb(a.color));
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, ex, ey);
    cairo_stroke(cr);
    set_color(cr, text, 0.85);
    cairo_move_to(cr, x + d.x * len * 1.28 - font * 0.3, y - d.y * len * 1.28 + font * 0.35);
    cairo_show_text(cr, a.name);
  }
}

// The facets in painter's order: each filled in its shade, then its sides that lie on iso-curves
// stroked in the surface's colour, so that nearer facets hide the wireframe behind them.
void draw_facets(cairo_t* cr, const Scene& scene, const Viewport& vp, double lw) {
  cairo_set_line_width(cr, lw * 0.7);
  for (const ShadedFacet& s : shade_facets(scene, vp.camera())) {
    const Facet& f = *s.facet;
    P2 c[4];
    for (int i = 0; i < 4; ++i) c[i] = vp.to_device(f.p[i]);
    const Rgb base = color_rgb(f.color);
    cairo_move_to(cr, c[0].x, c[0].y);
    for (int i = 1; i < 4; ++i) cairo_line_to(cr, c[i].x, c[i].y);
    cairo_close_path(cr);
    set_color(cr, shaded_color(base, s.light));
    // Stroked as well as filled, thinly, so that no background shows through the seams.
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
    cairo_restore(cr);
    if (f.edges == 0) continue;
    set_color(cr, base);
    for (int i = 0; i < 4; ++i) {
      if (!(f.edges & (1 << i))) continue;
      cairo_move_to(cr, c[i].x, c[i].y);
      cairo_line_to(cr, c[(i + 1) % 4].x, c[(i + 1) % 4].y);
    }
    cairo_stroke(cr);
  }
}

// The scale bar, ticked at its ends, its label above it; it ends at `right`, just above the legend.
void draw_scale_bar(cairo_t* cr, const Viewport& vp, const Legend& legend, double right, double y, double font,
                    Rgb ink) {
  if (!(legend.bar_length > 0)) return;
  const double x1 = right, x0 = right - legend.bar_length * vp.scale();
  set_color(cr, ink, 0.85);
  cairo_set_line_width(cr, std::max(1.0, font / 8));
  cairo_move_to(cr, x0, y);
  cairo_line_to(cr, x1, y);
  cairo_move_to(cr, x0, y - font * 0.4);
  cairo_line_to(cr, x0, y + font * 0.2);
  cairo_move_to(cr, x1, y - font * 0.4);
  cairo_line_to(cr, x1, y + font * 0.2);
  cairo_stroke(cr);
  cairo_set_font_size(cr, font * 0.9);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, legend.bar_label.c_str(), &ext);
  cairo_move_to(cr, (x0 + x1) / 2 - ext.x_advance / 2, y - font * 0.6);
  cairo_show_text(cr, legend.bar_label.c_str());
}

}  // namespace

void draw_picture(cairo_t* cr, const Scene& scene, int width, int height, const PictureOptions& o) {
  const Rgb back = color_rgb(o.background);
  const Rgb ink = contrasting(back);
  const double side = std::min(width, height);
  const double font = font_size(width, height);
  const double caption_h = legend_height(width, height, o);

  set_color(cr, back);
  cairo_paint(cr);

  const Box3 model_bounds = scene.model_bounds();
  const Camera camera = picture_camera(scene, o, model_bounds);
  const Viewport vp = picture_viewport(scene, camera, width, height, o);
  const double lw = std::clamp(side / 450.0, 1.0, 4.0);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);

  draw_facets(cr, scene, vp, lw);
  // Marks, and lines drawn as dots, go into each pixel once for each look.
  DrawnCells cells(width, height);
  std::vector<P2> dev;
  cairo_set_line_width(cr, lw * 0.7);
  for (const Polyline& l : scene.surfaces) {
    set_color(cr, color_rgb(l.color), 0.8);
    stroke_polyline(cr, vp, l, cells, mark_look(MarkShape::SurfaceDot, l.color), dev);
  }
  cairo_set_line_width(cr, lw * 1.3);
  for (const Polyline& l : scene.curves) {
    set_color(cr, color_rgb(l.color));
    stroke_polyline(cr, vp, l, cells, mark_look(MarkShape::CurveDot, l.color), dev);
  }
  const bool screen_marks = picture_shows_marks(scene, o.marks);
  const double cross = std::clamp(side / 160.0, 2.5, 8.0);
  cairo_set_line_width(cr, lw);
  // A vector picture keeps each mark as its shape; a raster one copies each look's image.
  const bool raster = cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_IMAGE;
  MarkSprites sprites(cross, lw);
  // An RGB24 image takes the marks' pixels straight; cairo is told when it draws again.
  cairo_surface_t* image = raster && cairo_image_surface_get_format(cairo_get_target(cr)) == CAIRO_FORMAT_RGB24
                               ? cairo_get_target(cr)
                               : nullptr;
  bool pixels_held = false;
  for (const Mark& m : scene.marks) {
    if (!m.stored && !screen_marks) continue;
    P2 p = vp.to_device(m.at);
    if (!cells.first(p, mark_look(m.stored ? MarkShape::Dot : MarkShape::Cross, m.color))) continue;
    if (image != nullptr) {
      if (!pixels_held) cairo_surface_flush(image);
      pixels_held = true;
      if (sprites.copy_into(image, m.stored, m.color, p)) continue;
    }
    if (pixels_held) cairo_surface_mark_dirty(image);
    pixels_held = false;
    if (raster && sprites.copy(cr, m.stored, m.color, p)) continue;
    set_color(cr, color_rgb(m.color));
    draw_mark_shape(cr, m.stored, p.x, p.y, cross);
  }
  if (pixels_held) cairo_surface_mark_dirty(image);

  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  if (o.axes) {
    double len = std::clamp(side / 16.0, 14.0, 60.0);
    draw_axes(cr, camera, len * 1.6, height - caption_h - len * 1.0, len, font * 0.9, ink);
  }
  if (o.caption) {
    const Legend legend = picture_legend(scene, vp, width, o, model_bounds);
    draw_scale_bar(cr, vp, legend, width - font * 0.8, height - caption_h - font * 0.9, font, ink);
    set_color(cr, ink, 0.12);
    cairo_rectangle(cr, 0, height - caption_h, width, caption_h);
    cairo_fill(cr);
    cairo_set_font_size(cr, font);
    const double base_y = height - caption_h / 2 + font * 0.35;
    cairo_text_extents_t ext;
    cairo_text_extents(cr, legend.right.c_str(), &ext);
    set_color(cr, ink, 0.7);
    cairo_move_to(cr, width - ext.x_advance - font * 0.8, base_y);
    cairo_show_text(cr, legend.right.c_str());
    // The left text gives way to the right one when the picture is narrow.
    set_color(cr, ink, 0.9);
    cairo_save(cr);
    cairo_rectangle(cr, 0, height - caption_h, std::max(0.0, width - ext.x_advance - font * 1.6), caption_h);
    cairo_clip(cr);
    cairo_move_to(cr, font * 0.8, base_y);
    cairo_show_text(cr, legend.left.c_str());
    cairo_restore(cr);
  }
}

namespace {

// Bytes from cairo go to a file descriptor; the first failed write is remembered.
struct Sink {
  int fd = -1;
  int error = 0;
};

cairo_status_t write_to_sink(void* closure, const unsigned char* data, unsigned int length) {
  Sink* sink = static_cast<Sink*>(closure);
  while (length > 0) {
    ssize_t n = ::write(sink->fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      sink->error = n < 0 ? errno : EIO;
      return CAIRO_STATUS_WRITE_ERROR;
    }
    data += n;
    length -= static_cast<unsigned int>(n);
  }
  return CAIRO_STATUS_SUCCESS;
}

// cairo and fontconfig keep the fonts they found in caches that live until the process ends; they
// are let go at exit (the host is their only user), so that leak checkers see only the host's own.
void release_font_caches_at_exit() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  std::atexit([] {
    cairo_debug_reset_static_data();
    using Fini = void (*)();
    if (auto fini = reinterpret_cast<Fini>(::dlsym(RTLD_DEFAULT, "FcFini"))) fini();
  });
}

}  // namespace

std::optional<MarksMode> parse_marks_mode(const std::string& word) {
  if (word == "auto") return MarksMode::Auto;
  if (word == "on") return MarksMode::On;
  if (word == "off") return MarksMode::Off;
  return std::nullopt;
}

Camera picture_camera(const Scene& scene, const PictureOptions& options) {
  return picture_camera(scene, options, scene.model_bounds());
}

Camera picture_camera(const Scene& scene, const PictureOptions& options, const Box3& model_bounds) {
  if (options.camera) return *options.camera;
  if (options.view) return Camera::named(*options.view);
  return default_camera(scene, model_bounds);
}

bool picture_shows_marks(const Scene& scene, MarksMode mode) {
  switch (mode) {
    case MarksMode::On: return true;
    case MarksMode::Off: return false;
    case MarksMode::Auto: break;
  }
  if (scene.surfaces_n == 0) return true;
  const std::size_t screen = static_cast<std::size_t>(std::count_if(
      scene.marks.begin(), scene.marks.end(), [](const Mark& m) { return !m.stored; }));
  return screen <= kMaxSurfaceMarks;
}

Viewport picture_viewport(const Scene& scene, const Camera& camera, int width, int height,
                          const PictureOptions& options) {
  const double legend = legend_height(width, height, options);
  return Viewport(framed(scene.bounds(camera), options.zoom, options.pan), 0, 0, width, std::max(height - legend, 1.0),
                  0.07, 1.0, camera);
}

Legend picture_legend(const Scene& scene, const Viewport& viewport, int width, const PictureOptions& options) {
  return picture_legend(scene, viewport, width, options, scene.model_bounds());
}

Legend picture_legend(const Scene& scene, const Viewport& viewport, int width, const PictureOptions& options,
                      const Box3& model_bounds) {
  Legend l;
  l.left = options.title.empty() ? scene_caption(scene)
                                 : valid_utf8(options.title) + "  \u2014  " + scene_caption(scene);
  if (!picture_shows_marks(scene, options.marks) &&
      std::any_of(scene.marks.begin(), scene.marks.end(), [](const Mark& m) { return !m.stored; }))
    l.left += " (marks not drawn)";
  l.right = viewport.camera().name + " view";
  // In perspective the scale bar holds at the depth of the content's centre only.
  if (viewport.camera().perspective > 0) l.right += " in perspective";
  if (scene.empty()) return l;
  l.right += "  \u00b7  " + size_text(model_bounds);
  l.bar_length = round_length(width / 5.0 / viewport.scale());
  if (l.bar_length > 0) l.bar_label = length_text(l.bar_length) + " mm";
  return l;
}

Scene picture_scene(const GeometryDatabase& db) {
  Detail detail;
  detail.facets = true;
  return make_scene(db, detail);
}

bool is_picture_path(const std::string& path) {
  std::string ext = lower_extension(path);
  return ext == ".svg" || ext == ".png";
}

bool write_picture(const std::string& path, const GeometryDatabase& db, int width, int height,
                   const PictureOptions& options, std::string& err) {
  const std::string ext = lower_extension(path);
  if (ext != ".svg" && ext != ".png") {
    err = path + ": a picture is written as .svg or .png";
    return false;
  }
  if (width < kMinSide || height < kMinSide || width > kMaxSide || height > kMaxSide) {
    err = path + ": picture size " + std::to_string(width) + " x " + std::to_string(height) +
          " is outside " + std::to_string(kMinSide) + " to " + std::to_string(kMaxSide);
    return false;
  }
  const Scene scene = picture_scene(db);

  // The picture streams into a file beside the target that replaces it only when it is whole.
  return write_file_whole(path, [&](const std::string& temp, std::string& why) {
    Sink sink;
    sink.fd = ::open(temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (sink.fd < 0) {
      why = std::strerror(errno);
      return false;
    }
    cairo_status_t status;
    if (ext == ".svg") {
      cairo_surface_t* surface = cairo_svg_surface_create_for_stream(write_to_sink, &sink, width, height);
      cairo_t* cr = cairo_create(surface);
      draw_picture(cr, scene, width, height, options);
      status = cairo_status(cr);
      cairo_destroy(cr);
      cairo_surface_finish(surface);
      if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
      cairo_surface_destroy(surface);
    } else {
      cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
      cairo_t* cr = cairo_create(surface);
      draw_picture(cr, scene, width, height, options);
      status = cairo_status(cr);
      cairo_destroy(cr);
      if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_write_to_png_stream(surface, write_to_sink, &sink);
      cairo_surface_destroy(surface);
    }
    release_font_caches_at_exit();
    bool ok = status == CAIRO_STATUS_SUCCESS && sink.error == 0;
    if (::close(sink.fd) != 0 && ok) {
      sink.error = errno;
      ok = false;
    }
    if (!ok) why = sink.error ? std::strerror(sink.error) : cairo_status_to_string(status);
    return ok;
  }, err);
}

bool write_picture(const std::string& path, const GeometryDatabase& db, int width, int height,
                   std::string& err) {
  PictureOptions options;
  options.background = gr_back_color;
  return write_picture(path, db, width, height, options, err);
}

}  // namespace orv::view
