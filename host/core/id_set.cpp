// The id set: linear probing over a power-of-two table, erased slots marked and dropped when the
// table is rebuilt, which happens before ids and marks together fill half of it.
#include "core/id_set.h"

namespace orv {
namespace {

constexpr std::size_t kInitialSlots = 64;

std::size_t slot_of(int64_t id, std::size_t mask) {
  // A multiplicative hash spreads ids that follow each other over the whole table.
  return static_cast<std::size_t>((static_cast<uint64_t>(id) * 0x9E3779B97F4A7C15ull) >> 17) & mask;
}

}  // namespace

std::size_t IdSet::find(int64_t id) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t free = slots_.size();
  for (std::size_t i = slot_of(id, mask);; i = (i + 1) & mask) {
    if (slots_[i] == id) return i;
    if (slots_[i] == kErased && free == slots_.size()) free = i;
    if (slots_[i] == kEmpty) return free == slots_.size() ? i : free;
  }
}

bool IdSet::contains(int64_t id) const {
  if (slots_.empty() || id <= 0) return false;
  return slots_[find(id)] == id;
}

bool IdSet::insert(int64_t id) {
  if (id <= 0) return false;
  make_room();
  std::size_t at = find(id);
  if (slots_[at] == id) return false;
  if (slots_[at] == kErased) --erased_;
  slots_[at] = id;
  ++size_;
  return true;
}

bool IdSet::erase(int64_t id) {
  if (!contains(id)) return false;
  slots_[find(id)] = kErased;
  --size_;
  ++erased_;
  return true;
}

void IdSet::clear() {
  slots_.clear();
  slots_.shrink_to_fit();
  size_ = erased_ = 0;
}

void IdSet::make_room() {
  if (!slots_.empty() && 2 * (size_ + erased_ + 1) <= slots_.size()) return;
  std::size_t n = slots_.empty() ? kInitialSlots : slots_.size();
  while (2 * (size_ + 1) > n) n *= 2;
  std::vector<int64_t> old(n, kEmpty);
  old.swap(slots_);
  erased_ = 0;
  const std::size_t mask = n - 1;
  for (int64_t id : old) {
    if (id <= 0) continue;
    std::size_t i = slot_of(id, mask);
    while (slots_[i] != kEmpty) i = (i + 1) & mask;
    slots_[i] = id;
  }
}

}  // namespace orv
