// A plot's progress as every front end shows it: shown once the plot has lasted kProgressDelay,
// redrawn at most every kProgressRedraw (a frame costs far more than a plot step), the keyboard read
// at most every kKeyPoll, and the rule by which a plot stops: the person's stop key, or a stop
// signal. SIGINT (Ctrl+C from outside) stops the plot and is answered, so the session goes on; any
// other stop signal stops the plot and then the session.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

namespace orv::interaction {

constexpr auto kProgressDelay = std::chrono::milliseconds(500);
constexpr auto kProgressRedraw = std::chrono::milliseconds(100);
constexpr auto kKeyPoll = std::chrono::milliseconds(30);

/// When a plot's progress is drawn and its keys are read.
class PlotPacing {
 public:
  using Clock = std::chrono::steady_clock;
  /// Told at every progress call; step 0 starts a plot's clock. The first form returns the time
  /// it was told at.
  Clock::time_point step(int64_t step);
  void step(int64_t step, Clock::time_point now);
  /// True (and the poll counted) when the keyboard is to be read now.
  bool poll_due(Clock::time_point now);
  /// True (and the drawing counted) when the progress is to be drawn now.
  bool draw_due(Clock::time_point now);

 private:
  Clock::time_point start_, last_poll_, last_draw_;
};

/// What a stop signal does to the plot under way.
enum class SignalStop {
  None,       // no stop signal
  Interrupt,  // SIGINT: the plot stops, the signal is answered, the session goes on
  Signal,     // another stop signal: the plot stops and the session ends after it
};
/// Looks at the stop signal and answers a SIGINT (clears it).
SignalStop signal_stops_plot();

/// "Plotting 42% (42 of 100) · Esc to stop", with a bar of `bar_cells` cells after "Plotting"
/// when that is not 0.
std::string progress_text(int64_t step, int64_t count, int bar_cells);
/// The status once a plot was stopped: "Plot stopped after STEP of COUNT steps".
std::string stopped_text(int64_t step, int64_t count);

}  // namespace orv::interaction
