// The host's geometry database: stored entities in creation order, and the screen marks that the
// Zlink draws while it plots, kept apart from the entities (they are never stored or exported as
// geometry). The session's Host (core/host.h) holds the one that serves the Zlink's calls, the
// part file and the exports.
// Entities are compact records (32 bytes) in fixed-size blocks, so that storing one allocates nothing
// of its own (a curve or surface aside) and a record never moves while it is stored. A mark drawn
// where the point just stored stands, in its colour, refers to that record instead of copying it.
// The screen takes bounded memory whatever a plot's size: past a cap its marks and lines are thinned
// (every other one kept, again as often as needed), and the database counts how many were made.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <tuple>
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

class GeometryDatabase;

/// The screen marks kept, in the order drawn, as a sequence of ScreenMark values (each made on
/// reading: a mark that refers to a stored point is read from its record).
class MarkList {
 public:
  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = ScreenMark;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = ScreenMark;
    iterator(const MarkList* list, std::size_t i) : list_(list), i_(i) {}
    ScreenMark operator*() const { return (*list_)[i_]; }
    iterator& operator++() {
      ++i_;
      return *this;
    }
    iterator operator++(int) {
      iterator was = *this;
      ++i_;
      return was;
    }
    bool operator==(const iterator& o) const { return i_ == o.i_; }

