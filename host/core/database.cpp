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

void GeometryDatabase::add_mark(const ScreenMark& mark) { marks_.push_back(mark); }
void GeometryDatabase::add_line(const ScreenLine& line) { lines_.push_back(line); }

void GeometryDatabase::clear() {
  entries_.clear();
  live_.clear();
  ids_.clear();
  marks_.clear();
  lines_.clear();
  next_id_ = 1;
}

void GeometryDatabase::swap(GeometryDatabase& other) noexcept {
  entries_.swap(other.entries_);
  live_.swap(other.live_);
  ids_.swap(other.ids_);
  marks_.swap(other.marks_);
  lines_.swap(other.lines_);
  std::swap(next_id_, other.next_id_);
}

GeometryDatabase& database() {
  static GeometryDatabase db;
  return db;
}

}  // namespace orv
