// Reading the host's entity record: the parts kept outside it (a line's end, a curve's or surface's
// shape) are found through its one pointer, chosen by its kind.
#include "core/entity.h"

namespace orv {
namespace {

const double kOrigin[3] = {0, 0, 0};
const Shape kNoShape{};

bool has_end(int32_t kind) { return kind == ENT_LINE; }

}  // namespace

const Shape* Entity::shape() const {
  if (more_ == nullptr || kind_ == ENT_POINT || has_end(kind_)) return &kNoShape;
  return static_cast<const Shape*>(more_);
}

const double* Entity::p2() const {
  return has_end(kind_) && more_ != nullptr ? static_cast<const double*>(more_) : kOrigin;
}

const nb_type& Entity::nb() const { return shape()->nb; }
const std::vector<std::array<double, 3>>& Entity::through() const { return shape()->through; }
int32_t Entity::rows() const { return shape()->rows; }
int32_t Entity::cols() const { return shape()->cols; }

ent Entity::record() const {
  ent e;
  e.kind = kind_;
  for (int k = 0; k < 3; ++k) {
    e.p1[k] = p1_[k];
    e.p2[k] = p2()[k];
  }
  e.color = color_;
  e.level = level_;
  e.attrib = attrib_;
  e.nb = shape()->nb;
  return e;
}

EntityData Entity::data() const {
  EntityData e(record());
  e.id = id_;
  const Shape* s = shape();
  e.through = s->through;
  e.rows = s->rows;
  e.cols = s->cols;
  return e;
}

}  // namespace orv
