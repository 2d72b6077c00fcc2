// The floor of a 1e6-point `points` plot (bench/data/points_helix_1e6.eqn): the same 1,000,001 helix
// points computed natively and kept as three doubles each (what a stored point must at least hold),
// their count printed. With `--png FILE`, also what a picture of them must at least do: project
// each point onto a 1200 x 900 canvas, mark each pixel hit once with a small square, and write
// the PNG through cairo.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  const long n = 1000001;
  std::vector<double> xyz(static_cast<size_t>(n) * 3);
  for (long j = 0; j < n; ++j) {
    const double t = 0 + static_cast<double>(j) * 0.0001;
    xyz[j * 3] = 2 * std::cos(t);
    xyz[j * 3 + 1] = 2 * std::sin(t);
    xyz[j * 3 + 2] = 0.1 * t;
  }
  std::printf("%ld points\n", n);
  if (argc == 3 && std::strcmp(argv[1], "--png") == 0) {
    const int w = 1200, h = 900;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0.8);
    // An isometric view fitted to the canvas.
    std::vector<unsigned char> hit(static_cast<size_t>(w) * h);
    const double scale = 60;
    for (long j = 0; j < n; ++j) {
      const double* p = &xyz[j * 3];
      const double u = (p[0] - p[1]) * 0.7071, v = p[2] - (p[0] + p[1]) * 0.4082;
      const int px = static_cast<int>(w / 2 + u * scale), py = static_cast<int>(h - 40 - v * scale * 0.08);
      if (px < 0 || py < 0 || px >= w || py >= h || hit[static_cast<size_t>(py) * w + px]) continue;
      hit[static_cast<size_t>(py) * w + px] = 1;
      cairo_rectangle(cr, px - 1, py - 1, 3, 3);
    }
    cairo_fill(cr);
    cairo_destroy(cr);
    if (cairo_surface_write_to_png(surface, argv[2]) != CAIRO_STATUS_SUCCESS) return 1;
    cairo_surface_destroy(surface);
  }
  return 0;
}
