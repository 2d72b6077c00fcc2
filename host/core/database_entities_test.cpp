// The database's entity records: what goes in comes back whole, records never move while stored,
// an entry is recognised by where it points (deleted, foreign, misaligned or not yet written ones
// are refused), ids stay unique whatever order a part file brings them in, and the revision moves
// with every change of contents and only then.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/database.h"

namespace orv {
namespace {

EntityData point_at(double x, int64_t id = 0) {
  EntityData e;
  e.kind = ENT_POINT;
  e.p1[0] = x;
  e.p1[1] = -x;
  e.p1[2] = 0.5;
  e.id = id;
  return e;
}

EntityData line_to(double x) {
  EntityData e = point_at(1);
  e.kind = ENT_LINE;
  e.p2[0] = x, e.p2[1] = 2, e.p2[2] = 3;
  return e;
}

EntityData surface_grid() {
  EntityData e;
  e.kind = ENT_SURFACE;
  e.through = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}};
  e.rows = 2, e.cols = 2;
  e.nb.udegree = 1, e.nb.vdegree = 1, e.nb.nu = 2, e.nb.nv = 2;
  e.nb.uknots = {0, 0, 1, 1};
  e.nb.vknots = {0, 0, 1, 1};
  e.nb.poles = e.through;
  e.nb.weights = {1, 1, 1, 2};
  return e;
}

const Entity& stored(const GeometryDatabase& db, db_list_ent_type* entry) {
  const Entity* e = db.find(entry);
  // A record is only ever read where the database keeps it: without one the test cannot go on.
  if (e == nullptr) {
    ADD_FAILURE() << "entry not found";
    std::abort();
  }
  return *e;
}

TEST(DatabaseEntities, EachKindComesBackWhole) {
  EntityData styled = point_at(3);
  styled.color = 12, styled.level = 7, styled.attrib = {2, 3, 4};
  const EntityData cases[] = {styled, line_to(9), surface_grid()};
  GeometryDatabase db;
  for (const EntityData& in : cases) {
    SCOPED_TRACE(in.kind);
    const Entity& e = stored(db, db.add(in));
    const EntityData out = e.data();
    EXPECT_EQ(out.kind, in.kind);
    EXPECT_EQ(out.id, static_cast<int64_t>(db.size()));
    EXPECT_EQ(out.color, in.color);
    EXPECT_EQ(out.level, in.level);
    EXPECT_EQ(out.attrib.line_style, in.attrib.line_style);
    EXPECT_EQ(out.attrib.line_width, in.attrib.line_width);
    EXPECT_EQ(out.attrib.flags, in.attrib.flags);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(out.p1[k], in.p1[k]);
      EXPECT_EQ(out.p2[k], in.p2[k]);
    }
    EXPECT_EQ(out.through, in.through);
    EXPECT_EQ(out.rows, in.rows);
    EXPECT_EQ(out.cols, in.cols);
    EXPECT_EQ(out.nb.poles, in.nb.poles);
    EXPECT_EQ(out.nb.uknots, in.nb.uknots);
    EXPECT_EQ(out.nb.vknots, in.nb.vknots);
    EXPECT_EQ(out.nb.weights, in.nb.weights);
    EXPECT_EQ(out.nb.nv, in.nb.nv);
  }
}

// A point's record holds no line end and no shape, whatever the record handed in carried.
TEST(DatabaseEntities, PointsKeepOnlyWhatAPointHas) {
  EntityData p = point_at(1);
  p.p2[0] = 5;
  p.nb.poles = {{1, 2, 3}};
  GeometryDatabase db;
  const Entity& e = stored(db, db.add(p));
  EXPECT_EQ(e.p2()[0], 0);
  EXPECT_TRUE(e.nb().poles.empty());
  EXPECT_TRUE(e.through().empty());
}

// Entries handed out early stay valid while many more are stored after them.
TEST(DatabaseEntities, RecordsNeverMove) {
  GeometryDatabase db;
  std::vector<db_list_ent_type*> entries;
  for (int i = 0; i < 20000; ++i) entries.push_back(db.add(i % 3 == 0 ? line_to(i) : point_at(i)));
  for (int i = 0; i < 20000; i += 997) {
    const Entity& e = stored(db, entries[i]);
    ASSERT_EQ(e.id(), i + 1);
    ASSERT_EQ(i % 3 == 0 ? e.p2()[0] : e.p1()[0], double(i));
  }
  auto all = db.entities();
  ASSERT_EQ(all.size(), 20000u);
  EXPECT_EQ(all[12345]->id(), 12346);
}

