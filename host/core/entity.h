// The host's own record of a stored entity, kept small because a plot may store a million points:
// a point lives wholly in its record, a line's end sits in the database's store of ends, and a curve
// or surface refers to its shape (its B-spline form and the points it was made through), which the
// database owns. The Zlink never sees this record; it gets an `ent` made from it (record()).
#pragma once
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "orvantis/host_geometry.h"

namespace orv {

/// An entity as the host makes or reads it, before it is stored: the interface's record with what
/// only the host keeps, its id and the points a curve or surface was made through.
struct EntityData : ent {
  EntityData() = default;
  EntityData(const ent& e) : ent(e) {}  // a record without points made through, id 0
  EntityData(ent&& e) : ent(std::move(e)) {}
  int64_t id = 0;
  std::vector<std::array<double, 3>> through;  // curves and surfaces: the points made through
  int32_t rows = 0, cols = 0;                  // surfaces: the grid of `through`
};

/// What a curve or surface holds beyond its record.
struct Shape {
  nb_type nb;                                  // the B-spline form
  std::vector<std::array<double, 3>> through;  // the points it was made through, if any
  int32_t rows = 0, cols = 0;                  // surfaces: the grid of `through`
};

class GeometryDatabase;

/// A stored entity's record: 32 bytes. It lives in one of the database's blocks, whose first slot
/// holds what the records of the block share (their database, their ids while they run on by one);
/// its level and attributes are an index into the database's table of the distinct ones stored.
class Entity {
 public:
  int64_t id() const;
  int32_t kind() const { return kind_; }
  uint8_t color() const { return color_; }
  int32_t level() const;
  attributes attrib() const;
  /// A point's position, a line's start; (0, 0, 0) for curves and surfaces.
  const double* p1() const { return p1_; }
  /// A line's end; (0, 0, 0) for every other kind.
  const double* p2() const;
  /// The B-spline form of a curve or surface; empty for points and lines.
  const nb_type& nb() const;
  /// The points a curve or surface was made through; empty when it was not made through points.
  const std::vector<std::array<double, 3>>& through() const;
  /// The grid of through() for a surface made through points; 0 otherwise.
  int32_t rows() const;
  int32_t cols() const;
  /// The entity as the interface's record.
  ent record() const;
  /// The whole entity, as it was stored.
  EntityData data() const;

  Entity(const Entity&) = delete;  // a record is read where it is stored, never copied out
  Entity& operator=(const Entity&) = delete;

 private:
  friend class GeometryDatabase;
  Entity() = default;  // only inside a database's block
  const Shape* shape() const;

  double p1_[3] = {0, 0, 0};
  uint32_t more_ : 31 = 0;   // a line: the index of its end; a curve or surface: of its Shape
  uint32_t removed_ : 1 = 0; // deleted: the record stays in place so that no other one moves
  uint16_t style_ = 0;       // the index of its level and attributes (kWideStyle: see the block)
  uint8_t kind_ = 0;
  uint8_t color_ = 0;
};

/// A stored point costs this record and nothing else.
static_assert(sizeof(Entity) == 32, "a stored point must stay within 32 bytes");

}  // namespace orv
