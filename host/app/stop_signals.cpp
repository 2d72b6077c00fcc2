// The handler only records the signal (async-signal-safe). It is installed without SA_RESTART, so
// that a blocking read of the terminal returns and the front end sees the stop at once.
#include "app/stop_signals.h"

#include <cstdio>

#include "core/stop_request.h"

namespace orv::app {
namespace {

extern "C" void record_stop_signal(int signal) { note_stop_signal(signal); }

}  // namespace

StopSignals::StopSignals() {
  struct sigaction action {};
  action.sa_handler = record_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  ::sigaction(SIGINT, &action, &old_int_);
  ::sigaction(SIGTERM, &action, &old_term_);
  ::sigaction(SIGHUP, &action, &old_hup_);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, &old_pipe_);
}

StopSignals::~StopSignals() {
  ::sigaction(SIGINT, &old_int_, nullptr);
  ::sigaction(SIGTERM, &old_term_, nullptr);
  ::sigaction(SIGHUP, &old_hup_, nullptr);
  ::sigaction(SIGPIPE, &old_pipe_, nullptr);
}

const char* stop_signal_name(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

int stopped_exit_status(int status, bool saved) {
  int signal = stop_signal();
  if (signal == 0) return status;
  std::fprintf(stderr, "orvantis: stopped by %s; %s\n", stop_signal_name(signal),
               saved ? "saved what was made" : "not all that was made could be saved");
  return kStoppedExitStatus;
}

}  // namespace orv::app
