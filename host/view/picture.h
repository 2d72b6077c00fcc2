// Pictures of the graphics window: the scene of the database in a chosen view (shaded surfaces with
// their wireframe over them, curves, marks), fitted to the picture, on the background colour, with a
// legend, as an SVG or a PNG file (chosen by the path's extension), both drawn by one cairo routine. A picture is written whole or not at all: it goes to a temporary file
// beside the target that replaces the target only when every byte was written.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include "core/database.h"
#include "view/projection.h"
#include "view/scene.h"

typedef struct _cairo cairo_t;

namespace orv::view {

/// Whether screen marks are drawn: always, never, or (Auto) unless a surface is shown with more
/// than kMaxSurfaceMarks of them, where one mark a grid point hides the surface.
enum class MarksMode { Auto, On, Off };
constexpr std::size_t kMaxSurfaceMarks = 200;

/// The mode a word names ("auto", "on", "off"); none for another word.
std::optional<MarksMode> parse_marks_mode(const std::string& word);

struct PictureOptions {
  uint8_t background = 0;  // host colour number of the graphics window's background
  bool caption = true;     // the legend at the foot: title, contents, view, scale bar and size
  bool axes = true;        // a small x, y, z tripod in the lower left corner
  std::string title;       // shown first in the legend (the file's name); may be empty
  std::optional<NamedView> view;  // none: default_camera(scene)
  // The view on a screen, taken as it is (before `view`): its camera, zoom and pan (framed()).
  std::optional<Camera> camera;
  double zoom = 1;
  P2 pan{0, 0};
  MarksMode marks = MarksMode::Auto;
};

/// The camera a picture of `scene` uses under `options`.
Camera picture_camera(const Scene& scene, const PictureOptions& options);
/// The same, given the scene's model_bounds().
Camera picture_camera(const Scene& scene, const PictureOptions& options, const Box3& model_bounds);

/// True when the picture draws the scene's screen marks (stored points are always drawn).
bool picture_shows_marks(const Scene& scene, MarksMode mode);

/// Where a picture of `scene`, `width` x `height`, puts model space: the fit of the content above
/// the legend.
Viewport picture_viewport(const Scene& scene, const Camera& camera, int width, int height,
                          const PictureOptions& options);

/// What the legend says: at the left the title and what the picture holds, at the right the view
/// and the size of the content's bounding box; the scale bar's length in model units (millimetres)
/// and its label, the bar no longer than a fifth of the picture (length 0: no bar, nothing drawn).
struct Legend {
  std::string left, right;
  double bar_length = 0;
  std::string bar_label;
};
Legend picture_legend(const Scene& scene, const Viewport& viewport, int width, const PictureOptions& options);
Legend picture_legend(const Scene& scene, const Viewport& viewport, int width, const PictureOptions& options,
                      const Box3& model_bounds);

/// Draws `scene` as a picture of `width` x `height` onto `cr`: what write_picture puts in a file.
void draw_picture(cairo_t* cr, const Scene& scene, int width, int height, const PictureOptions& options);

/// The scene a picture draws of `db`: surfaces as facets.
Scene picture_scene(const GeometryDatabase& db);

/// True when `path` ends in ".svg" or ".png" (any case).
bool is_picture_path(const std::string& path);

/// Writes the picture, `width` x `height` pixels (SVG: points), 16 to 16384 each. False with a
/// message "path: reason" when the extension is neither .svg nor .png, the size is out of range, or
/// the file cannot be written; then nothing is left under `path` that was not there before.
bool write_picture(const std::string& path, const GeometryDatabase& db, int width, int height,
                   const PictureOptions& options, std::string& err);

/// The same on the host's graphics window background (gr_back_color).
bool write_picture(const std::string& path, const GeometryDatabase& db, int width, int height,
                   std::string& err);

}  // namespace orv::view
