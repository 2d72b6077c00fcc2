// The host's geometry database: stored entities in creation order, and the screen marks that the
// Zlink draws while it plots, kept apart from the entities (they are never stored or exported as
// geometry). The session's Host (core/host.h) holds the one that serves the Zlink's calls, the
// part file and the exports.
// Entities are compact records in fixed-size blocks, so that storing one allocates nothing of its
// own (a curve or surface aside) and a record never moves while it is stored.
// The screen takes bounded memory whatever a plot's size: past a cap its marks and lines are thinned
// (every other one kept, again as often as needed), and the database counts how many were made.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>
#include "core/entity.h"
#include "core/id_set.h"
#include "core/plot_source.h"
#include "orvantis/host_geometry.h"

// A database entry as the Zlink holds it (db_list_ent_type*) is the address of the entity's record,
// valid until the entity is deleted; the type itself is never defined.

namespace orv {

struct ScreenMark {
  double at[3];
  uint8_t color;
};
struct ScreenLine {
  double from[3], to[3];
  uint8_t color;
};

/// Most screen marks and lines kept together. Reaching it halves what is kept: 1,000,000 of them take
/// at most some 90 MB, however many a plot draws.
constexpr std::size_t kMaxScreenItems = 1000000;

/// Identifies a database's contents: it changes with every entity stored or removed, every screen
/// mark or line drawn, and every clear or swap. Two equal revisions (of one database or of two)
/// mean the same contents, so a view can keep what it built from them.
struct Revision {
  uint64_t epoch = 0;  // given afresh, process-wide, at construction, clear and swap; never 0
  uint64_t count = 0;  // changes made since
  bool operator==(const Revision&) const = default;
};

class GeometryDatabase {
 public:
  /// Stores a copy of `record`, giving it the next id; returns its entry.
  db_list_ent_type* add(EntityData record);
  /// Stores `record` keeping its id (a part file being read back); later ids follow the largest.
  /// Null when the id is not positive or already taken.
  db_list_ent_type* restore(EntityData record);
  /// Removes an entry; false when it is not in the database.
  bool remove(db_list_ent_type* entry);
  /// True when `entry` is a live entry of this database.
  bool contains(const db_list_ent_type* entry) const { return find(entry) != nullptr; }
  /// The entity of `entry`; null when `entry` is not a live entry of this database.
  const Entity* find(const db_list_ent_type* entry) const;
  /// The stored entities in creation order.
  std::vector<const Entity*> entities() const;
  /// Calls `visit(const Entity&)` for each stored entity in creation order, without the list that
  /// entities() builds: what saves and exports use, so that writing costs no memory in proportion
  /// to the database (and cannot fail for want of it).
  template <class F>
  void for_each_entity(F&& visit) const {
    for (std::size_t p = 0; p < used_; ++p)
      if (!at(p).removed_) visit(static_cast<const Entity&>(at(p)));
  }
  std::size_t size() const { return live_; }
  /// The id the next added entity gets.
  int64_t next_id() const { return next_id_; }
  /// The contents' revision; costs nothing, unlike entities().
  Revision revision() const { return revision_; }

  /// Adds a screen mark or line. Once the screen has been thinned, only every stride()-th mark is
  /// kept; a line that is not kept extends the last kept line when it continues it (same colour,
  /// its start that line's end), so that a drawn curve stays connected, its lines becoming chords.
  void add_mark(const ScreenMark& mark);
  void add_line(const ScreenLine& line);
  /// The marks and lines kept, in the order drawn.
  const std::vector<ScreenMark>& marks() const { return marks_; }
  const std::vector<ScreenLine>& lines() const { return lines_; }
  /// How many marks and lines were drawn in all, kept or not.
  uint64_t marks_made() const { return marks_made_; }
  uint64_t lines_made() const { return lines_made_; }
  uint64_t screen_made() const { return marks_made_ + lines_made_; }
  /// How many are kept (marks().size() + lines().size()); less than screen_made() once thinned.
  std::size_t screen_kept() const { return marks_.size() + lines_.size(); }
  /// 1 until the first thinning, then doubled by each: one mark (line) in this many is kept.
  uint64_t stride() const { return stride_; }

  /// Where the plots that stored the entities came from, in the order plotted (see plot_source.h).
  const std::vector<PlotSource>& plots() const { return plots_; }
  std::vector<PlotSource>& plots() { return plots_; }

  /// Empties entities, screen and plots; ids start again at 1.
  void clear();
  /// Exchanges the whole contents (entities, screen, plots, id counter) with `other`.
  void swap(GeometryDatabase& other) noexcept;

  GeometryDatabase() = default;
  GeometryDatabase(const GeometryDatabase&) = delete;  // records point into their own database
  GeometryDatabase& operator=(const GeometryDatabase&) = delete;

 private:
  /// Records a block holds: 256 KiB of them.
  static constexpr std::size_t kBlockRecords = 4096;

  std::vector<std::unique_ptr<Entity[]>> blocks_;  // records in creation order, deleted ones marked
  std::vector<std::pair<uintptr_t, std::size_t>> by_address_;  // each block's address and index, sorted
  std::size_t used_ = 0;                           // records written, deleted ones included
  std::size_t live_ = 0;                           // records not deleted
  std::deque<std::array<double, 3>> ends_;         // lines' ends; a deque never moves what it holds
  std::deque<Shape> shapes_;                       // curves' and surfaces' shapes
  // Ids rise with position while entities are only added (and part files are read back in the
  // order written): an id is then found by bisection. Once one arrives out of order, the ids of
  // the entities not deleted are kept in `ids_` instead.
  bool ids_ascending_ = true;
  IdSet ids_;
  std::vector<ScreenMark> marks_;
  std::vector<ScreenLine> lines_;
  uint64_t marks_made_ = 0, lines_made_ = 0;
  uint64_t stride_ = 1;
  int64_t next_id_ = 1;
  std::vector<PlotSource> plots_;
  Revision revision_{fresh_epoch(), 0};

  /// A process-wide number not given before.
  static uint64_t fresh_epoch();
  /// Halves what the screen keeps and doubles the stride.
  void thin_screen();
  Entity& at(std::size_t position) const { return blocks_[position / kBlockRecords][position % kBlockRecords]; }
  /// The position of the record with `id`, deleted or not; used_ when there is none.
  std::size_t position_of(int64_t id) const;
  /// True when a live entity has `id`.
  bool taken(int64_t id) const;
};

}  // namespace orv
