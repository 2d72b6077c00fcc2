// The pacing of a plot's progress, its words, and the stop rule.
#include "interaction/plot_progress.h"

#include <csignal>

#include "core/stop_request.h"

namespace orv::interaction {

PlotPacing::Clock::time_point PlotPacing::step(int64_t step) {
  const Clock::time_point now = Clock::now();
  this->step(step, now);
  return now;
}

void PlotPacing::step(int64_t step, Clock::time_point now) {
  if (step == 0) start_ = last_poll_ = last_draw_ = now;
}

bool PlotPacing::poll_due(Clock::time_point now) {
  if (now - last_poll_ < kKeyPoll) return false;
  last_poll_ = now;
  return true;
}

bool PlotPacing::draw_due(Clock::time_point now) {
  if (now - start_ < kProgressDelay || now - last_draw_ < kProgressRedraw) return false;
  last_draw_ = now;
  return true;
}

SignalStop signal_stops_plot() {
  const int signal = stop_signal();
  if (signal == 0) return SignalStop::None;
  if (signal == SIGINT) {
    clear_stop_signal();
    return SignalStop::Interrupt;
  }
  return SignalStop::Signal;
}

std::string progress_text(int64_t step, int64_t count, int bar_cells) {
  // In doubles: a grid's count can come near the top of int64, where step * 100 would overflow.
  const double done = count > 0 ? static_cast<double>(step) / static_cast<double>(count) : 0.0;
  std::string text = "Plotting ";
  if (bar_cells > 0) {
    const int filled = static_cast<int>(done * bar_cells);
    for (int i = 0; i < bar_cells; ++i) text += i < filled ? "\u2588" : "\u2591";
    text += ' ';
  }
  text += std::to_string(static_cast<int>(done * 100));
  text += "% (";
  text += std::to_string(step);
  text += " of ";
  text += std::to_string(count);
  text += ") \u00b7 Esc to stop";
  return text;
}

std::string stopped_text(int64_t step, int64_t count) {
  std::string text = "Plot stopped after ";
  text += std::to_string(step);
  text += " of ";
  text += std::to_string(count);
  text += " steps";
  return text;
}

}  // namespace orv::interaction
