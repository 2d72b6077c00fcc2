// The session: checks first (the input can be had, the Zlink loads and answers the version),
// then the front end is made, and one run sequence, the same for every front end, installs it,
// runs q_main (once, unless a test asks for more) and puts everything back in reverse order. The
// terminal is taken over only after the Zlink loaded, so a refusal is printed on a normal terminal.
#include "app/session.h"

#include <unistd.h>

#include <cstdio>
#include <functional>

#include "app/exports.h"
#include "app/plot_script.h"
#include "core/database.h"
#include "core/frontend.h"
#include "core/live_edit.h"
#include "core/plot_report.h"
#include "core/recent_files.h"
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

// Puts the installed transcript and front end back as they were on every way out.
class Installed {
 public:
  ~Installed() {
    if (front_end_set_) {
      install_front_end(old_front_end_);
      install_input_source(old_input_);
    }
    if (transcript_set_) install_transcript(old_transcript_);
  }
  void transcript(Transcript* t) {
    old_transcript_ = install_transcript(t);
    transcript_set_ = true;
  }
  /// The front end serves the host's requests and is the window system's input.
  void front_end(FrontEnd* f) {
    old_input_ = install_input_source(f);
    old_front_end_ = install_front_end(f);
    front_end_set_ = true;
  }
  /// Nothing serves the requests or feeds the window system any more.
  void no_front_end() {
    install_input_source(nullptr);
    install_front_end(nullptr);
  }

 private:
  Transcript* old_transcript_ = nullptr;
  InputSource* old_input_ = nullptr;
  FrontEnd* old_front_end_ = nullptr;
  bool transcript_set_ = false, front_end_set_ = false;
};

// The graphics window as text, above the windows in a script's screen picture.
std::string graphics_text(const GeometryDatabase& db) {
  constexpr int kCols = 60, kRows = 15;
  view::Scene scene = view::make_scene(db);
  frontend::BrailleCanvas canvas(kCols, kRows);
  frontend::draw_scene(canvas, scene);
  std::string text = "Graphics: " + view::scene_caption(scene) + "\n";
  for (int r = 0; r < canvas.rows(); ++r) text += canvas.row_text(r) + "\n";
  return text;
}

// Writes the database to a path the person typed, the format by its extension.
bool export_typed(const GeometryDatabase& db, const std::string& path, std::string& why, const ExportOptions& options) {
  std::optional<ExportFormat> format = export_format_for(path);
  if (!format) {
    why = path;
    why += ": the format is chosen by the extension: ";
    why += exchange::export_extensions(", ");
    return false;
  }
  return write_export({path, *format}, db, why, options);
}

// The one run of the Zlink, whatever front end stands for the person: installed, q_main run
// (`runs` times, and again while the person goes back to it before leaving), the plot's report
// and the refusals still being counted told while the front end listens, then taken out.
// `on_screen` (when given) makes the export options the person's view asks for.
void run_with(Host& host, FrontEnd& front_end, const SessionConfig& config, Zlink& zlink,
              Installed& installed, SessionResult& result,
              const std::function<ExportOptions(ExportOptions)>& on_screen = {}) {
  front_end.set_exporter([&host, &config, on_screen](const std::string& path, std::string& why) {
    return export_typed(host.database, path, why, on_screen ? on_screen(config.exports) : config.exports);
  });
  installed.front_end(&front_end);
  for (int i = 0; i < config.runs; ++i) result.q_main = zlink.run();
  while (config.ask_before_leaving && front_end.goes_back_before_leaving()) result.q_main = zlink.run();
  result.ran = true;
  finish_plot_report();
  flush_refusals();
  installed.no_front_end();
  InputOutcome outcome = front_end.input_finished();
  result.messages = outcome.dismissed;
  if (!outcome.error.empty()) result.error = outcome.error;
}

#ifdef ORV_HAVE_DESKTOP
// The window's default size, in pixels.
constexpr int kDesktopWidth = 1280, kDesktopHeight = 800;

// The session in the desktop window, driven by the person or by `script` (null: the person).
void run_desktop(Host& host, const SessionConfig& config, Zlink& zlink, frontend::ScriptFrontEnd* script,
                 Installed& installed, SessionResult& result) {
  desktop::DesktopWindow window;
  std::string err;
  if (!window.open(kDesktopWidth, kDesktopHeight, "Orvantis", err)) {
    result.error = "the desktop window: " + err;
    return;
  }
  desktop::DesktopFrontEnd desk(window, host.database, host.windows);
  desk.set_script(script);
  if (!script) {
    keep_recent_files(true);  // a person's choices; scripted runs leave the list alone
    live_edit().set_enabled(config.live);
  }
  // A picture exported from the window shows the view on screen, titled with the equation file.
  run_with(host, desk, config, zlink, installed, result, [&desk](ExportOptions options) {
    options.picture = desk.picture_of_view(options.picture);
    return options;
  });
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

SessionResult run_session(Host& host, const SessionConfig& config) {
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
  frontend::ScriptFrontEnd script(host.windows);
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
    script.set_every_line_expected(false);  // the file's refusal leaves the plot's own lines unused
  } else {
    if (!script.load(config.script, err)) {
      result.error = "--script: " + err;
      return result;
    }
  }

  Zlink zlink(host.windows);
  if (!zlink.load(config.zlink, err)) {
    result.error = "--zlink: " + err;
    return result;
  }

  bool use_terminal = config.mode == RunMode::Terminal && !config.desktop;
  if (config.desktop) {
#ifdef ORV_HAVE_DESKTOP
    frontend::ScriptFrontEnd* driver = config.mode == RunMode::Script ? &script : nullptr;
    script.set_screen_header([&host] { return graphics_text(host.database); });  // a screen line's text picture, as headless
    run_desktop(host, config, zlink, driver, installed, result);
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
    frontend::TerminalFrontEnd terminal(screen, host.database, host.windows);
    keep_recent_files(true);
    live_edit().set_enabled(config.live);
    run_with(host, terminal, config, zlink, installed, result);
    screen.close();
  } else if (!config.desktop) {
    script.set_screen_header([&host] { return graphics_text(host.database); });
    run_with(host, script, config, zlink, installed, result);
  }
  zlink.unload();
  return result;
}

}  // namespace orv::app