   private:
    const MarkList* list_;
    std::size_t i_;
  };
  explicit MarkList(const GeometryDatabase* db) : db_(db) {}
  std::size_t size() const;
  bool empty() const { return size() == 0; }
  ScreenMark operator[](std::size_t i) const;
  ScreenMark back() const { return (*this)[size() - 1]; }
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, size()}; }
  operator std::vector<ScreenMark>() const { return std::vector<ScreenMark>(begin(), end()); }

 private:
  const GeometryDatabase* db_;
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
  /// Stores a point with the next id: add() of a point record, without building one.
  db_list_ent_type* add_point(const double at[3], uint8_t color, int32_t level, const attributes& attrib);
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

  /// How many entities of `kind` were added (add(), add_point()) since construction, clear or swap;
  /// it never goes down, so what a plot made is the difference from a count taken before it, as
  /// long as other_changes() stayed the same.
  uint64_t added_count(int32_t kind) const { return added_[kind_slot(kind)]; }
  /// The entity of `kind` added last, while added_count(kind) is not 0; null otherwise.
  const Entity* last_added(int32_t kind) const;
  /// Changes other than additions (removals, restores) since construction, clear or swap.
  uint64_t other_changes() const { return other_changes_; }

  /// Adds a screen mark or line. Once the screen has been thinned, only every stride()-th mark is
  /// kept; a line that is not kept extends the last kept line when it continues it (same colour,
  /// its start that line's end), so that a drawn curve stays connected, its lines becoming chords.
  void add_mark(const ScreenMark& mark);
  void add_line(const ScreenLine& line);
  /// The marks and lines kept, in the order drawn.
  MarkList marks() const { return MarkList(this); }
  const std::vector<ScreenLine>& lines() const { return lines_; }
  /// How many marks and lines were drawn in all, kept or not.
  uint64_t marks_made() const { return marks_made_; }
  uint64_t lines_made() const { return lines_made_; }
  uint64_t screen_made() const { return marks_made_ + lines_made_; }
  /// How many are kept (marks().size() + lines().size()); less than screen_made() once thinned.
  std::size_t screen_kept() const { return marks_.size() + lines_.size(); }
  /// 1 until the first thinning, then doubled by each: one mark (line) in this many is kept.
  uint64_t stride() const { return stride_; }
  /// Takes back the marks made from the `marks_from`-th up to (not including) the `marks_to`-th, and
  /// the lines likewise, counted as marks_made() and lines_made() count them: what one plot drew,
  /// when it is undone. The counts of those made go down by as many. Once the screen has been
  /// thinned the kept ones in that span go, and the stride pattern after it holds only roughly.
  void remove_screen(uint64_t marks_from, uint64_t marks_to, uint64_t lines_from, uint64_t lines_to);

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
  friend class Entity;
  friend class MarkList;
  /// A block's bytes, and its alignment: a record finds its block's first slot by its address. One
  /// huge page: a database past its first block takes its records in huge pages, a fault each.
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 21;
  /// Records a block holds after its first slot.
  static constexpr std::size_t kBlockRecords = kBlockBytes / sizeof(Entity) - 1;
  /// A record's style_ that says its style index is in its block's `styles`.
  static constexpr uint16_t kWideStyle = 0xFFFF;
  /// A kept mark that is not a record's position: the index in own_marks_ of its copy, with this bit.
  static constexpr uint32_t kOwnMark = 0x80000000u;
  /// What the records of a block share, in its first slot.
  struct BlockHead {
    const GeometryDatabase* db;
    int64_t first_id;   // the id of the block's first record; the others follow by one
    int64_t* ids;       // null while they do; otherwise every record's id
    uint32_t* styles;   // null until a record of the block has a style past kWideStyle
  };
  static_assert(sizeof(BlockHead) <= sizeof(Entity));
  struct BlockFree {
    void operator()(BlockHead* head) const;
  };
  using Block = std::unique_ptr<BlockHead, BlockFree>;
  /// A level and attributes as stored.
  using Style = std::tuple<int32_t, int32_t, int32_t, int32_t>;

  std::vector<Block> blocks_;                                  // records in creation order, deleted ones marked
  std::vector<std::pair<uintptr_t, std::size_t>> by_address_;  // each block's address and index, sorted
  std::size_t used_ = 0;                                       // records written, deleted ones included
  std::size_t live_ = 0;                                       // records not deleted
  std::deque<std::array<double, 3>> ends_;                     // lines' ends; a deque never moves what it holds
  std::deque<Shape> shapes_;                                   // curves' and surfaces' shapes
  std::vector<Style> styles_;                                  // the distinct levels and attributes stored
  std::map<Style, uint32_t> style_index_;                      // their indices in styles_
  uint32_t last_style_ = UINT32_MAX;                           // the style stored last
  // Ids rise with position while entities are only added (and part files are read back in the
  // order written): an id is then found by bisection. Once one arrives out of order, the ids of
  // the entities not deleted are kept in `ids_` instead.
  bool ids_ascending_ = true;
  IdSet ids_;
  std::vector<uint32_t> marks_;       // kept marks: a record's position, or kOwnMark | own_marks_ index
  std::vector<ScreenMark> own_marks_; // the marks that are no record's
  std::vector<ScreenLine> lines_;
  uint64_t marks_made_ = 0, lines_made_ = 0;
  uint64_t stride_ = 1;
  int64_t next_id_ = 1;
  uint64_t added_[7] = {};             // additions by kind (kind_slot)
  std::size_t last_added_[7] = {};     // the position of the last addition of each kind
  uint64_t other_changes_ = 0;
  std::vector<PlotSource> plots_;
  Revision revision_{fresh_epoch(), 0};

  static std::size_t kind_slot(int32_t kind) { return kind >= 1 && kind <= 6 ? static_cast<std::size_t>(kind) : 0; }
  /// A process-wide number not given before.
  static uint64_t fresh_epoch();
  /// The first slot of the block that holds `e`.
  static const BlockHead& head_of(const Entity* e) {
    return *reinterpret_cast<const BlockHead*>(reinterpret_cast<uintptr_t>(e) & ~(kBlockBytes - 1));
  }
  /// The index of `e` in its block, from 0.
  static std::size_t slot_of(const Entity* e) {
    return ((reinterpret_cast<uintptr_t>(e) & (kBlockBytes - 1)) / sizeof(Entity)) - 1;
  }
  /// Halves what the screen keeps and doubles the stride.
  void thin_screen();
  Entity& at(std::size_t position) const {
    auto* records = reinterpret_cast<Entity*>(blocks_[position / kBlockRecords].get()) + 1;
    return records[position % kBlockRecords];
  }
  /// Writes the record at position used_ (a block for it made first) with the given parts; the
  /// caller has checked the id. Returns its entry.
  db_list_ent_type* store(int64_t id, int32_t kind, const double p1[3], uint8_t color, int32_t level,
                          const attributes& attrib, const double* p2, Shape* shape);
  /// The index of a level and attributes in styles_, added when new.
  uint32_t style_of(int32_t level, const attributes& attrib);
  /// The ScreenMark a kept mark stands for.
  ScreenMark mark_at(std::size_t i) const;
  /// The position of the record with `id`, deleted or not; used_ when there is none.
  std::size_t position_of(int64_t id) const;
  /// True when a live entity has `id`.
  bool taken(int64_t id) const;
};

inline std::size_t MarkList::size() const { return db_->marks_.size(); }
inline ScreenMark MarkList::operator[](std::size_t i) const { return db_->mark_at(i); }

}  // namespace orv