TEST(DatabaseEntities, OnlyLiveEntriesOfThisDatabaseAreFound) {
  GeometryDatabase db, other;
  db_list_ent_type* first = db.add(point_at(1));
  db_list_ent_type* last = db.add(point_at(2));
  db_list_ent_type* elsewhere = other.add(point_at(3));
  EntityData local;
  auto shifted = [](db_list_ent_type* e, std::ptrdiff_t bytes) {
    return reinterpret_cast<db_list_ent_type*>(reinterpret_cast<char*>(e) + bytes);
  };
  struct Case {
    const char* name;
    db_list_ent_type* entry;
  } refused[] = {
      {"null", nullptr},
      {"another database's", elsewhere},
      {"a record of the caller's", reinterpret_cast<db_list_ent_type*>(&local)},
      {"inside a record", shifted(first, 8)},
      {"the slot after the last record", shifted(last, sizeof(Entity))},
  };
  for (const Case& c : refused) EXPECT_FALSE(db.contains(c.entry)) << c.name;
  EXPECT_TRUE(db.contains(first));
  EXPECT_TRUE(db.remove(first));
  EXPECT_FALSE(db.contains(first));
  EXPECT_FALSE(db.remove(first));
  EXPECT_EQ(db.size(), 1u);
  ASSERT_EQ(db.entities().size(), 1u);
  EXPECT_EQ(db.entities()[0]->id(), 2);

  db.swap(other);
  EXPECT_TRUE(db.contains(elsewhere));
  EXPECT_FALSE(db.contains(last));
  EXPECT_TRUE(other.contains(last));
  other.clear();
  EXPECT_FALSE(other.contains(last));
}

// Ids with gaps inside a block (a part file of a database that had deletions), ids out of order,
// and more distinct levels and attributes than a record's own index holds: each record still
// gives back its own id, level and attributes, before and after a swap.
TEST(DatabaseEntities, SparseIdsAndManyStylesComeBackPerRecord) {
  GeometryDatabase db, other;
  std::vector<std::pair<db_list_ent_type*, int64_t>> stored_ids;
  const int kStyles = 70000;
  for (int i = 0; i < kStyles; ++i) {
    EntityData e = point_at(i, i < 20000 ? 3 * i + 1 : 1000000 - i);  // gaps, then descending
    e.level = i;
    e.attrib = {i % 3, i % 5, i};
    db_list_ent_type* entry = db.restore(e);
    ASSERT_NE(entry, nullptr) << i;
    stored_ids.push_back({entry, e.id});
  }
  db.swap(other);
  for (int i = 0; i < kStyles; i += 7) {
    const Entity* e = other.find(stored_ids[i].first);
    ASSERT_NE(e, nullptr) << i;
    EXPECT_EQ(e->id(), stored_ids[i].second) << i;
    EXPECT_EQ(e->level(), i);
    EXPECT_EQ(e->attrib().line_width, i % 5);
    EXPECT_EQ(e->attrib().flags, i);
    EXPECT_EQ(e->p1()[0], double(i));
  }
  EXPECT_EQ(other.find(other.add(point_at(0)))->id(), 1000000 - 20000 + 1);  // after the largest
}

