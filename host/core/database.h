// The host's geometry database: stored entities in creation order, and the screen marks that the
// Zlink draws while it plots, kept apart from the entities (they are never stored or exported as
// geometry). One process-wide instance serves the Zlink's calls, the part file and the exports.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>
#include "geometry/host_geometry.h"

// A database entry as the Zlink holds it: a pointer that stays valid until the entity is deleted.
struct db_list_ent_type {
  ent record;
};

namespace orv {

struct ScreenMark {
  double at[3];
  uint8_t color;
};
struct ScreenLine {
  double from[3], to[3];
  uint8_t color;
};

class GeometryDatabase {
 public:
  /// Stores a copy of `record`, giving it the next id; returns its entry.
  db_list_ent_type* add(ent record);
  /// Stores `record` keeping its id (a part file being read back); later ids follow the largest.
  /// Null when the id is not positive or already taken.
  db_list_ent_type* restore(ent record);
  /// Removes an entry; false when it is not in the database.
  bool remove(db_list_ent_type* entry);
  /// True when `entry` is a live entry of this database.
  bool contains(const db_list_ent_type* entry) const;
  /// The stored entities in creation order.
  std::vector<const ent*> entities() const;
  std::size_t size() const;
  /// The id the next added entity gets.
  int64_t next_id() const { return next_id_; }

  void add_mark(const ScreenMark& mark);
  void add_line(const ScreenLine& line);
  const std::vector<ScreenMark>& marks() const { return marks_; }
  const std::vector<ScreenLine>& lines() const { return lines_; }

  /// Empties entities and screen; ids start again at 1.
  void clear();
  /// Exchanges the whole contents (entities, screen, id counter) with `other`.
  void swap(GeometryDatabase& other) noexcept;

 private:
  std::vector<std::unique_ptr<db_list_ent_type>> entries_;
  std::unordered_set<const db_list_ent_type*> live_;  // the entries above, for a quick membership test
  std::unordered_set<int64_t> ids_;
  std::vector<ScreenMark> marks_;
  std::vector<ScreenLine> lines_;
  int64_t next_id_ = 1;
};

/// The process-wide database behind the Zlink's geometry calls.
GeometryDatabase& database();

}  // namespace orv
