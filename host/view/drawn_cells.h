// Which pixels of a picture already hold a mark of a given look, so that a dense plot draws each
// mark at most once a pixel: a million points falling on sixty thousand pixels cost sixty thousand
// drawings, and the picture looks as if every one had been drawn.
#pragma once
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>
#include "view/projection.h"

namespace orv::view {

/// How a mark looks: its shape (and so its size) and its colour. Two marks of one look whose
/// centres fall in one pixel draw the same thing.
enum class MarkShape : uint16_t { Dot, Cross, SurfaceDot, CurveDot };
constexpr uint16_t mark_look(MarkShape shape, uint8_t color) {
  return static_cast<uint16_t>(static_cast<uint16_t>(shape) * 256u + color);
}

/// Pictures with more pixels than this keep their drawn cells in a hash table, not a dense one.
constexpr int64_t kMaxDenseCells = int64_t{4096} * 4096;

class DrawnCells {
 public:
  DrawnCells(int width, int height) : width_(width), height_(height) {}

  /// True when a mark of `look` centred at device position `at` is to be drawn: false only when the
  /// last mark let through whose centre fell in the same pixel had the same look. Centres off the
  /// raster or not finite are always drawn (a mark just outside may still show its edge).
  bool first(P2 at, uint16_t look) {  // inline: a picture asks for each of a million marks
    const double fx = std::floor(at.x), fy = std::floor(at.y);
    if (!(fx >= 0 && fy >= 0 && fx < width_ && fy < height_)) {
      ++drawn_;
      return true;
    }
    uint16_t& slot = cell(static_cast<int64_t>(fy) * width_ + static_cast<int64_t>(fx));
    const uint16_t stored = static_cast<uint16_t>(look + 1);
    if (slot == stored) return false;
    slot = stored;
    ++drawn_;
    return true;
  }

  /// How many marks `first` let through.
  std::size_t drawn() const { return drawn_; }

 private:
  int width_, height_;
  std::vector<uint16_t> dense_;                    // look + 1 per pixel, 0 where nothing was drawn
  std::unordered_map<int64_t, uint16_t> sparse_;   // the same for very large pictures
  std::size_t drawn_ = 0;

  uint16_t& cell(int64_t index) {
    if (!dense_.empty()) return dense_[static_cast<std::size_t>(index)];
    return first_use_of(index);
  }
  uint16_t& first_use_of(int64_t index);  // makes the dense table, or a slot in the hash table
};

}  // namespace orv::view
