// The drawn-cell table: a dense array of one 16-bit look a pixel, made on first use so that a
// picture without marks pays nothing; a hash table instead for pictures too large for that.
#include "view/drawn_cells.h"

#include <cmath>

namespace orv::view {

uint16_t& DrawnCells::first_use_of(int64_t index) {
  if (static_cast<int64_t>(width_) * height_ > kMaxDenseCells) return sparse_[index];
  dense_.assign(static_cast<std::size_t>(width_) * height_, 0);
  return dense_[static_cast<std::size_t>(index)];
}

}  // namespace orv::view
