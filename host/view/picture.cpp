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
#include "view/palette.h"
#include "view/projection.h"
#include "view/scene.h"

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

void set_color(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void stroke_polyline(cairo_t* cr, const Viewport& vp, const Polyline& l) {
  P2 a = vp.to_device(l.pts[0]);
  cairo_move_to(cr, a.x, a.y);
  for (std::size_t i = 1; i < l.pts.size(); ++i) {
    P2 p = vp.to_device(l.pts[i]);
    cairo_line_to(cr, p.x, p.y);
  }
  cairo_stroke(cr);
}

// A small tripod of the model axes in the isometric view, each axis labelled.
void draw_axes(cairo_t* cr, double x, double y, double len, double font, Rgb text) {
  struct Axis {
    Point dir;
    const char* name;
    uint8_t color;
  };
  const Axis axes[3] = {{{1, 0, 0}, "x", 12}, {{0, 1, 0}, "y", 10}, {{0, 0, 1}, "z", 9}};
  cairo_set_line_width(cr, std::max(1.0, len / 22));
  cairo_set_font_size(cr, font);
  for (const Axis& a : axes) {
    P2 d = iso_project(a.dir);
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

void draw(cairo_t* cr, const Scene& scene, int width, int height, const PictureOptions& o) {
  const Rgb back = color_rgb(o.background);
  const Rgb ink = contrasting(back);
  const double side = std::min(width, height);
  const double font = std::clamp(side / 42.0, 9.0, 22.0);
  const double caption_h = o.caption ? font * 2.0 : 0.0;

  set_color(cr, back);
  cairo_paint(cr);

  Viewport vp(scene.bounds(), 0, 0, width, std::max(height - caption_h, 1.0), 0.07);
  const double lw = std::clamp(side / 450.0, 1.0, 4.0);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);

  cairo_set_line_width(cr, lw * 0.7);
  for (const Polyline& l : scene.surfaces) {
    set_color(cr, color_rgb(l.color), 0.8);
    stroke_polyline(cr, vp, l);
  }
  cairo_set_line_width(cr, lw * 1.3);
  for (const Polyline& l : scene.curves) {
    set_color(cr, color_rgb(l.color));
    stroke_polyline(cr, vp, l);
  }
  const double cross = std::clamp(side / 160.0, 2.5, 8.0);
  cairo_set_line_width(cr, lw);
  for (const Mark& m : scene.marks) {
    P2 p = vp.to_device(m.at);
    set_color(cr, color_rgb(m.color));
    if (m.stored) {
      cairo_arc(cr, p.x, p.y, cross * 0.55, 0, 2 * M_PI);
      cairo_fill(cr);
    } else {
      cairo_move_to(cr, p.x - cross, p.y - cross);
      cairo_line_to(cr, p.x + cross, p.y + cross);
      cairo_move_to(cr, p.x - cross, p.y + cross);
      cairo_line_to(cr, p.x + cross, p.y - cross);
      cairo_stroke(cr);
    }
  }

  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  if (o.axes) {
    double len = std::clamp(side / 16.0, 14.0, 60.0);
    draw_axes(cr, len * 1.6, height - caption_h - len * 1.0, len, font * 0.9, ink);
  }
  if (o.caption) {
    set_color(cr, ink, 0.12);
    cairo_rectangle(cr, 0, height - caption_h, width, caption_h);
    cairo_fill(cr);
    set_color(cr, ink, 0.9);
    cairo_set_font_size(cr, font);
    std::string text = o.title.empty() ? scene_caption(scene) : o.title + "  \u2014  " + scene_caption(scene);
    cairo_move_to(cr, font * 0.8, height - caption_h / 2 + font * 0.35);
    cairo_show_text(cr, text.c_str());
    const char* view = "isometric";
    cairo_text_extents_t ext;
    cairo_text_extents(cr, view, &ext);
    set_color(cr, ink, 0.55);
    cairo_move_to(cr, width - ext.x_advance - font * 0.8, height - caption_h / 2 + font * 0.35);
    cairo_show_text(cr, view);
  }
}

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
  const Scene scene = make_scene(db);

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
      draw(cr, scene, width, height, options);
      status = cairo_status(cr);
      cairo_destroy(cr);
      cairo_surface_finish(surface);
      if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
      cairo_surface_destroy(surface);
    } else {
      cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
      cairo_t* cr = cairo_create(surface);
      draw(cr, scene, width, height, options);
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
