// The host's run from start to exit. Everything that can be refused (directories, the part file,
// the front end's input, the Zlink) is checked before q_main runs, so a refusal never leaves half a
// session behind; what is written at exit (part file, exports) is written whole or not at all.
#include "app/application.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "app/exports.h"
#include "app/host_paths.h"
#include "app/part_file_lock.h"
#include "app/plot_summary.h"
#include "app/plot_script.h"
#include "app/session.h"
#include "app/stop_signals.h"
#include "core/database.h"
#include "core/failure_text.h"
#include "core/file_services.h"
#include "core/frontend.h"
#include "core/geometry_services.h"
#include "core/host.h"
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

// The Zlink's settings the command line gives, over the host's start values.
void set_globals(const Options& o, HostGlobals& g) {
  if (o.places) g.trace_places = *o.places;
  if (o.tol) g.least_step = *o.tol;
  if (o.chord_dev) g.chord_deviation = *o.chord_dev;
  if (o.color) g.main_color = *o.color;
  if (o.level) g.main_level = *o.level;
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

// Whether the temporary directory takes a file: the trace log is written there, and a plot cannot
// tell when it could not be. Empty when it can; else why not.
std::string temp_dir_unwritable() {
  std::string probe = temp_dir() + ".orvantis-probe-XXXXXX";
  int fd = mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  // A block, as the log's first lines take: a nearly full disk that takes a byte may not take them.
  static const char kBlock[4096] = {};
  // A short write is followed by one more, which says why the rest did not go.
  std::size_t done = 0;
  ssize_t n = 1;
  while (done < sizeof kBlock && n > 0) {
    n = ::write(fd, kBlock + done, sizeof kBlock - done);
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  const bool wrote = done == sizeof kBlock;
  const int why = n == 0 ? ENOSPC : errno;
  ::close(fd);
  ::unlink(probe.c_str());
  return wrote ? std::string() : std::strerror(why);
}

// A transcript is only written over a file that is empty or one (a transcript) that starts as ours.
bool looks_like_transcript(const std::string& path) {
  std::string err;
  int fd = open_regular_file(path, err);
  if (fd < 0) return errno == ENOENT;
  static constexpr char kStart[] = "{\"event\":";
  char head[sizeof kStart - 1] = {};
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  return n == 0 || (n == static_cast<ssize_t>(sizeof head) && std::memcmp(head, kStart, sizeof head) == 0);
}

// True when a window system is there to open a window on.
bool display_available() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
    if (const char* v = std::getenv(name); v != nullptr && *v != '\0') return true;
  return false;
}

}  // namespace

