// The plots' history over a database of its own: undo takes back exactly the last plot's entities,
// marks and lines (and a delete or a clear), what was there before any plot stays, a plot run again
// replaces the one before it, and each change is told in words.
#include "core/plot_history.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/plot_report.h"
#include "orvantis/host_notes.h"

namespace orv {
namespace {

class PlotHistoryTest : public ::testing::Test {
 protected:
  GeometryDatabase db;
  PlotHistory history{db};

  int64_t point(double x) {
    EntityData e;
    e.kind = ENT_POINT;
    e.p1[0] = x;
    db.add(std::move(e));
    return db.next_id() - 1;
  }
  int64_t spline() {
    EntityData e;
    e.kind = ENT_SPLINE;
    e.through = {{0, 0, 0}, {1, 1, 1}};
    db.add(std::move(e));
    return db.next_id() - 1;
  }
  void marks(int n, double from) {
    for (int i = 0; i < n; ++i) db.add_mark({{from + i, 0, 0}, 10});
  }
  void line(double x) { db.add_line({{x, 0, 0}, {x + 1, 0, 0}, 10}); }
  std::vector<int64_t> ids() const {
    std::vector<int64_t> out;
    db.for_each_entity([&](const Entity& e) { out.push_back(e.id()); });
    return out;
  }
};

TEST_F(PlotHistoryTest, UndoTakesBackTheLastPlotAndLeavesWhatCameBefore) {
  const int64_t base = point(-1);  // read from a part file: no plot's
  history.plot_started();
  const int64_t a1 = point(1), a2 = point(2);
  marks(3, 0);
  history.plot_started();
  spline();
  marks(37, 100);
  line(5);
  line(6);

  EXPECT_EQ(history.undo(), "Undid the last plot: 1 spline, 2 screen lines, 37 marks");
  EXPECT_EQ(ids(), (std::vector<int64_t>{base, a1, a2}));
  ASSERT_EQ(db.marks().size(), 3u);
  EXPECT_EQ(db.marks().back().at[0], 2);
  EXPECT_EQ(db.marks_made(), 3u);
  EXPECT_TRUE(db.lines().empty());

  EXPECT_EQ(history.undo(), "Undid the last plot: 2 points, 3 marks");
  EXPECT_EQ(ids(), (std::vector<int64_t>{base}));
  EXPECT_TRUE(db.marks().empty());
  EXPECT_EQ(history.undo(), "Nothing to undo");
  EXPECT_EQ(ids(), (std::vector<int64_t>{base}));
  EXPECT_EQ(history.changes(), 2);
}

TEST_F(PlotHistoryTest, PlotsThatLeftNothingArePassedOver) {
  history.plot_started();
  point(1);
  history.plot_started();  // a plot that failed at its first step
  history.plot_started();
  marks(2, 0);
  EXPECT_EQ(history.undo(), "Undid the last plot: 2 marks");
  EXPECT_EQ(history.undo(), "Undid the last plot: 1 point");
  EXPECT_EQ(db.size(), 0u);
}

TEST_F(PlotHistoryTest, DeleteIsUndoneWithItsIdAndPlotUndoTakesItToo) {
  history.plot_started();
  point(1);
  const int64_t s = spline();
  marks(2, 0);
  EXPECT_EQ(history.remove(s), "Deleted the spline (entity 2); Ctrl+Z brings it back");
  EXPECT_EQ(ids(), (std::vector<int64_t>{1}));
  EXPECT_EQ(history.remove(s), "Nothing deleted: entity 2 is not in the database");
  EXPECT_EQ(history.undo(), "Undid the delete: the spline (entity 2) is back");
  EXPECT_EQ(ids(), (std::vector<int64_t>{1, 2}));
  EXPECT_EQ(history.undo(), "Undid the last plot: 1 point, 1 spline, 2 marks");
  EXPECT_EQ(db.size(), 0u);
}

TEST_F(PlotHistoryTest, ClearKeepsEverythingForUndoWithTheChangesBeforeIt) {
  point(-1);
  history.plot_started();
  spline();
  marks(4, 0);
  line(0);
  EXPECT_EQ(history.clear(), "Cleared 1 point, 1 spline, 1 screen line, 4 marks; Ctrl+Z brings it back");
  EXPECT_EQ(db.size(), 0u);
  EXPECT_EQ(db.screen_kept(), 0u);
  EXPECT_EQ(history.clear(), "Nothing to clear");

  // A plot after the clear is undone first, then the clear.
  history.plot_started();
  point(7);
  EXPECT_EQ(history.undo(), "Undid the last plot: 1 point");
  EXPECT_EQ(history.undo(), "Undid the clear: 1 point, 1 spline, 1 screen line, 4 marks back");
  EXPECT_EQ(ids(), (std::vector<int64_t>{1, 2}));
  EXPECT_EQ(db.marks().size(), 4u);
  // The plot before the clear can be undone again.
  EXPECT_EQ(history.undo(), "Undid the last plot: 1 spline, 1 screen line, 4 marks");
  EXPECT_EQ(ids(), (std::vector<int64_t>{1}));
}

TEST_F(PlotHistoryTest, MarksMadeOutsideAnyChangeSurviveAnUndoneClear) {
  history.plot_started();
  point(1);
  history.clear();
  db.add_mark({{9, 9, 9}, 3});  // drawn by no plot, after the clear
  EXPECT_EQ(history.undo(), "Undid the clear: 1 point back");
  ASSERT_EQ(db.marks().size(), 1u);
  EXPECT_EQ(db.marks()[0].at[0], 9);
  EXPECT_EQ(db.size(), 1u);
}

TEST_F(PlotHistoryTest, APlotRunAgainReplacesThePlotBeforeIt) {
  history.plot_started();
  point(1);
  marks(3, 0);
  line(0);
  history.plot_started();
  const int64_t b = point(2);
  marks(2, 50);
  GeometryCount gone;
  ASSERT_TRUE(history.replace_previous(&gone));
  EXPECT_EQ(count_words(gone), "1 point, 1 screen line, 3 marks");
  EXPECT_EQ(ids(), (std::vector<int64_t>{b}));
  ASSERT_EQ(db.marks().size(), 2u);
  EXPECT_EQ(db.marks()[0].at[0], 50);
  EXPECT_TRUE(db.lines().empty());
  EXPECT_FALSE(history.replace_previous());  // nothing before it now
  // The replacing plot is one plot: undo takes all of it, and the database is empty.
  EXPECT_EQ(history.undo(), "Undid the last plot: 1 point, 2 marks");
  EXPECT_EQ(db.screen_kept(), 0u);
  EXPECT_EQ(db.marks_made(), 0u);
}

TEST_F(PlotHistoryTest, AFailedRunAgainIsDroppedAndThePlotBeforeStays) {
  history.plot_started();
  point(1);
  marks(3, 0);
  history.plot_started();
  marks(1, 9);
  EXPECT_EQ(count_words(history.last_plot_count()), "1 mark");
  GeometryCount gone;
  ASSERT_TRUE(history.drop_last_plot(&gone));
  EXPECT_EQ(count_words(gone), "1 mark");
  EXPECT_EQ(db.size(), 1u);
  EXPECT_EQ(db.marks().size(), 3u);
  // A replacement is refused across a clear: what lies before it is not on the screen.
  history.clear();
  history.plot_started();
  point(5);
  EXPECT_FALSE(history.replace_previous());
  EXPECT_EQ(db.size(), 1u);
}

TEST_F(PlotHistoryTest, TheOldestChangesBeyondTheLimitStay) {
  for (std::size_t i = 0; i < kMaxUndo + 6; ++i) {
    history.plot_started();
    point(static_cast<double>(i));
  }
  for (std::size_t i = 0; i < kMaxUndo; ++i) ASSERT_NE(history.undo(), "Nothing to undo") << i;
  EXPECT_EQ(history.undo(), "Nothing to undo");
  EXPECT_EQ(db.size(), 6u);
}

// What the frame says of a plot that lost part of its geometry goes with the plot: an undo or a
// clear takes the words and the marker out, a delete of one entity does not.
TEST_F(PlotHistoryTest, TheFrameForgetsThePlotItSpokeOf) {
  reset_plot_reports();
  auto failing_plot = [&] {
    history.plot_started();
    note_plot_poll(0, 11, false);
    const double p[3] = {1, 2, 3};
    note_mark(p);
    marks(1, 0);
    note_zlink_status(-13, 3, "y = sqrt(5 - t)");  // ends the plot at step 2
    finish_plot_report();
  };
  std::array<double, 3> at{};
  failing_plot();
  ASSERT_EQ(report_frame_lines().size(), 1u);
  EXPECT_TRUE(report_marker(at));
  history.undo();
  EXPECT_TRUE(report_frame_lines().empty());
  EXPECT_FALSE(report_marker(at));
  failing_plot();
  point(1);
  history.remove(db.next_id() - 1);
  EXPECT_EQ(report_frame_lines().size(), 1u);
  history.clear();
  EXPECT_TRUE(report_frame_lines().empty());
  reset_plot_reports();
}

TEST(RemoveScreen, TakesOutASpanOfMarksAndLinesAndTheirCounts) {
  GeometryDatabase db;
  for (int i = 0; i < 10; ++i) db.add_mark({{double(i), 0, 0}, 1});
  for (int i = 0; i < 4; ++i) db.add_line({{double(i), 0, 0}, {double(i + 1), 0, 0}, 1});
  const Revision before = db.revision();
  db.remove_screen(2, 5, 1, 2);
  EXPECT_NE(db.revision(), before);
  ASSERT_EQ(db.marks().size(), 7u);
  EXPECT_EQ(db.marks()[1].at[0], 1);
  EXPECT_EQ(db.marks()[2].at[0], 5);
  EXPECT_EQ(db.marks_made(), 7u);
  ASSERT_EQ(db.lines().size(), 3u);
  EXPECT_EQ(db.lines()[1].from[0], 2);
  // A span past what was made is cut to it.
  db.remove_screen(6, 100, 3, 3);
  EXPECT_EQ(db.marks().size(), 6u);
  EXPECT_EQ(db.marks_made(), 6u);
}

}  // namespace
}  // namespace orv