// Ids read back in any order: each id once among the live entities, creation order kept, new ids
// after the largest ever stored.
TEST(DatabaseEntities, RestoredIdsStayUniqueInAnyOrder) {
  struct Step {
    int64_t id;  // restore this id; negative: remove the live entity with id -id
    bool accepted;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    int64_t next_id;
  } cases[] = {
      {"ascending, the last one deleted and read again",
       {{1, true}, {2, true}, {2, false}, {-2, true}, {2, true}, {2, false}, {0, false}, {-1, true}},
       3},
      {"out of order",
       {{5, true}, {3, true}, {9, true}, {3, false}, {4, true}, {-3, true}, {3, true}, {5, false},
        {-9, true}, {9, true}, {1, true}, {4, false}},
       10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GeometryDatabase db;
    std::vector<std::pair<int64_t, db_list_ent_type*>> live;  // in creation order
    for (const Step& s : c.steps) {
      if (s.id < 0) {
        auto it = std::find_if(live.begin(), live.end(), [&](const auto& l) { return l.first == -s.id; });
        ASSERT_NE(it, live.end());
        EXPECT_TRUE(db.remove(it->second));
        live.erase(it);
        continue;
      }
      db_list_ent_type* e = db.restore(point_at(1, s.id));
      ASSERT_EQ(e != nullptr, s.accepted) << "id " << s.id;
      if (e) live.push_back({s.id, e});
    }
    std::vector<int64_t> ids, expected;
    for (const Entity* e : db.entities()) ids.push_back(e->id());
    for (const auto& l : live) expected.push_back(l.first);
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(db.find(db.add(point_at(0)))->id(), c.next_id);
  }
}

// Every change, however small, gives a revision not seen before; what only reads, or is refused,
// leaves it as it was.
TEST(DatabaseRevision, EachChangeMovesItAndNothingElseDoes) {
  GeometryDatabase other;
  other.add(point_at(7));
  struct Case {
    const char* name;
    std::function<void(GeometryDatabase&)> act;
    bool changes;
  } cases[] = {
      {"add", [](GeometryDatabase& db) { db.add(point_at(2)); }, true},
      {"restore", [](GeometryDatabase& db) { db.restore(point_at(2, 40)); }, true},
      {"remove", [](GeometryDatabase& db) { db.remove(db.add(point_at(2))); }, true},
      {"mark", [](GeometryDatabase& db) { db.add_mark({{1, 2, 3}, 4}); }, true},
      {"line", [](GeometryDatabase& db) { db.add_line({{0, 0, 0}, {1, 1, 1}, 4}); }, true},
      {"clear", [](GeometryDatabase& db) { db.clear(); }, true},
      {"swap", [&](GeometryDatabase& db) { db.swap(other); }, true},
      {"only reads",
       [](GeometryDatabase& db) {
         (void)db.entities();
         (void)db.find(nullptr);
         (void)db.marks();
       },
       false},
      {"a taken id refused", [](GeometryDatabase& db) { db.restore(point_at(2, 1)); }, false},
      {"a foreign entry not removed",
       [&](GeometryDatabase& db) { db.remove(reinterpret_cast<db_list_ent_type*>(const_cast<Entity*>(other.entities()[0]))); },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GeometryDatabase db;
    db.add(point_at(1));
    const Revision before = db.revision();
    c.act(db);
    EXPECT_EQ(db.revision() != before, c.changes);
  }
}

// Opening a part file swaps in a database made elsewhere: with as many entities and the same last
// id, but other points, it must still read as changed, and so must swapping the first contents back.
TEST(DatabaseRevision, SwappedInContentsNeverReuseARevision) {
  GeometryDatabase shown, opened;
  EXPECT_NE(shown.revision(), opened.revision());  // two empty databases: each its own
  shown.add(point_at(1));
  shown.add(point_at(2));
  opened.add(point_at(5));
  opened.add(point_at(6));
  const Revision first = shown.revision();
  const Revision theirs = opened.revision();
  shown.swap(opened);
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown.entities().back()->id(), 2);  // what a count and a last id would not tell apart
  EXPECT_NE(shown.revision(), first);
  EXPECT_NE(shown.revision(), theirs);
  const Revision second = shown.revision();
  shown.swap(opened);
  EXPECT_NE(shown.revision(), first);
  EXPECT_NE(shown.revision(), second);
  EXPECT_NE(opened.revision(), second);
}

// Past the screen's cap a line that is not kept still extends the last kept one: the kept lines'
// number stays, their contents change, and so does the revision.
TEST(DatabaseRevision, ALineFoldedIntoTheLastKeptOneIsAChange) {
  GeometryDatabase db;
  uint64_t i = 0;
  for (; db.stride() == 1; ++i) db.add_line({{double(i), 0, 0}, {double(i + 1), 0, 0}, 3});
  if (i % 2 == 0) db.add_line({{double(i), 0, 0}, {double(i + 1), 0, 0}, 3}), ++i;  // next one not kept
  const std::size_t kept = db.lines().size();
  const Revision before = db.revision();
  db.add_line({{double(i), 0, 0}, {double(i + 1), 0, 0}, 3});
  ASSERT_EQ(db.lines().size(), kept);
  EXPECT_EQ(db.lines().back().to[0], double(i + 1));
  EXPECT_NE(db.revision(), before);
}

}  // namespace
}  // namespace orv