namespace {

int run(Host& host, const Options& options) {
  // A write over the file-size limit then fails with EFBIG, as a full disk does, instead of
  // ending the process with its temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  TempDirCleanup cleanup;
  StopSignals stop_signals;  // SIGINT, SIGTERM and SIGHUP end the session, which still saves what was made
  HostPaths paths = host_paths();
  std::string err;

  if (options.mode == RunMode::Plot && !check_plot_file(options.plot_file, err))
    return refuse(err, kArgumentRefused);
  std::string main_dir = options.main_dir.empty() ? paths.data_dir : absolute(options.main_dir);
  if (!set_main_dir(main_dir, err))
    return refuse("--main-dir: " + err, main_dir_fits(main_dir) ? kRefused : kArgumentRefused);
  if (!options.temp_dir.empty()) {
    // A directory named on the command line must be there: a mistyped name is not made anew.
    struct stat st {};
    if (::stat(options.temp_dir.c_str(), &st) != 0)
      return refuse("--temp-dir: " + options.temp_dir + ": " + std::strerror(errno));
    if (!set_temp_dir(absolute(options.temp_dir), err)) return refuse("--temp-dir: " + err);
  }
  set_globals(options, host.globals);
  host.apply_globals();

  // Only regular files are read or replaced: a device or FIFO named as the part file or a target
  // would be read for ever or block, so it is refused before anything runs.
  if (!options.part.empty() && !regular_or_absent(options.part, err))
    return refuse("--part: " + err, kArgumentRefused);
  for (const ExportTarget& target : options.exports)
    if (!regular_or_absent(target.path, err)) return refuse("--export: " + err, kArgumentRefused);

  // The run's own outputs (the transcript, screen pictures) never go over these.
  clear_protected_paths();
  if (!options.part.empty()) protect_path(options.part, "the part file");
  for (const ExportTarget& target : options.exports) protect_path(target.path, "an export target");
  if (options.mode == RunMode::Plot) protect_path(options.plot_file, "the equation file");

  // Held from reading the part file to saving it: a second run on it is refused here.
  PartFileLock part_lock;
  if (!options.part.empty() && !part_lock.acquire(options.part, err)) return refuse("--part: " + err);

  GeometryDatabase& db = host.database;
  if (!options.part.empty() && file_exists(options.part) && !load_part_file(options.part, db, err))
    return refuse("--part: " + err);

  const std::string temp_problem = temp_dir_unwritable();
  if (!temp_problem.empty())
    std::fprintf(stderr, "orvantis: %s: cannot be written (%s); a trace log cannot be written there\n",
                 temp_dir().c_str(), temp_problem.c_str());

  SessionConfig config;
  config.mode = options.mode;
  config.desktop = use_desktop(options, display_available(), desktop_built());
  config.desktop_chosen = config.desktop && options.front_end == FrontEndChoice::Auto;
  config.script = options.script;
  config.plot_file = options.plot_file;
  config.zlink = options.zlink.empty() ? paths.zlink : options.zlink;
  config.ask_before_leaving = options.part.empty() && options.exports.empty();
  config.exports = export_options(options, "", host.globals);
  // The transcript is the run's, not only the session's: a part file or export that cannot be
  // written at exit is recorded in it too.
  Transcript transcript;
  InstalledTranscript installed_transcript;
  if (!options.transcript.empty()) {
    if (!output_path_allowed(options.transcript, err)) return refuse("--transcript: " + err, kArgumentRefused);
    if (!looks_like_transcript(options.transcript))
      return refuse("--transcript: " + options.transcript + ": not a transcript; not written over", kArgumentRefused);
    if (!transcript.open(options.transcript, err)) return refuse("--transcript: " + err);
    installed_transcript.install(&transcript);
    if (!temp_problem.empty()) transcript.refused("temp_dir", temp_dir() + ": cannot be written (" + temp_problem + ")");
  }
  const PlotStart start = plot_start(db);
  SessionResult result;
  try {
    result = run_session(host, config);
  } catch (...) {
    // Whatever failed, what the database holds is still saved and exported below.
    result.ran = true;
    result.error = failure_text(std::current_exception()) + "; the session was ended";
  }
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
  bool part_saved = false;
  if (!options.part.empty()) {
    try {
      part_saved = save_part_file(options.part, db, err);
    } catch (...) {
      err = options.part + ": cannot write: " + failure_text(std::current_exception());
    }
  }
  if (!options.part.empty() && !part_saved) {
    std::fprintf(stderr, "orvantis: --part: %s\n", err.c_str());
    if (Transcript* t = orv::transcript()) t->refused("save_part_file", err);
    status = 1;
    saved = false;
  } else if (!options.part.empty()) {
    written.push_back(options.part);
  }
  const std::string plotted = options.plot_file.substr(options.plot_file.find_last_of('/') + 1);
  std::vector<std::string> failures;
  try {
    failures = write_exports(options.exports, db, &written, export_options(options, plotted, host.globals));
  } catch (...) {
    failures.push_back("the exports were not all written: " + failure_text(std::current_exception()));
  }
  for (const std::string& failure : failures) {
    std::fprintf(stderr, "orvantis: --export: %s\n", failure.c_str());
    if (Transcript* t = orv::transcript()) t->refused("write_export", failure);
    status = 1;
    saved = false;
  }
  if (options.mode == RunMode::Plot) {
    // Batch tells what it did; a plot that made nothing or had to be excused is not a success.
    std::string made = describe_made(db, start, static_cast<int64_t>(db.marks_made()),
                                     static_cast<int64_t>(db.lines_made()));
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

}  // namespace

int run_application(const Options& options) {
  // The last guard: nothing the run throws ends the process with an abort. What could be saved was
  // saved inside run(); this only tells what went wrong.
  try {
    // The run's state, handed to everything of the run; the shims the Zlink calls reach it as the
    // installed Host.
    Host host;
    UseHost use(host);
    return run(host, options);
  } catch (...) {
    const std::string why = failure_text(std::current_exception());
    std::fprintf(stderr, "orvantis: %s\n", why.c_str());
    return kRefused;
  }
}

}  // namespace orv::app
