// The host's run from start to exit. Everything that can be refused (directories, the part file,
// the front end's input, the Zlink) is checked before q_main runs, so a refusal never leaves half a
// session behind; what is written at exit (part file, exports) is written whole or not at all.
#include "app/application.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "app/exports.h"
#include "app/host_paths.h"
#include "app/session.h"
#include "core/database.h"
#include "core/file_services.h"
#include "core/part_file.h"
#include "geometry/host_geometry.h"

namespace orv::app {
namespace {

// Exit status of a run refused before the Zlink ran because a path named on the command line
// cannot be used as a file at all.
constexpr int kUnusablePathStatus = 2;

int refuse(const std::string& why, int status = 1) {
  std::fprintf(stderr, "orvantis: %s\n", why.c_str());
  return status;
}

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

}  // namespace

int run_application(const Options& options) {
  HostPaths paths = host_paths();
  std::string err;

  std::string main_dir = options.main_dir.empty() ? paths.data_dir : absolute(options.main_dir);
  if (!set_main_dir(main_dir, err)) return refuse("--main-dir: " + err);
  if (!options.temp_dir.empty() && !set_temp_dir(absolute(options.temp_dir), err))
    return refuse("--temp-dir: " + err);
  apply_globals(options);

  // Only regular files are read or replaced: a device or FIFO named as the part file or a target
  // would be read for ever or block, so it is refused before anything runs.
  if (!options.part.empty() && !regular_or_absent(options.part, err))
    return refuse("--part: " + err, kUnusablePathStatus);
  for (const ExportTarget& target : options.exports)
    if (!regular_or_absent(target.path, err)) return refuse("--export: " + err, kUnusablePathStatus);

  GeometryDatabase& db = database();
  if (!options.part.empty() && file_exists(options.part) && !load_part_file(options.part, db, err))
    return refuse("--part: " + err);

  SessionConfig config;
  config.mode = options.mode;
  config.script = options.script;
  config.plot_file = options.plot_file;
  config.zlink = options.zlink.empty() ? paths.zlink : options.zlink;
  config.transcript = options.transcript;
  SessionResult result = run_session(config);
  if (!result.ran) return refuse(result.error);

  int status = 0;
  if (!result.error.empty()) {
    // The Zlink ran, but the session's input went wrong (a script line that could not be carried
    // out): still save what was made, then report it.
    std::fprintf(stderr, "orvantis: %s\n", result.error.c_str());
    status = 1;
  }
  if (!options.part.empty() && !save_part_file(options.part, db, err)) {
    std::fprintf(stderr, "orvantis: --part: %s\n", err.c_str());
    status = 1;
  }
  for (const std::string& failure : write_exports(options.exports, db)) {
    std::fprintf(stderr, "orvantis: --export: %s\n", failure.c_str());
    status = 1;
  }
  return status;
}

}  // namespace orv::app
