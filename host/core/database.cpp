// The geometry database: entity records in blocks that never move (the Zlink keeps their addresses
// between calls), in creation order. A deleted record stays in place, marked, until the database is
// cleared, so that a stale or foreign pointer handed back by the Zlink is recognised by where it
// points instead of being read.
#include "core/database.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iterator>
#include <utility>

namespace orv {

uint64_t GeometryDatabase::fresh_epoch() {
  static std::atomic<uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

db_list_ent_type* GeometryDatabase::add(EntityData record) {
  record.id = next_id_;
  return restore(std::move(record));
}

std::size_t GeometryDatabase::position_of(int64_t id) const {
  std::size_t lo = 0, hi = used_;
  while (lo < hi) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (at(mid).id_ < id) lo = mid + 1;
    else hi = mid;
  }
  return lo < used_ && at(lo).id_ == id ? lo : used_;
}

bool GeometryDatabase::taken(int64_t id) const {
  if (!ids_ascending_) return ids_.contains(id);
  if (used_ == 0 || id > at(used_ - 1).id_) return false;
  std::size_t p = position_of(id);
  return p < used_ && !at(p).removed_;
}

db_list_ent_type* GeometryDatabase::restore(EntityData record) {
  if (record.id <= 0 || taken(record.id)) return nullptr;
  if (used_ == blocks_.size() * kBlockRecords) {
    auto block = std::make_unique<Entity[]>(kBlockRecords);
    std::pair<uintptr_t, std::size_t> key{reinterpret_cast<uintptr_t>(block.get()), blocks_.size()};
    by_address_.reserve(blocks_.size() + 1);
    blocks_.reserve(blocks_.size() + 1);  // neither push below can throw now
    by_address_.insert(std::upper_bound(by_address_.begin(), by_address_.end(), key), key);
    blocks_.push_back(std::move(block));
  }
  if (ids_ascending_ && used_ > 0 && record.id <= at(used_ - 1).id_) {
    // From now on ids are found in the set: it takes every live id so far.
    for (std::size_t p = 0; p < used_; ++p)
      if (!at(p).removed_) ids_.insert(at(p).id_);
    ids_ascending_ = false;
  }
  if (!ids_ascending_) ids_.insert(record.id);  // before anything else changes, should it throw

  Entity& e = at(used_);
  e = Entity{};
  e.id_ = record.id;
  e.kind_ = record.kind;
  e.color_ = record.color;
  e.level_ = record.level;
  e.attrib_ = record.attrib;
  std::copy(record.p1, record.p1 + 3, e.p1_);
  try {
    if (record.kind == ENT_LINE) {
      ends_.push_back({record.p2[0], record.p2[1], record.p2[2]});
      e.more_ = ends_.back().data();
    } else if (record.kind != ENT_POINT) {
      shapes_.push_back(Shape{std::move(record.nb), std::move(record.through), record.rows, record.cols});
      e.more_ = &shapes_.back();
    }
  } catch (...) {
    if (!ids_ascending_) ids_.erase(record.id);  // nothing was stored
    throw;
  }
  ++used_;
  ++live_;
  ++revision_.count;
  if (record.id >= next_id_) next_id_ = record.id + 1;
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
  if (address >= begin + kBlockRecords * sizeof(Entity) || (address - begin) % sizeof(Entity) != 0) return nullptr;
  const std::size_t position = b * kBlockRecords + (address - begin) / sizeof(Entity);
  if (position >= used_ || at(position).removed_) return nullptr;
  return &at(position);
}

bool GeometryDatabase::remove(db_list_ent_type* entry) {
  const Entity* found = find(entry);
  if (found == nullptr) return false;
  Entity& e = const_cast<Entity&>(*found);
  if (!ids_ascending_) ids_.erase(e.id_);
  // A shape's data goes now; the emptied shape and the record stay until the database is cleared.
  if (e.kind_ != ENT_POINT && e.kind_ != ENT_LINE && e.more_ != nullptr)
    *const_cast<Shape*>(static_cast<const Shape*>(e.more_)) = Shape{};
  e.removed_ = true;
  --live_;
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
  marks_.push_back(mark);
  if (screen_kept() >= kMaxScreenItems) thin_screen();
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
  std::size_t kept = 0;
  for (std::size_t p = 0; p < marks_.size(); p += 2) marks_[kept++] = marks_[p];
  marks_.resize(kept);
  kept = 0;
  for (std::size_t p = 0; p < lines_.size(); p += 2) {
    ScreenLine merged = lines_[p];
    if (p + 1 < lines_.size() && continues(merged, lines_[p + 1]))
      std::copy(lines_[p + 1].to, lines_[p + 1].to + 3, merged.to);
    lines_[kept++] = merged;
  }
  lines_.resize(kept);
}

void GeometryDatabase::clear() {
  blocks_.clear();
  by_address_.clear();
  used_ = live_ = 0;
  ends_.clear();
  shapes_.clear();
  ids_ascending_ = true;
  ids_.clear();
  marks_.clear();
  lines_.clear();
  marks_made_ = lines_made_ = 0;
  stride_ = 1;
  next_id_ = 1;
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
  std::swap(ids_ascending_, other.ids_ascending_);
  std::swap(ids_, other.ids_);
  marks_.swap(other.marks_);
  lines_.swap(other.lines_);
  std::swap(marks_made_, other.marks_made_);
  std::swap(lines_made_, other.lines_made_);
  std::swap(stride_, other.stride_);
  std::swap(next_id_, other.next_id_);
  plots_.swap(other.plots_);
  // Fresh epochs for both: each one's earlier revisions could otherwise come back with the
  // other's contents.
  revision_ = {fresh_epoch(), 0};
  other.revision_ = {fresh_epoch(), 0};
}

}  // namespace orv
