// The host's run from start to exit. Everything that can be refused (directories, the part file,
// the front end's input, the Zlink) is checked before q_main runs, so a refusal never leaves half a
// session behind; what is written at exit (part file, exports) is written whole or not at all.
#include "app/application.h"

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "app/exports.h"
#include "app/host_paths.h"
#include "app/plot_summary.h"
#include "app/plot_script.h"
#include "app/session.h"
#include "app/stop_signals.h"
#include "core/database.h"
#include "core/file_services.h"
#include "core/frontend.h"
#include "core/geometry_services.h"
#include "core/plot_report.h"
#include "core/part_file.h"
#include "orvantis/host_geometry.h"
#include "platform/transcript.h"

namespace orv::app {
namespace {

/// Exit status of a refused command-line argument (a file or directory that cannot be used).
constexpr int kArgumentRefused = 2;
/// Exit status of any other refusal before the Zlink ran.
constexpr int kRefused = 1;

int refuse(const std::string& why, int status = kRefused) {
  std::fprintf(stderr, "orvantis: %s\n", why.c_str());
  return status;
}

// The private temporary directory made under a fresh name for this run goes when the run ends.
struct TempDirCleanup {
  ~TempDirCleanup() { remove_made_temp_dirs(); }
};

// Directories are kept absolute, so that paths the Zlink builds from them stay valid whatever the
// current directory of a program the host starts (the editor).
std::string absolute(const std::string& dir) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(dir, ec);
  return ec ? dir : p.string();
}

bool file_exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

void apply_globals(const Options& o) {
  if (o.places) n_places_an = *o.places;
  if (o.tol) tol = *o.tol;
  if (o.chord_dev) surf_step_chord_dev = *o.chord_dev;
  if (o.color) main_color = *o.color;
  if (o.level) main_level = *o.level;
}

// Installs a transcript for the rest of the run and puts the one before back on every way out.
class InstalledTranscript {
 public:
  ~InstalledTranscript() {
    if (set_) install_transcript(old_);
  }
  void install(Transcript* t) {
    old_ = install_transcript(t);
    set_ = true;
  }

 private:
  Transcript* old_ = nullptr;
  bool set_ = false;
};

// True when a window system is there to open a window on.
bool display_available() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
    if (const char* v = std::getenv(name); v != nullptr && *v != '\0') return true;
  return false;
}

}  // namespace

int run_application(const Options& options) {
  // A write over the file-size limit then fails with EFBIG, as a full disk does, instead of
  // ending the process with its temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  TempDirCleanup cleanup;
  StopSignals stop_signals;  // SIGINT and SIGTERM end the session, which still saves what was made
  HostPaths paths = host_paths();
  std::string err;

  if (options.mode == RunMode::Plot && !check_plot_file(options.plot_file, err))
    return refuse(err, kArgumentRefused);
  std::string main_dir = options.main_dir.empty() ? paths.data_dir : absolute(options.main_dir);
  if (!set_main_dir(main_dir, err))
    return refuse("--main-dir: " + err, main_dir_fits(main_dir) ? kRefused : kArgumentRefused);
  if (!options.temp_dir.empty() && !set_temp_dir(absolute(options.temp_dir), err))
    return refuse("--temp-dir: " + err);
  apply_globals(options);

  // Only regular files are read or replaced: a device or FIFO named as the part file or a target
  // would be read for ever or block, so it is refused before anything runs.
  if (!options.part.empty() && !regular_or_absent(options.part, err))
    return refuse("--part: " + err, kArgumentRefused);
  for (const ExportTarget& target : options.exports)
    if (!regular_or_absent(target.path, err)) return refuse("--export: " + err, kArgumentRefused);

  GeometryDatabase& db = database();
  if (!options.part.empty() && file_exists(options.part) && !load_part_file(options.part, db, err))
    return refuse("--part: " + err);

  SessionConfig config;
  config.mode = options.mode;
  config.desktop = use_desktop(options, display_available(), desktop_built());
  config.desktop_chosen = config.desktop && options.front_end == FrontEndChoice::Auto;
  config.script = options.script;
  config.plot_file = options.plot_file;
  config.zlink = options.zlink.empty() ? paths.zlink : options.zlink;
  config.ask_before_leaving = options.part.empty() && options.exports.empty();
  config.picture = picture_options(options, "");
  // The transcript is the run's, not only the session's: a part file or export that cannot be
  // written at exit is recorded in it too.
  Transcript transcript;
  InstalledTranscript installed_transcript;
  if (!options.transcript.empty()) {
    if (!transcript.open(options.transcript, err)) return refuse("--transcript: " + err);
    installed_transcript.install(&transcript);
  }
  const PlotStart start = plot_start(db);
  SessionResult result = run_session(config);
  if (!result.ran) return refuse(result.error);

  int status = 0;
  if (!result.error.empty()) {
    // The Zlink ran, but the session's input went wrong (a script line that could not be carried
    // out): still save what was made, then report it.
    std::fprintf(stderr, "orvantis: %s\n", result.error.c_str());
    status = 1;
  }
  std::vector<std::string> written;
  bool saved = true;
  if (!options.part.empty() && !save_part_file(options.part, db, err)) {
    std::fprintf(stderr, "orvantis: --part: %s\n", err.c_str());
    if (Transcript* t = orv::transcript()) t->refused("save_part_file", err);
    status = 1;
    saved = false;
  } else if (!options.part.empty()) {
    written.push_back(options.part);
  }
  const std::string plotted = options.plot_file.substr(options.plot_file.find_last_of('/') + 1);
  for (const std::string& failure :
       write_exports(options.exports, db, &written, picture_options(options, plotted))) {
    std::fprintf(stderr, "orvantis: --export: %s\n", failure.c_str());
    if (Transcript* t = orv::transcript()) t->refused("write_export", failure);
    status = 1;
    saved = false;
  }
  if (options.mode == RunMode::Plot) {
    // Batch tells what it did; a plot that made nothing or had to be excused is not a success.
    std::string made = describe_made(db, start, marks_drawn(), screen_lines_drawn());
    std::printf("orvantis: %s\n", summary_line(options.plot_file, made, written).c_str());
    std::fflush(stdout);
    // A plot that ended early, skipped steps, dropped grid rows or was refused for its size, and a
    // file with lines not read, have been told on standard error and are not clean either.
    bool clean = !made.empty() && result.messages == 0 && refusal_count() == start.refusals &&
                 last_plot_report().issues.empty() && last_read_report().not_read == 0;
    if (status == 0 && !clean) status = kExitPlotNotClean;
  }
  return stopped_exit_status(status, saved);
}

}  // namespace orv::app
