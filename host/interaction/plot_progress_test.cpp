// A plot's progress: when it is drawn and the keys read, its words, and what a stop signal does.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>

#include "core/stop_request.h"
#include "interaction/plot_progress.h"

namespace orv::interaction {
namespace {

using std::chrono::milliseconds;

TEST(PlotProgress, DrawnOnlyAfterTheDelayAndAtMostEveryRedraw) {
  PlotPacing pacing;
  const PlotPacing::Clock::time_point t0{};
  pacing.step(0, t0);
  EXPECT_FALSE(pacing.draw_due(t0 + milliseconds(499)));  // a short plot shows no progress
  EXPECT_TRUE(pacing.draw_due(t0 + milliseconds(500)));
  EXPECT_FALSE(pacing.draw_due(t0 + milliseconds(599)));
  EXPECT_TRUE(pacing.draw_due(t0 + milliseconds(600)));
  pacing.step(7, t0 + milliseconds(700));  // only step 0 restarts the clock
  EXPECT_TRUE(pacing.draw_due(t0 + milliseconds(700)));
  EXPECT_FALSE(pacing.poll_due(t0 + milliseconds(29)));
  EXPECT_TRUE(pacing.poll_due(t0 + milliseconds(30)));
  EXPECT_FALSE(pacing.poll_due(t0 + milliseconds(59)));
  pacing.step(0, t0 + milliseconds(1000));  // the next plot waits its delay again
  EXPECT_FALSE(pacing.draw_due(t0 + milliseconds(1499)));
}

TEST(PlotProgress, WordsWithAndWithoutABarAndNearTheTopOfTheCount) {
  EXPECT_EQ(progress_text(42, 100, 0), "Plotting 42% (42 of 100) \u00b7 Esc to stop");
  EXPECT_EQ(progress_text(1, 2, 4), "Plotting \u2588\u2588\u2591\u2591 50% (1 of 2) \u00b7 Esc to stop");
  EXPECT_EQ(progress_text(0, 0, 0), "Plotting 0% (0 of 0) \u00b7 Esc to stop");
  const int64_t big = INT64_MAX - 1;
  EXPECT_EQ(progress_text(big / 2, big, 0).substr(0, 12), "Plotting 50%");
  EXPECT_EQ(stopped_text(3, 40), "Plot stopped after 3 of 40 steps");
}

TEST(PlotProgress, SigintIsAnsweredOtherSignalsStay) {
  clear_stop_signal();
  EXPECT_EQ(signal_stops_plot(), SignalStop::None);
  note_stop_signal(SIGINT);
  EXPECT_EQ(signal_stops_plot(), SignalStop::Interrupt);
  EXPECT_EQ(stop_signal(), 0);  // answered: the session goes on
  note_stop_signal(SIGTERM);
  EXPECT_EQ(signal_stops_plot(), SignalStop::Signal);
  EXPECT_EQ(stop_signal(), SIGTERM);  // still there: the session ends after the plot
  clear_stop_signal();
}

}  // namespace
}  // namespace orv::interaction
