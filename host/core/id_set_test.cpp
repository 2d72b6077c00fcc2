// The flat id set against std::set on long random runs of inserts and erases, which reach the
// table's growth, its rebuilds over erased slots, and ids that collide in the table.
#include "core/id_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>

namespace orv {
namespace {

struct Workload {
  const char* name;
  int64_t largest_id;  // ids drawn from 1 to this
  int steps;
  int erase_percent;
};

TEST(IdSet, AgreesWithAnOrderedSet) {
  const Workload runs[] = {
      {"few ids, many erases: slots erased and reused", 50, 20000, 50},
      {"many ids, growth", 1000000, 20000, 10},
      {"ids far apart", INT64_MAX, 5000, 30},
  };
  for (const Workload& r : runs) {
    SCOPED_TRACE(r.name);
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<int64_t> id(1, r.largest_id);
    std::uniform_int_distribution<int> percent(0, 99);
    IdSet set;
    std::set<int64_t> reference;
    for (int step = 0; step < r.steps; ++step) {
      const int64_t i = id(rng);
      if (percent(rng) < r.erase_percent) {
        ASSERT_EQ(set.erase(i), reference.erase(i) == 1) << "erase " << i << " at step " << step;
      } else {
        ASSERT_EQ(set.insert(i), reference.insert(i).second) << "insert " << i << " at step " << step;
      }
      ASSERT_EQ(set.size(), reference.size());
      const int64_t probe = id(rng);
      ASSERT_EQ(set.contains(probe), reference.count(probe) == 1) << probe;
    }
    for (int64_t i : reference) ASSERT_TRUE(set.contains(i)) << i;
  }
}

TEST(IdSet, NoIdIsNotPositiveAndClearEmpties) {
  IdSet set;
  EXPECT_FALSE(set.insert(0));
  EXPECT_FALSE(set.insert(-1));  // the mark of an erased slot is never an id
  EXPECT_FALSE(set.contains(-1));
  EXPECT_TRUE(set.insert(7));
  EXPECT_TRUE(set.erase(7));
  EXPECT_FALSE(set.contains(-1));
  EXPECT_FALSE(set.erase(7));
  EXPECT_TRUE(set.insert(7));
  set.clear();
  EXPECT_EQ(set.size(), 0u);
  EXPECT_FALSE(set.contains(7));
  EXPECT_TRUE(set.insert(7));
}

}  // namespace
}  // namespace orv
