// The drawn-cell table: a dense array of one 16-bit look a pixel, made on first use so that a
// picture without marks pays nothing; a hash table instead for pictures too large for that.
#include "view/drawn_cells.h"

#include <cmath>

namespace orv::view {

bool DrawnCells::first(P2 at, uint16_t look) {
  const double fx = std::floor(at.x), fy = std::floor(at.y);
  if (!(fx >= 0 && fy >= 0 && fx < width_ && fy < height_)) {
    ++drawn_;
    return true;
  }
  const int64_t cell = static_cast<int64_t>(fy) * width_ + static_cast<int64_t>(fx);
  const uint16_t stored = static_cast<uint16_t>(look + 1);
  uint16_t* slot;
  if (static_cast<int64_t>(width_) * height_ <= kMaxDenseCells) {
    if (dense_.empty()) dense_.assign(static_cast<std::size_t>(width_) * height_, 0);
    slot = &dense_[static_cast<std::size_t>(cell)];
  } else {
    slot = &sparse_[cell];
  }
  if (*slot == stored) return false;
  *slot = stored;
  ++drawn_;
  return true;
}

}  // namespace orv::view
