// The geometry database: entity records in blocks that never move (the Zlink keeps their addresses
// between calls), in creation order. A block is aligned to its size, so that a record reaches its
// block's first slot (its database, its ids) by masking its own address. A deleted record stays in place, marked, until the database is
// cleared, so that a stale or foreign pointer handed back by the Zlink is recognised by where it
// points instead of being read.
#include "core/database.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>
#include "core/huge_pages.h"

namespace orv {

uint64_t GeometryDatabase::fresh_epoch() {
  static std::atomic<uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void GeometryDatabase::BlockFree::operator()(BlockHead* head) const {
  delete[] head->ids;
  delete[] head->styles;
  ::operator delete(static_cast<void*>(head), std::align_val_t{kBlockBytes});
}

// What a record keeps outside itself, found through its block's first slot.
int64_t Entity::id() const {
  const auto& head = GeometryDatabase::head_of(this);
  const std::size_t slot = GeometryDatabase::slot_of(this);
  return head.ids != nullptr ? head.ids[slot] : head.first_id + static_cast<int64_t>(slot);
}

int32_t Entity::level() const {
  const auto& head = GeometryDatabase::head_of(this);
  const uint32_t style = style_ == GeometryDatabase::kWideStyle ? head.styles[GeometryDatabase::slot_of(this)] : style_;
  return std::get<0>(head.db->styles_[style]);
}

attributes Entity::attrib() const {
  const auto& head = GeometryDatabase::head_of(this);
  const uint32_t style = style_ == GeometryDatabase::kWideStyle ? head.styles[GeometryDatabase::slot_of(this)] : style_;
  const auto& s = head.db->styles_[style];
  return attributes{std::get<1>(s), std::get<2>(s), std::get<3>(s)};
}

namespace {

const double kOrigin[3] = {0, 0, 0};
const Shape kNoShape{};

bool has_shape(int32_t kind) { return kind != ENT_POINT && kind != ENT_LINE; }

}  // namespace

const Shape* Entity::shape() const {
  if (!has_shape(kind_)) return &kNoShape;
  return &GeometryDatabase::head_of(this).db->shapes_[more_];
}

const double* Entity::p2() const {
  if (kind_ != ENT_LINE) return kOrigin;
  return GeometryDatabase::head_of(this).db->ends_[more_].data();
}

db_list_ent_type* GeometryDatabase::add(EntityData record) {
  record.id = next_id_;
  db_list_ent_type* e = restore(std::move(record));
  if (e == nullptr) return nullptr;
  // restore() counted it among the other changes; an addition is counted by kind instead.
  --other_changes_;
  const std::size_t k = kind_slot(at(used_ - 1).kind_);
  ++added_[k];
  last_added_[k] = used_ - 1;
  return e;
}

db_list_ent_type* GeometryDatabase::add_point(const double at_[3], uint8_t color, int32_t level,
                                              const attributes& attrib) {
  // A plot's points: the block has room, its ids run on, and the style is the last one stored.
  const std::size_t slot = used_ % kBlockRecords;
  if (slot != 0 && ids_ascending_ && last_style_ < kWideStyle &&
      styles_[last_style_] == Style{level, attrib.line_style, attrib.line_width, attrib.flags}) {
    BlockHead& head = *blocks_[used_ / kBlockRecords];
    if (head.ids == nullptr && next_id_ == head.first_id + static_cast<int64_t>(slot)) {
      Entity& e = *new (&at(used_)) Entity;
      e.style_ = static_cast<uint16_t>(last_style_);
      e.kind_ = ENT_POINT;
      e.color_ = color;
      std::copy(at_, at_ + 3, e.p1_);
      last_added_[ENT_POINT] = used_;
      ++added_[ENT_POINT];
      ++used_;
      ++live_;
      ++revision_.count;
      ++next_id_;
      return reinterpret_cast<db_list_ent_type*>(&e);
    }
  }
  db_list_ent_type* e = store(next_id_, ENT_POINT, at_, color, level, attrib, nullptr, nullptr);
  ++added_[ENT_POINT];
  last_added_[ENT_POINT] = used_ - 1;
  return e;
}

const Entity* GeometryDatabase::last_added(int32_t kind) const {
  const std::size_t k = kind_slot(kind);
  if (added_[k] == 0) return nullptr;
  const Entity& e = at(last_added_[k]);
  return e.removed_ ? nullptr : &e;
}

std::size_t GeometryDatabase::position_of(int64_t id) const {
  std::size_t lo = 0, hi = used_;
  while (lo < hi) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (at(mid).id() < id) lo = mid + 1;
    else hi = mid;
  }
  return lo < used_ && at(lo).id() == id ? lo : used_;
}

bool GeometryDatabase::taken(int64_t id) const {
  if (!ids_ascending_) return ids_.contains(id);
  if (used_ == 0 || id > at(used_ - 1).id()) return false;
  std::size_t p = position_of(id);
  return p < used_ && !at(p).removed_;
}

uint32_t GeometryDatabase::style_of(int32_t level, const attributes& attrib) {
  const Style style{level, attrib.line_style, attrib.line_width, attrib.flags};
  if (last_style_ != UINT32_MAX && styles_[last_style_] == style) return last_style_;
  auto [it, added] = style_index_.try_emplace(style, static_cast<uint32_t>(styles_.size()));
  if (added) {
    try {
      styles_.push_back(style);
    } catch (...) {
      style_index_.erase(it);
      throw;
    }
  }
  last_style_ = it->second;
  return it->second;
}

db_list_ent_type* GeometryDatabase::restore(EntityData record) {
  if (record.id <= 0 || record.kind < 0 || record.kind > UINT8_MAX || taken(record.id)) return nullptr;
  Shape shape;
  const bool shaped = has_shape(record.kind);
  if (shaped) shape = Shape{std::move(record.nb), std::move(record.through), record.rows, record.cols};
  db_list_ent_type* e = store(record.id, record.kind, record.p1, record.color, record.level, record.attrib,
                              record.kind == ENT_LINE ? record.p2 : nullptr, shaped ? &shape : nullptr);
  ++other_changes_;
  return e;
}

db_list_ent_type* GeometryDatabase::store(int64_t id, int32_t kind, const double p1[3], uint8_t color,
                                          int32_t level, const attributes& attrib, const double* p2,
                                          Shape* shape) {
  const uint32_t style = style_of(level, attrib);
  const std::size_t slot = used_ % kBlockRecords;
  if (used_ == blocks_.size() * kBlockRecords) {
    void* bytes = ::operator new(kBlockBytes, std::align_val_t{kBlockBytes});
    // The first block is left in small pages, so that a small database touches only what it uses.
    if (!blocks_.empty()) prefer_huge_pages(bytes, kBlockBytes);
    Block block(new (bytes) BlockHead{this, id, nullptr, nullptr});
    std::pair<uintptr_t, std::size_t> key{reinterpret_cast<uintptr_t>(bytes), blocks_.size()};
    by_address_.reserve(blocks_.size() + 1);
    blocks_.reserve(blocks_.size() + 1);  // neither push below can throw now
    by_address_.insert(std::upper_bound(by_address_.begin(), by_address_.end(), key), key);
    blocks_.push_back(std::move(block));
  }
  BlockHead& head = *blocks_[used_ / kBlockRecords];
  if (head.ids == nullptr && id != head.first_id + static_cast<int64_t>(slot)) {
    // The ids of this block no longer run on by one: each record's is kept from now on.
    head.ids = new int64_t[kBlockRecords];
    for (std::size_t i = 0; i < slot; ++i) head.ids[i] = head.first_id + static_cast<int64_t>(i);
  }
  if (style >= kWideStyle && head.styles == nullptr) head.styles = new uint32_t[kBlockRecords]();
  if (ids_ascending_ && used_ > 0 && id <= at(used_ - 1).id()) {
    // From now on ids are found in the set: it takes every live id so far.
    for (std::size_t p = 0; p < used_; ++p)
      if (!at(p).removed_) ids_.insert(at(p).id());
    ids_ascending_ = false;
  }
  if (!ids_ascending_) ids_.insert(id);  // before anything else changes, should it throw

  uint32_t more = 0;
  try {
    if (kind == ENT_LINE) {
      ends_.push_back({p2[0], p2[1], p2[2]});
      more = static_cast<uint32_t>(ends_.size() - 1);
    } else if (shape != nullptr) {
      shapes_.push_back(std::move(*shape));
      more = static_cast<uint32_t>(shapes_.size() - 1);
    }
  } catch (...) {
    if (!ids_ascending_) ids_.erase(id);  // nothing was stored
    throw;
  }
  Entity& e = *new (&at(used_)) Entity;
  if (head.ids != nullptr) head.ids[slot] = id;
  if (style >= kWideStyle) head.styles[slot] = style;
  e.style_ = static_cast<uint16_t>(style >= kWideStyle ? kWideStyle : style);
  e.kind_ = static_cast<uint8_t>(kind);
  e.color_ = color;
  e.more_ = more;
  std::copy(p1, p1 + 3, e.p1_);
  ++used_;
  ++live_;
  ++revision_.count;
  if (id >= next_id_) next_id_ = id + 1;
  return reinterpret_cast<db_list_ent_type*>(&e);
}

const Entity* GeometryDatabase::find(const db_list_ent_type* entry) const {
  if (entry == nullptr) return nullptr;
  // Compared as addresses: `entry` may point anywhere, or nowhere the process owns.
  const auto address = reinterpret_cast<uintptr_t>(entry);
  // The block that starts last at or before `address`, if `address` lies inside it.
  auto after = std::upper_bound(by_address_.begin(), by_address_.end(), address,
                                [](uintptr_t a, const auto& block) { return a < block.first; });
  if (after == by_address_.begin()) return nullptr;
  const auto [begin, b] = *std::prev(after);
  if (address < begin + sizeof(Entity) || address >= begin + kBlockBytes || (address - begin) % sizeof(Entity) != 0)
    return nullptr;
  const std::size_t position = b * kBlockRecords + (address - begin) / sizeof(Entity) - 1;
  if (position >= used_ || at(position).removed_) return nullptr;
  return &at(position);
}

bool GeometryDatabase::remove(db_list_ent_type* entry) {
  const Entity* found = find(entry);
  if (found == nullptr) return false;
  Entity& e = const_cast<Entity&>(*found);
  if (!ids_ascending_) ids_.erase(e.id());
  // A shape's data goes now; the emptied shape and the record stay until the database is cleared
  // (a mark may still read a removed point's position and colour).
  if (has_shape(e.kind_)) shapes_[e.more_] = Shape{};
  e.removed_ = 1;
  --live_;
  ++other_changes_;
  ++revision_.count;
  return true;
}

std::vector<const Entity*> GeometryDatabase::entities() const {
  std::vector<const Entity*> out;
  out.reserve(live_);
  for (std::size_t p = 0; p < used_; ++p)
    if (!at(p).removed_) out.push_back(&at(p));
  return out;
}

namespace {

bool continues(const ScreenLine& kept, const ScreenLine& next) {
  return kept.color == next.color && kept.to[0] == next.from[0] && kept.to[1] == next.from[1] &&
         kept.to[2] == next.from[2];
}

}  // namespace

// The kept marks are those made at multiples of the stride, so that position p holds mark
// p * stride; doubling the stride keeps the even positions. Lines alike, except that a line
// dropped is merged into the kept line before it when it continues that line.
void GeometryDatabase::add_mark(const ScreenMark& mark) {
  ++revision_.count;  // the count of marks made changes even when this one is not kept
  if (marks_made_++ % stride_ != 0) return;
  // A point plot draws a mark on each point it has just stored: the mark is then that record
  // (the same bits, the same colour), which never changes while the database holds it.
  if (used_ > 0 && used_ - 1 < kOwnMark) {
    const Entity& last = at(used_ - 1);
    if (last.kind_ == ENT_POINT && last.color_ == mark.color && std::memcmp(last.p1_, mark.at, sizeof mark.at) == 0) {
      marks_.push_back(static_cast<uint32_t>(used_ - 1));
      if (screen_kept() >= kMaxScreenItems) thin_screen();
      return;
    }
  }
  own_marks_.push_back(mark);
  try {
    marks_.push_back(kOwnMark | static_cast<uint32_t>(own_marks_.size() - 1));
  } catch (...) {
    own_marks_.pop_back();
    throw;
  }
  if (screen_kept() >= kMaxScreenItems) thin_screen();
}

ScreenMark GeometryDatabase::mark_at(std::size_t i) const {
  const uint32_t m = marks_[i];
  if (m & kOwnMark) return own_marks_[m & ~kOwnMark];
  const Entity& e = at(m);
  return ScreenMark{{e.p1_[0], e.p1_[1], e.p1_[2]}, e.color_};
}

void GeometryDatabase::add_line(const ScreenLine& line) {
  ++revision_.count;  // a line not kept may still extend the last kept one
  if (lines_made_++ % stride_ != 0) {
    if (!lines_.empty() && continues(lines_.back(), line)) std::copy(line.to, line.to + 3, lines_.back().to);
    return;
  }
  lines_.push_back(line);
  if (screen_kept() >= kMaxScreenItems) thin_screen();
}

void GeometryDatabase::thin_screen() {
  stride_ *= 2;
  std::size_t kept = 0, own = 0;
  for (std::size_t p = 0; p < marks_.size(); p += 2) {
    uint32_t m = marks_[p];
    if (m & kOwnMark) {
      // Own copies stay in the order of the marks that use them, so they compact alike.
      own_marks_[own] = own_marks_[m & ~kOwnMark];
      m = kOwnMark | static_cast<uint32_t>(own++);
    }
    marks_[kept++] = m;
  }
  marks_.resize(kept);
  own_marks_.resize(own);
  kept = 0;
  for (std::size_t p = 0; p < lines_.size(); p += 2) {
    ScreenLine merged = lines_[p];
    if (p + 1 < lines_.size() && continues(merged, lines_[p + 1]))
      std::copy(lines_[p + 1].to, lines_[p + 1].to + 3, merged.to);
    lines_[kept++] = merged;
  }
  lines_.resize(kept);
}

namespace {

// Erases the kept items made in [from, to) of `made`, position p holding item p * stride.
template <class T>
void erase_made(std::vector<T>& kept, uint64_t& made, uint64_t stride, uint64_t from, uint64_t to) {
  to = std::min(to, made);
  if (from >= to) return;
  const auto first = static_cast<std::size_t>(std::min<uint64_t>(kept.size(), (from + stride - 1) / stride));
  const auto last = static_cast<std::size_t>(std::min<uint64_t>(kept.size(), (to + stride - 1) / stride));
  kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(first), kept.begin() + static_cast<std::ptrdiff_t>(last));
  made -= to - from;
}

}  // namespace

