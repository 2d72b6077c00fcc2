// One session of the host with a Zlink: the front end that stands for the person (the terminal, the
// desktop window, a script, or the generated script of a batch plot), the transcript, the Zlink
// loaded and checked, and q_main run (once, or `runs` times).
#pragma once
#include <string>
#include "app/command_line.h"
#include "app/exports.h"
#include "core/host.h"

namespace orv::app {

struct SessionConfig {
  RunMode mode = RunMode::Terminal;
  bool desktop = false;    // the desktop window (Terminal mode: instead of the terminal; Script
                           // mode: driven by the script)
  bool desktop_chosen = false;  // the window was chosen, not forced: the terminal stands in for it
                                // when it cannot be opened
  std::string script;      // Script mode: the script path, "-" for standard input
  std::string plot_file;   // Plot mode: the equation file
  std::string zlink;       // the Zlink to load
  std::string transcript;  // empty: none
  int runs = 1;            // times q_main runs in the one loaded Zlink (a second run sees what the
                           // first left in the Zlink's memory, as a second use in one host would)
  // Terminal: ask before leaving while geometry made in the session is neither exported nor saved
  // (nothing else keeps it: no part file, no exports); going back runs q_main again.
  bool ask_before_leaving = false;
  ExportOptions exports;   // files written by the front end's export command
};

struct SessionResult {
  bool ran = false;    // the Zlink was loaded and q_main ran
  int q_main = 0;      // what the last q_main returned
  int messages = 0;    // message boxes a batch plot closed unseen
  std::string error;   // why it did not run, or what went wrong with the input while it ran
};

/// Runs the session on `host` (installed for its shims by the caller).
SessionResult run_session(Host& host, const SessionConfig& config);

/// True when this host was built with the desktop window.
bool desktop_built();

}  // namespace orv::app
