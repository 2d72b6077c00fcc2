// The screen's bounded memory: past the cap marks and lines are thinned to every stride-th one made,
// a drawn curve stays connected through its kept chords, the counts say how many were made, and the
// part file holds what was kept.
#include "core/database.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/part_file.h"

namespace orv {
namespace {

ScreenMark mark_at(uint64_t i) { return {{static_cast<double>(i), 0, 0}, 10}; }
ScreenLine segment(uint64_t i) { return {{double(i), 0, 0}, {double(i + 1), 0, 0}, 10}; }

TEST(ScreenThinning, BelowTheCapEverythingIsKept) {
  GeometryDatabase db;
  for (uint64_t i = 0; i + 1 < kMaxScreenItems; ++i) db.add_mark(mark_at(i));
  EXPECT_EQ(db.marks().size(), kMaxScreenItems - 1);
  EXPECT_EQ(db.screen_made(), kMaxScreenItems - 1);
  EXPECT_EQ(db.stride(), 1u);
  db.add_mark(mark_at(kMaxScreenItems - 1));  // the cap reached: half is kept
  EXPECT_EQ(db.stride(), 2u);
  EXPECT_EQ(db.marks().size(), kMaxScreenItems / 2);
  EXPECT_EQ(db.screen_made(), kMaxScreenItems);
}

// However many are made, at most the cap is kept, and kept mark p is mark p * stride as made.
TEST(ScreenThinning, MarksStayBoundedAndEvenlySpread) {
  GeometryDatabase db;
  const uint64_t made = 5 * kMaxScreenItems + 123;
  for (uint64_t i = 0; i < made; ++i) {
    db.add_mark(mark_at(i));
    ASSERT_LT(db.screen_kept(), kMaxScreenItems) << "after mark " << i;
  }
  EXPECT_EQ(db.screen_made(), made);
  EXPECT_EQ(db.stride(), 8u);
  ASSERT_EQ(db.marks().size(), (made + 7) / 8);
  for (size_t p = 0; p < db.marks().size(); p += 9973) ASSERT_EQ(db.marks()[p].at[0], double(p * 8)) << p;
  EXPECT_EQ(db.marks().back().at[0], double((made - 1) / 8 * 8));
}

// A drawn curve of many segments stays one connected chain from its first point to its last.
TEST(ScreenThinning, ConnectedLinesBecomeChordsOfOneChain) {
  GeometryDatabase db;
  const uint64_t made = 2 * kMaxScreenItems + 7;
  for (uint64_t i = 0; i < made; ++i) db.add_line(segment(i));
  EXPECT_EQ(db.stride(), 4u);
  const auto& lines = db.lines();
  ASSERT_EQ(lines.size(), (made + 3) / 4);
  EXPECT_EQ(lines.front().from[0], 0);
  EXPECT_EQ(lines.back().to[0], double(made));
  for (size_t p = 0; p + 1 < lines.size(); ++p) {
    ASSERT_EQ(lines[p].from[0], double(p * 4)) << p;
    ASSERT_EQ(lines[p].to[0], lines[p + 1].from[0]) << p;
  }
}

// Lines that do not continue each other (or change colour) are never merged: the dropped ones go.
TEST(ScreenThinning, SeparateLinesAreKeptAsTheyWere) {
  GeometryDatabase db;
  const uint64_t made = kMaxScreenItems + 1;
  for (uint64_t i = 0; i < made; ++i) {
    ScreenLine l{{double(i), 0, 0}, {double(i), 1, 0}, static_cast<uint8_t>(i % 2 ? 12 : 10)};
    db.add_line(l);
  }
  ASSERT_EQ(db.lines().size(), (made + 1) / 2);
  for (size_t p = 0; p < db.lines().size(); p += 4999) {
    EXPECT_EQ(db.lines()[p].from[0], double(2 * p));
    EXPECT_EQ(db.lines()[p].to[0], double(2 * p));
    EXPECT_EQ(db.lines()[p].color, 10);
  }
}

TEST(ScreenThinning, MarksAndLinesShareTheCapAndClearOrSwapCarryTheCounts) {
  GeometryDatabase db;
  for (uint64_t i = 0; i < kMaxScreenItems; ++i) {
    db.add_mark(mark_at(i));
    db.add_line(segment(i));
  }
  EXPECT_LT(db.screen_kept(), kMaxScreenItems);
  EXPECT_EQ(db.stride(), 4u);  // the cap was reached at half a million of each, then at a million
  EXPECT_EQ(db.marks().size(), kMaxScreenItems / 4);
  EXPECT_EQ(db.screen_made(), 2 * kMaxScreenItems);

  GeometryDatabase other;
  other.add_mark(mark_at(0));
  db.swap(other);
  EXPECT_EQ(db.screen_made(), 1u);
  EXPECT_EQ(db.stride(), 1u);
  EXPECT_EQ(other.screen_made(), 2 * kMaxScreenItems);
  other.clear();
  EXPECT_EQ(other.screen_made(), 0u);
  EXPECT_EQ(other.stride(), 1u);
  other.add_mark(mark_at(1));
  other.add_mark(mark_at(2));
  EXPECT_EQ(other.marks().size(), 2u);  // a stride left over from before would drop the second
}

// The part file's screen holds the kept marks; read back, they are all the screen there is.
TEST(ScreenThinning, PartFileHoldsTheKeptMarks) {
  GeometryDatabase db;
  const uint64_t made = kMaxScreenItems + 10;
  for (uint64_t i = 0; i < made; ++i) db.add_mark(mark_at(i));
  GeometryDatabase back;
  std::string what;
  ASSERT_TRUE(parse_part_file(part_file_text(db), back, what)) << what;
  ASSERT_EQ(back.marks().size(), db.marks().size());
  EXPECT_EQ(back.marks()[1].at[0], 2);
  EXPECT_EQ(back.screen_made(), back.screen_kept());
}

// A mark drawn on the point just stored reads that record; one drawn elsewhere, in another colour or
// after a line keeps its own copy. Whatever mix is kept, thinning, a swap and a removal of the point
// give back the marks as drawn, bit for bit.
TEST(ScreenMarks, MarksOnStoredPointsReadBackAsDrawnThroughThinningAndSwap) {
  GeometryDatabase db, other;
  std::vector<ScreenMark> drawn;
  std::vector<db_list_ent_type*> points;
  const attributes plain{};
  const uint64_t made = kMaxScreenItems + kMaxScreenItems / 2;
  for (uint64_t i = 0; i < made; ++i) {
    const double at[3] = {double(i), -0.0, 1.0 / double(i + 1)};
    points.push_back(db.add_point(at, 10, 1, plain));
    ScreenMark m{{at[0], at[1], at[2]}, 10};
    if (i % 5 == 1) m.color = 11;      // not the point's colour
    if (i % 7 == 2) m.at[1] = 0.0;     // +0 where the point has -0: other bits
    if (i % 11 == 3) db.add_line({{0, 0, 0}, {1, 1, 1}, 2});  // a line stored between: still a point last
    drawn.push_back(m);
    db.add_mark(m);
  }
  db.remove(points[0]);
  db.swap(other);
  ASSERT_EQ(other.stride(), 2u);
  const MarkList kept = other.marks();
  ASSERT_EQ(kept.size(), (made + 1) / 2);
  for (std::size_t p = 0; p < kept.size(); ++p) {
    const ScreenMark want = drawn[p * 2], got = kept[p];
    ASSERT_EQ(std::memcmp(want.at, got.at, sizeof want.at), 0) << p;
    ASSERT_EQ(want.color, got.color) << p;
  }
  EXPECT_TRUE(db.marks().empty());
}

}  // namespace
}  // namespace orv
