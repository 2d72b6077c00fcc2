// The plot report's rules without the Zlink: a plot is played to it as the sequence of service
// calls each geometry kind makes (marks, stored points, failing statements, the curve or surface
// made), and the steps it names and the words it chooses are checked.
#include "core/plot_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvantis/host_notes.h"
#include "orvantis/plot_limits.h"

namespace orv {
namespace {

const char kA[] = "y = sqrt(5 - t)";
const char kB[] = "z = 1 / t";

// Plays `events` as one plot of `steps` steps: M a mark, S a stored point, L a stored line, A or B a
// failure of that statement (status -13 or -12), C a spline made through the points marked so far,
// U a surface of `rows` x `cols` made.
void play(int64_t steps, const std::string& events, int64_t rows = 0, int64_t cols = 0) {
  note_plot_poll(0, steps, false);
  std::vector<std::array<double, 3>> marked;
  for (char e : events) {
    switch (e) {
      case 'M': {
        const double p[3] = {static_cast<double>(marked.size()), 1, 0};
        note_mark(p);
        marked.push_back({p[0], p[1], p[2]});
        break;
      }
      case 'S': note_point_stored(); break;
      case 'L': note_line_stored(); break;
      case 'A': note_zlink_status(-13, 3, kA); break;
      case 'B': note_zlink_status(-12, 3, kB); break;
      case 'C': {
        std::vector<pt_3d> pts(marked.size());
        for (size_t i = 0; i < marked.size(); ++i)
          for (int k = 0; k < 3; ++k) pts[i][k] = marked[i][k];
        note_spline_made(pts.data(), static_cast<int32_t>(pts.size()));
        break;
      }
      case 'U': {
        std::vector<pt_3d> grid(static_cast<size_t>(rows * cols));
        for (auto& p : grid) p[0] = p[1] = p[2] = 7;
        note_surface_made(grid.data(), rows, cols);
        break;
      }
      default: break;
    }
  }
  finish_plot_report();
}

struct Case {
  const char* name;
  int64_t steps;
  std::string events;
  int64_t rows, cols;
  std::vector<PlotIssue::Kind> kinds;
  int64_t first_step;  // of the first issue
  std::string words;   // a part of the first issue's words
};

TEST(PlotReport, NamesTheStepAndWhatWasKeptForEachKindOfPlot) {
  using K = PlotIssue::Kind;
  const Case cases[] = {
      {"spline ends at a failing step", 11, "MMMMMMAC", 0, 0, {K::EndedEarly}, 7,
       "square root of a negative number at step 7 of 11: the spline ends there, through 6 of 11 points"},
      {"lines end at a failing step", 11, "MLMLMLMB", 0, 0, {K::EndedEarly}, 5,
       "division by zero at step 5 of 11: the plot ends there; 3 lines kept"},
      // A points plot marks the steps it skips, after their failure.
      {"points skip steps, counted", 11, "SMSMSMSMAMAMAMSMSMSMSM", 0, 0, {K::Skipped}, 5,
       "skipped 3 of 11 steps, the first at step 5; 8 of 11 points kept"},
      {"points that all fail are still a curve", 3, "AMAMAM", 0, 0, {K::Skipped}, 1,
       "skipped 3 of 3 steps, the first at step 1"},
      {"two lines failing apart", 6, "SMAMSMBMSMSM", 0, 0, {K::Skipped, K::Skipped}, 2,
       "at step 2 of 6: the step is skipped; 4 of 6 points kept"},
      // Surfaces: a failed grid point makes no mark; a points surface stores without marks.
      {"draw_surf skips grid points", 6, "MAMMAM", 0, 0, {K::Skipped}, 2,
       "skipped 2 of 6 grid points, the first at grid point 2"},
      {"points_surf skips grid points", 4, "SASS", 0, 0, {K::Skipped}, 2,
       "at grid point 2 of 4: the grid point is skipped; 3 of 4 points kept"},
      {"nurbs_surf keeps its complete rows", 12, "MMMMMMMAMMMMU", 2, 3, {K::DroppedRows}, 8,
       "at grid point 8 of 12 (row 3, column 2): the grid point is skipped; the surface keeps its first 2 of 4 "
       "rows"},
      {"surface ends at the last point of a row", 12, "MMMMMMMMAU", 2, 3, {K::EndedEarly}, 9,
       "at grid point 9 of 12 (row 3, column 3): the plot ends there (the last grid point of its row); the "
       "surface keeps its first 2 of 4 rows"},
      {"clean", 5, "MMMMMC", 0, 0, {}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_plot_reports();
    play(c.steps, c.events, c.rows, c.cols);
    const PlotReport& r = last_plot_report();
    ASSERT_EQ(r.issues.size(), c.kinds.size());
    for (size_t i = 0; i < c.kinds.size(); ++i) EXPECT_EQ(r.issues[i].kind, c.kinds[i]) << i;
    if (c.kinds.empty()) {
      EXPECT_TRUE(report_frame_lines().empty());
      std::array<double, 3> at{};
      EXPECT_FALSE(report_marker(at)) << "no marker for a plot that kept everything";
      continue;
    }
    EXPECT_EQ(r.issues[0].step, c.first_step);
    EXPECT_NE(r.issues[0].words.find(c.words), std::string::npos) << r.issues[0].words;
    EXPECT_EQ(report_frame_lines(), plot_report_lines(r));
  }
}

TEST(PlotReport, TheMarkerStandsAtTheLastPointKept) {
  reset_plot_reports();
  play(11, "MMMMMMAC");  // the spline through the marks at x = 0 .. 5
  std::array<double, 3> at{};
  ASSERT_TRUE(report_marker(at));
  EXPECT_EQ(at, (std::array<double, 3>{5, 1, 0}));
  reset_plot_reports();
  play(12, "MMMMMMMAMMMMU", 2, 3);  // the last point of the surface's last complete row
  ASSERT_TRUE(report_marker(at));
  EXPECT_EQ(at, (std::array<double, 3>{7, 7, 7}));
}

TEST(PlotReport, TheNextPlotTakesTheLastOnesWordsAway) {
  reset_plot_reports();
  play(11, "MMMMMMAC");
  EXPECT_EQ(report_frame_lines().size(), 1u);
  note_plot_poll(0, 11, false);  // the next plot starts
  EXPECT_TRUE(report_frame_lines().empty());
  finish_plot_report();
}

TEST(PlotReport, APlotRefusedForItsSizeSaysTheLimit) {
  reset_plot_reports();
  note_zlink_status(-5, 0, nullptr);
  const PlotReport& r = last_plot_report();
  ASSERT_EQ(r.issues.size(), 1u);
  EXPECT_EQ(r.issues[0].kind, PlotIssue::Kind::RefusedForSize);
  EXPECT_NE(r.issues[0].words.find(orvantis::size_refusal_words(-1)), std::string::npos);
  EXPECT_NE(r.issues[0].words.find("the limit is 32,000 steps, that is 32,001 points"), std::string::npos);
  // A point buffer that could not grow is the reason given instead.
  note_buffer_refused("surface buffer refused: 9000000 points asked for; it holds from 1 to 4194304");
  note_zlink_status(-5, 0, nullptr);
  EXPECT_NE(last_plot_report().issues[0].words.find("refused for its size: surface buffer refused: 9000000"),
            std::string::npos);
}

TEST(PlotReport, AFileReadingTellsItsLinesNotReadAndNumbersThePlotsFailures) {
  reset_plot_reports();
  int stream_stand_in = 0;
  FILE* stream = reinterpret_cast<FILE*>(&stream_stand_in);
  note_reading_opened(stream, "f.eqn");
  const char* lines[] = {"x = t", "w = (", kA, "w = ("};
  for (int i = 0; i < 4; ++i) {
    note_line_read(stream, lines[i]);
    if (i == 1 || i == 3) note_zlink_status(-9, i + 1, lines[i]);
  }
  note_zlink_status(-9, 0, nullptr);  // after the last line: the reading is over
  const ReadReport& read = last_read_report();
  EXPECT_EQ(read.not_read, 2);
  EXPECT_EQ(read.words,
            "f.eqn: 2 lines not read: line 2 \"w = (\": the parentheses do not balance; line 4 \"w = (\": the "
            "parentheses do not balance");
  EXPECT_EQ(report_frame_lines(), std::vector<std::string>{read.words});
  note_reading_closed(stream);
  // The plot's failing statement is found in the file read: its line number and the file's name.
  play(11, "MMMMMMAC");
  ASSERT_EQ(last_plot_report().issues.size(), 1u);
  EXPECT_EQ(last_plot_report().issues[0].line, 3);
  EXPECT_EQ(last_plot_report().issues[0].words.rfind("f.eqn:3: \"y = sqrt(5 - t)\": ", 0), 0u);
}

TEST(PlotReport, ControlCharactersInALineAreShownVisibly) {
  reset_plot_reports();
  int stream_stand_in = 0;
  FILE* stream = reinterpret_cast<FILE*>(&stream_stand_in);
  note_reading_opened(stream, "g.eqn");
  note_line_read(stream, "a\tb = (\x01");
  note_zlink_status(-9, 1, "a\tb = (\x01");
  note_zlink_status(-9, 0, nullptr);
  EXPECT_NE(last_read_report().words.find("line 1 \"a\\tb = (\\x01\""), std::string::npos) << last_read_report().words;
}

}  // namespace
}  // namespace orv