void GeometryDatabase::remove_screen(uint64_t marks_from, uint64_t marks_to, uint64_t lines_from,
                                     uint64_t lines_to) {
  erase_made(marks_, marks_made_, stride_, marks_from, marks_to);
  erase_made(lines_, lines_made_, stride_, lines_from, lines_to);
  ++revision_.count;
}

void GeometryDatabase::clear() {
  blocks_.clear();
  by_address_.clear();
  used_ = live_ = 0;
  ends_.clear();
  shapes_.clear();
  styles_.clear();
  style_index_.clear();
  last_style_ = UINT32_MAX;
  ids_ascending_ = true;
  ids_.clear();
  marks_.clear();
  own_marks_.clear();
  lines_.clear();
  marks_made_ = lines_made_ = 0;
  stride_ = 1;
  next_id_ = 1;
  std::fill(std::begin(added_), std::end(added_), 0);
  std::fill(std::begin(last_added_), std::end(last_added_), 0);
  other_changes_ = 0;
  plots_.clear();
  revision_ = {fresh_epoch(), 0};
}

void GeometryDatabase::swap(GeometryDatabase& other) noexcept {
  blocks_.swap(other.blocks_);
  by_address_.swap(other.by_address_);
  std::swap(used_, other.used_);
  std::swap(live_, other.live_);
  ends_.swap(other.ends_);
  shapes_.swap(other.shapes_);
  styles_.swap(other.styles_);
  style_index_.swap(other.style_index_);
  std::swap(last_style_, other.last_style_);
  std::swap(ids_ascending_, other.ids_ascending_);
  std::swap(ids_, other.ids_);
  marks_.swap(other.marks_);
  own_marks_.swap(other.own_marks_);
  lines_.swap(other.lines_);
  std::swap(marks_made_, other.marks_made_);
  std::swap(lines_made_, other.lines_made_);
  std::swap(stride_, other.stride_);
  std::swap(next_id_, other.next_id_);
  std::swap(added_, other.added_);
  std::swap(last_added_, other.last_added_);
  std::swap(other_changes_, other.other_changes_);
  plots_.swap(other.plots_);
  // The blocks now belong to the other database: their records find its ends, shapes and styles.
  for (Block& b : blocks_) b->db = this;
  for (Block& b : other.blocks_) b->db = &other;
  // Fresh epochs for both: each one's earlier revisions could otherwise come back with the
  // other's contents.
  revision_ = {fresh_epoch(), 0};
  other.revision_ = {fresh_epoch(), 0};
}

static_assert(kMaxScreenItems < (std::size_t{1} << 31), "a kept mark's index fits beside kOwnMark");

}  // namespace orv
