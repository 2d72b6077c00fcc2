// The terminal's graphics window: a grid of braille cells, each 2 x 4 dots, on which the scene is
// drawn through the same cameras as the pictures. A dot is about as wide as it is tall on a
// terminal whose cells are twice as tall as wide, so the view is fitted in dots with equal scales.
// Each cell keeps one colour, that of the last stroke through it (marks are drawn last).
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "interaction/view_navigation.h"
#include "view/scene.h"

namespace orv::frontend {

class BrailleCanvas {
 public:
  BrailleCanvas(int cols, int rows);
  int cols() const { return cols_; }
  int rows() const { return rows_; }
  int dot_width() const { return cols_ * 2; }
  int dot_height() const { return rows_ * 4; }

  void clear();
  /// Sets one dot; outside the canvas nothing happens.
  void dot(int x, int y, uint8_t color);
  /// A straight run of dots from (x0, y0) to (x1, y1), in dot coordinates; clipped to the canvas.
  void line(double x0, double y0, double x1, double y1, uint8_t color);
  /// A small diagonal cross centred on a dot (a screen mark).
  void cross(double x, double y, uint8_t color);
  /// A small filled square centred on a dot (a stored point).
  void blob(double x, double y, uint8_t color);

  /// The bits of a cell (dot (0,0) = 0x01, as in U+2800's layout); 0 for an empty cell.
  uint8_t bits(int col, int row) const { return bits_[row * cols_ + col]; }
  uint8_t color(int col, int row) const { return colors_[row * cols_ + col]; }
  /// The cell as UTF-8: a braille character, or a space for an empty cell.
  std::string glyph(int col, int row) const;
  /// A whole row as UTF-8.
  std::string row_text(int row) const;

 private:
  int cols_, rows_;
  std::vector<uint8_t> bits_, colors_;
};

/// Draws the scene fitted into the canvas as `view` looks at it: surfaces, then curves, then marks.
void draw_scene(BrailleCanvas& canvas, const view::Scene& scene, const interaction::ViewState& view = {});

}  // namespace orv::frontend
