// The session: checks first (the input can be had, the Zlink loads and answers the version),
// then the front end is installed, q_main runs (once, unless a test asks for more), and everything
// is put back in reverse order. The terminal is taken over only after the Zlink loaded, so a
// refusal is printed on a normal terminal.
#include "app/session.h"

#include <unistd.h>

#include <cstdio>

#include "app/exports.h"
#include "app/plot_script.h"
#include "core/database.h"
#include "core/frontend.h"
#include "core/plot_report.h"
#include "exchange/export_formats.h"
#include "frontend/script_front_end.h"
#include "frontend/terminal_canvas.h"
#include "frontend/terminal_frontend.h"
#include "frontend/terminal_screen.h"
#include "platform/event_loop.h"
#include "platform/transcript.h"
#include "platform/zlink_loader.h"
#include "view/scene.h"
#ifdef ORV_HAVE_DESKTOP
#include "desktop/desktop_front_end.h"
#endif

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

// The graphics window as text, above the windows in a script's screen picture.
std::string graphics_text() {
  constexpr int kCols = 60, kRows = 15;
  view::Scene scene = view::make_scene(database());
  frontend::BrailleCanvas canvas(kCols, kRows);
  frontend::draw_scene(canvas, scene);
  std::string text = "Graphics: " + view::scene_caption(scene) + "\n";
  for (int r = 0; r < canvas.rows(); ++r) text += canvas.row_text(r) + "\n";
  return text;
}

// Writes the database to a path the person typed, the format by its extension.
bool export_typed(const std::string& path, std::string& why, const view::PictureOptions& picture) {
  std::optional<ExportFormat> format = export_format_for(path);
  if (!format) {
    why = path;
    why += ": the format is chosen by the extension: ";
    why += exchange::export_extensions(", ");
    return false;
  }
  return write_export({path, *format}, database(), why, picture);
}

#ifdef ORV_HAVE_DESKTOP
// The window's default size, in pixels.
constexpr int kDesktopWidth = 1280, kDesktopHeight = 800;

// The session in the desktop window, driven by the person or by `script` (null: the person).
void run_desktop(const SessionConfig& config, Zlink& zlink, frontend::ScriptFrontEnd* script, Installed& installed,
                 SessionResult& result) {
  desktop::DesktopWindow window;
  std::string err;
  if (!window.open(kDesktopWidth, kDesktopHeight, "Orvantis", err)) {
    result.error = "the desktop window: " + err;
    return;
  }
  desktop::DesktopFrontEnd desk(window, database());
  desk.set_script(script);
  if (!script) {
    desk.set_exporter([&config](const std::string& path, std::string& why) {
      return export_typed(path, why, config.picture);
    });
  }
  installed.input(&desk, &desk);
  for (int i = 0; i < config.runs; ++i) result.q_main = zlink.run();
  while (!script && config.ask_before_leaving && desk.unsaved() &&
         desk.ask_before_leaving() == desktop::DesktopFrontEnd::LeaveChoice::Back) {
    result.q_main = zlink.run();
  }
  result.ran = true;
  finish_plot_report();
  flush_refusals();
  install_input_source(nullptr);
  install_front_end(nullptr);
}
#endif

}  // namespace

bool desktop_built() {
#ifdef ORV_HAVE_DESKTOP
  return true;
#else
  return false;
#endif
}

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

  // The person's input, checked (and a script read) before anything runs.
  frontend::ScriptFrontEnd script;
  std::string err;
  if (config.mode == RunMode::Terminal) {
    if (!config.desktop && (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO))) {
      result.error = "standard input is not a terminal: give --script FILE (- for standard input) or plot FILE.eqn";
      return result;
    }
  } else if (config.mode == RunMode::Plot) {
    if (!check_plot_file(config.plot_file, result.error)) return result;
    std::string text;
    if (!make_plot_script(config.plot_file, text, result.error)) return result;
    if (!script.load_text(text, "plot", err)) {
      result.error = err;
      return result;
    }
    script.set_auto_dismiss(true);
  } else {
    if (!script.load(config.script, err)) {
      result.error = "--script: " + err;
      return result;
    }
  }

  Zlink zlink;
  if (!zlink.load(config.zlink, err)) {
    result.error = "--zlink: " + err;
    return result;
  }

  bool use_terminal = config.mode == RunMode::Terminal && !config.desktop;
  if (config.desktop) {
#ifdef ORV_HAVE_DESKTOP
    frontend::ScriptFrontEnd* driver = config.mode == RunMode::Script ? &script : nullptr;
    script.set_screen_header(graphics_text);  // a screen line's text picture, as headless
    run_desktop(config, zlink, driver, installed, result);
    if (driver && result.ran) {
      script.finish();
      if (script.failed()) result.error = script.error();
    }
    // A window chosen because a display seemed to be there, that could not be opened: the
    // terminal, when there is one, rather than nothing.
    if (!result.ran && config.desktop_chosen && ::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO)) {
      std::fprintf(stderr, "orvantis: %s; using the terminal\n", result.error.c_str());
      result.error.clear();
      use_terminal = true;
    }
#else
    result.error = "--desktop: this orvantis was built without the desktop window (libimgui-dev, libglfw3-dev)";
#endif
  }
  if (use_terminal) {
    frontend::TerminalScreen screen;
    if (!screen.open(err)) {
      result.error = "the terminal: " + err;
      return result;
    }
    frontend::TerminalFrontEnd terminal(screen, database());
    terminal.set_exporter([&config](const std::string& path, std::string& why) {
      return export_typed(path, why, config.picture);
    });
    installed.input(&terminal, &terminal);
    for (int i = 0; i < config.runs; ++i) result.q_main = zlink.run();
    while (config.ask_before_leaving && terminal.unsaved() &&
           terminal.ask_before_leaving() == frontend::TerminalFrontEnd::LeaveChoice::Back) {
      screen.forget_quit();  // the Ctrl+C that ended the run is answered: the person stays
      result.q_main = zlink.run();
    }
    result.ran = true;
    finish_plot_report();  // told while the front end still listens
    flush_refusals();
    install_input_source(nullptr);
    install_front_end(nullptr);
    screen.close();
  } else if (!config.desktop) {
    script.set_screen_header(graphics_text);
    installed.input(&script, &script);
    for (int i = 0; i < config.runs; ++i) result.q_main = zlink.run();
    result.ran = true;
    finish_plot_report();  // told while the front end still listens
    flush_refusals();  // a run of refusals still being counted is told while the front end listens
    install_input_source(nullptr);
    install_front_end(nullptr);
    // A batch plot's own lines may go unused when the Zlink refuses the file; the plot's result
    // tells that. A user's script that goes on past the Zlink's end expected something else.
    if (config.mode == RunMode::Script) script.finish();
    result.messages = script.dismissed_messages();
    if (script.failed()) result.error = script.error();
  }
  zlink.unload();
  return result;
}

}  // namespace orv::app
