// The geometry database: entities owned by stable heap entries (the Zlink keeps their addresses
// between calls), kept in creation order, with a set of live entries so that a stale or foreign
// pointer handed back by the Zlink is recognised instead of being read.
#include "core/database.h"

#include <algorithm>

namespace orv {

db_list_ent_type* GeometryDatabase::add(ent record) {
  record.id = next_id_;
  return restore(std::move(record));
}

db_list_ent_type* GeometryDatabase::restore(ent record) {
  if (record.id <= 0 || ids_.count(record.id) != 0) return nullptr;
  auto entry = std::make_unique<db_list_ent_type>();
  entry->record = std::move(record);
  db_list_ent_type* raw = entry.get();
  ids_.insert(raw->record.id);
  if (raw->record.id >= next_id_) next_id_ = raw->record.id + 1;
  entries_.push_back(std::move(entry));
  live_.insert(raw);
  return raw;
}

bool GeometryDatabase::remove(db_list_ent_type* entry) {
  if (!contains(entry)) return false;
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [entry](const auto& e) { return e.get() == entry; });
  ids_.erase(entry->record.id);
  live_.erase(entry);
  entries_.erase(it);
  return true;
}

bool GeometryDatabase::contains(const db_list_ent_type* entry) const {
  return entry != nullptr && live_.count(entry) != 0;
}

std::vector<const ent*> GeometryDatabase::entities() const {
  std::vector<const ent*> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back(&e->record);
  return out;
}

std::size_t GeometryDatabase::size() const { return entries_.size(); }

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
  if (marks_made_++ % stride_ != 0) return;
  marks_.push_back(mark);
  if (screen_kept() >= kMaxScreenItems) thin_screen();
}

void GeometryDatabase::add_line(const ScreenLine& line) {
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
  entries_.clear();
  live_.clear();
  ids_.clear();
  marks_.clear();
  lines_.clear();
  marks_made_ = lines_made_ = 0;
  stride_ = 1;
  next_id_ = 1;
}

void GeometryDatabase::swap(GeometryDatabase& other) noexcept {
  entries_.swap(other.entries_);
  live_.swap(other.live_);
  ids_.swap(other.ids_);
  marks_.swap(other.marks_);
  lines_.swap(other.lines_);
  std::swap(marks_made_, other.marks_made_);
  std::swap(lines_made_, other.lines_made_);
  std::swap(stride_, other.stride_);
  std::swap(next_id_, other.next_id_);
}

GeometryDatabase& database() {
  static GeometryDatabase db;
  return db;
}

}  // namespace orv
