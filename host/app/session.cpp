// The session: checks first (the input can be had, the Zlink loads and answers the version), then
// the front end is installed, q_main runs once, and everything is put back in reverse order. The
// terminal is taken over only after the Zlink loaded, so a refusal is printed on a normal terminal.
#include "app/session.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/plot_script.h"
#include "core/database.h"
#include "core/frontend.h"
#include "frontend/terminal_frontend.h"
#include "frontend/terminal_screen.h"
#include "platform/event_loop.h"
#include "platform/transcript.h"
#include "platform/zlink_loader.h"

namespace orv::app {
namespace {

// Puts the installed transcript, input source and front end back as they were on every way out.
class Installed {
 public:
  ~Installed() {
    if (front_end_set_) install_front_end(old_front_end_);
    if (input_set_) install_input_source(old_input_);
    if (transcript_set_) install_transcript(old_transcript_);
  }
  void transcript(Transcript* t) {
    old_transcript_ = install_transcript(t);
    transcript_set_ = true;
  }
  void input(InputSource* s, FrontEnd* f) {
    old_input_ = install_input_source(s);
    input_set_ = true;
    old_front_end_ = install_front_end(f);
    front_end_set_ = true;
  }

 private:
  Transcript* old_transcript_ = nullptr;
  InputSource* old_input_ = nullptr;
  FrontEnd* old_front_end_ = nullptr;
  bool transcript_set_ = false, input_set_ = false, front_end_set_ = false;
};

bool readable(const std::string& path) {
  std::ifstream in(path);
  return in.good();
}

}  // namespace

SessionResult run_session(const SessionConfig& config) {
  SessionResult result;
  Installed installed;

  Transcript transcript;
  if (!config.transcript.empty()) {
    std::string err;
    if (!transcript.open(config.transcript, err)) {
      result.error = "--transcript: " + err;
      return result;
    }
    installed.transcript(&transcript);
  }

  // The person's input, checked before anything runs.
  std::string script_text;
  if (config.mode == RunMode::Terminal) {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) {
      result.error = "standard input is not a terminal: give --script FILE (- for standard input) or plot FILE.eqn";
      return result;
    }
  } else if (config.mode == RunMode::Plot) {
    if (!readable(config.plot_file)) {
      result.error = "plot: " + config.plot_file + ": cannot be read";
      return result;
    }
    if (!make_plot_script(config.plot_file, script_text, result.error)) return result;
  }

  Zlink zlink;
  std::string err;
  if (!zlink.load(config.zlink, err)) {
    result.error = "--zlink: " + err;
    return result;
  }

  if (config.mode == RunMode::Terminal) {
    frontend::TerminalScreen screen;
    if (!screen.open(err)) {
      result.error = "the terminal: " + err;
      return result;
    }
    frontend::TerminalFrontEnd terminal(screen, database());
    installed.input(&terminal, &terminal);
    result.q_main = zlink.run();
    result.ran = true;
    install_input_source(nullptr);
    install_front_end(nullptr);
    screen.close();
  } else {
    result.error = "headless scripts are not available in this build";
    return result;
  }
  zlink.unload();
  return result;
}

}  // namespace orv::app
