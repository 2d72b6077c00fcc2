// Reading the host's entity record whole. What the record keeps outside itself (its id, level and
// attributes, a line's end, a shape) is found through its block, in database.cpp.
#include "core/entity.h"

namespace orv {

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
  e.level = level();
  e.attrib = attrib();
  e.nb = shape()->nb;
  return e;
}

EntityData Entity::data() const {
  EntityData e(record());
  e.id = id();
  const Shape* s = shape();
  e.through = s->through;
  e.rows = s->rows;
  e.cols = s->cols;
  return e;
}

}  // namespace orv
