// SIGINT, SIGTERM and SIGHUP (the terminal closed) during a run: caught, so that the session winds
// down (the plot stops, the front end's input ends) and what was made is still saved and exported,
// instead of the process ending with everything lost. The run then ends with the stopped exit
// status. SIGPIPE is ignored: a closed pipe on standard output or error makes our own messages
// fail (EPIPE, which costs nothing) instead of killing the run before it saves.
#pragma once
#include <csignal>

namespace orv::app {

/// The exit status of a run that a signal stopped (128 + SIGINT, as shells report an interrupt).
constexpr int kStoppedExitStatus = 130;

/// Catches SIGINT, SIGTERM and SIGHUP while it lives (recording them with note_stop_signal) and
/// ignores SIGPIPE; the handlers in place before are put back when it goes.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction old_int_ {}, old_term_ {}, old_hup_ {}, old_pipe_ {};
};

/// "SIGINT", "SIGTERM", "SIGHUP", or "a signal".
const char* stop_signal_name(int signal);

/// When a signal stopped the run, writes "orvantis: stopped by SIGINT; saved what was made" (or that
/// not all could be saved, when `saved` is false) on standard error and returns kStoppedExitStatus;
/// otherwise returns `status` unchanged.
int stopped_exit_status(int status, bool saved);

}  // namespace orv::app
