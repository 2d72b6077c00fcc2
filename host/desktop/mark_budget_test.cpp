// The marks a desktop frame draws: never more than the budget, spread over the whole plot, one a
// pixel and look, and the count of what was left out right.
#include <gtest/gtest.h>

#include "desktop/desktop_window.h"
#include "desktop/mark_budget.h"

namespace orv::desktop {
namespace {

// A plain top view of [0, n) x [0, 100) onto `width` x 100 pixels (n x 100 by default, so that the
// mark at x = i + 0.5 lands in pixel column i).
view::Viewport strip(double n, double width = 0) {
  view::Box2 content;
  content.add({0, 0});
  content.add({n, 100});
  return view::Viewport(content, 0, 0, width > 0 ? width : n, 100, 0.0, 1.0, view::Camera::named(view::NamedView::Top));
}

std::vector<view::Mark> row(std::size_t n, bool stored) {
  std::vector<view::Mark> marks(n);
  for (std::size_t i = 0; i < n; ++i) marks[i] = {{static_cast<double>(i) + 0.5, 50.0, 0.0}, 3, stored};
  return marks;
}

TEST(MarkBudget, AtMostTheBudgetIsDrawnEvenlyThroughThePlot) {
  const struct {
    std::size_t marks, budget, taken;
  } cases[] = {
      {10, 10, 10},           // exactly the budget: all
      {11, 10, 6},            // one over: every second
      {1000, 10, 10},         // every hundredth
      {1000, 7, 7},           // every 143rd: 0, 143, ..., 858
      {0, 10, 0},
  };
  for (const auto& c : cases) {
    const MarkSelection s = select_marks(row(c.marks, true), strip(1000), 1000, 100, true, c.budget);
    EXPECT_EQ(s.total, c.marks);
    EXPECT_EQ(s.taken, c.taken) << c.marks << " in " << c.budget;
    EXPECT_LE(s.drawn.size(), c.budget);
    EXPECT_EQ(s.drawn.size(), s.taken);  // distinct pixels: every mark taken is drawn
    EXPECT_EQ(s.thinned(), c.taken < c.marks);
    if (s.taken > 1) {  // the plot's end is reached, not only its start
      EXPECT_GE(s.drawn.back().x, static_cast<float>(c.marks - c.marks / c.taken - 1)) << c.marks;
    }
  }
}

TEST(MarkBudget, TheDefaultBudgetHoldsForMillionsOfMarks) {
  const MarkSelection s = select_marks(row(2'000'000, true), strip(2e6, 4000), 4000, 100, true);
  EXPECT_EQ(s.total, 2'000'000u);
  EXPECT_LE(s.drawn.size(), 4000u);  // one a pixel column of the strip
  EXPECT_EQ(s.taken, kMaxDrawnMarks);
  EXPECT_TRUE(s.thinned());
}

TEST(MarkBudget, MarksOnOnePixelWithOneLookAreDrawnOnce) {
  std::vector<view::Mark> marks = {
      {{10.2, 50.1, 0}, 3, true}, {{10.7, 50.6, 0}, 3, true},   // one pixel, one look
      {{10.5, 50.5, 0}, 4, true},                                // another colour
      {{10.5, 50.5, 0}, 3, false},                               // a cross, not a dot
      {{5000, 50, 0}, 3, true},                                  // off the window
  };
  const MarkSelection s = select_marks(marks, strip(100), 100, 100, true);
  EXPECT_EQ(s.drawn.size(), 3u);
  EXPECT_EQ(s.taken, 5u);  // hidden under a drawn one or off the window: nothing is missing
  EXPECT_FALSE(s.thinned());
}

TEST(MarkBudget, ScreenMarksLeftOutAreNotCounted) {
  std::vector<view::Mark> marks = row(20, false);
  marks[7].stored = true;
  const MarkSelection s = select_marks(marks, strip(100), 100, 100, false, 1);
  EXPECT_EQ(s.total, 1u);
  ASSERT_EQ(s.drawn.size(), 1u);
  EXPECT_TRUE(s.drawn[0].stored);
}

TEST(FramebufferCap, AWindowOfAnySizeIsCappedAtTheSideAndPixelLimits) {
  const long long budget = 4000LL * 3000;
  const struct {
    int w, h, max_side;
    int want_w, want_h;  // 0: only the limits are checked
  } cases[] = {
      {1280, 800, 16384, 1280, 800},  // an ordinary window is left as it is
      {4000, 3000, 16384, 4000, 3000},  // exactly the budget
      {32767, 32767, 16384, 3464, 3464},
      {16384, 16384, 16384, 3464, 3464},
      {20000, 100, 8192, 8192, 40},   // the side limit, the shape kept
      {0, -5, 16384, 1, 1},
      {100000, 1, 16384, 16384, 1},
      {4001, 3000, 16384, 0, 0},
  };
  for (const auto& c : cases) {
    const FramebufferSize f = capped_framebuffer(c.w, c.h, c.max_side, budget);
    EXPECT_LE(f.w, c.max_side) << c.w << " x " << c.h;
    EXPECT_LE(f.h, c.max_side) << c.w << " x " << c.h;
    EXPECT_LE(static_cast<long long>(f.w) * f.h, budget) << c.w << " x " << c.h;
    EXPECT_GE(f.w, 1);
    EXPECT_GE(f.h, 1);
    if (c.want_w > 0) {
      EXPECT_EQ(f.w, c.want_w) << c.w << " x " << c.h;
      EXPECT_EQ(f.h, c.want_h) << c.w << " x " << c.h;
    }
  }
}

}  // namespace
}  // namespace orv::desktop
