// Pictures of the graphics window: the scene of the database in the isometric view, fitted to the
// picture, on the background colour, as an SVG or a PNG file (chosen by the path's extension), both
// drawn by one cairo routine. A picture is written whole or not at all: it goes to a temporary file
// beside the target that replaces the target only when every byte was written.
#pragma once
#include <cstdint>
#include <string>
#include "core/database.h"

namespace orv::view {

struct PictureOptions {
  uint8_t background = 0;  // host colour number of the graphics window's background
  bool caption = true;     // a line at the foot saying what the picture holds
  bool axes = true;        // a small x, y, z tripod in the lower left corner
  std::string title;       // shown before the caption (e.g. the part's name); may be empty
};

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
