// A set of positive entity ids in one flat table (open addressing), for the database's id checks
// once ids stop arriving in increasing order: no node or allocation per id, unlike a node-based set.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

class IdSet {
 public:
  /// True when `id` is in the set.
  bool contains(int64_t id) const;
  /// Adds `id` (positive); false when it was there already.
  bool insert(int64_t id);
  /// Removes `id`; false when it was not there.
  bool erase(int64_t id);
  std::size_t size() const { return size_; }
  void clear();

 private:
  static constexpr int64_t kEmpty = 0, kErased = -1;  // ids are positive, so neither is an id
  std::vector<int64_t> slots_;                       // a power of two long, or empty
  std::size_t size_ = 0, erased_ = 0;

  /// The slot of `id`, or of the first free slot of its probe run when it is absent.
  std::size_t find(int64_t id) const;
  /// Grows (or rebuilds in place) so that ids and erased slots fill at most half the table.
  void make_room();
};

}  // namespace orv
