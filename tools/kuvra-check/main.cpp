// kuvra-check: reads equation files exactly as the Kuvra Zlink does and tells what became of every
// line. The Zlink never reports equation errors, so this is where people writing equation files see
// them. Exit status 0 when every line compiled, 1 when any failed, 2 for an unusable argument or a
// file that cannot be read.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "check_file.h"
#include "eqfile/plot_settings.h"
#include "equation/evaluator.h"

namespace {

constexpr const char* usage_text =
    "usage: kuvra-check [--json] [--degrees] FILE...\n"
    "\n"
    "Reads each equation file the way the Kuvra Zlink does and tells what became of every line:\n"
    "its number, its status (0 when it compiled) and what it was: an origin line, a settings\n"
    "line, a statement, or a line that failed, with the reason. Blank lines are not listed.\n"
    "Then the plot settings that the file leaves, starting from the load-time settings.\n"
    "\n"
    "  --json     one JSON object per file: lines, settings, variables and statements\n"
    "  --degrees  evaluate settings lines with the angle factors for degrees (as after a plot in\n"
    "             degrees); by default both factors are 1, as in a fresh process\n"
    "  --help     this text\n"
    "  -          read standard input\n"
    "\n"
    "Exit status: 0 every line compiled, 1 a line failed, 2 an unusable argument or unreadable file.\n";

int usage_error(const char* what, const char* arg) {
  std::fprintf(stderr, "kuvra-check: %s: %s (see kuvra-check --help)\n", what, arg);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  CheckOptions options;
  bool degrees = false;
  std::vector<const char*> files;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!options_done && arg[0] == '-' && arg[1] != '\0') {
      if (std::strcmp(arg, "--") == 0) {
        options_done = true;
      } else if (std::strcmp(arg, "--json") == 0) {
        options.json = true;
      } else if (std::strcmp(arg, "--degrees") == 0) {
        degrees = true;
      } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        std::fputs(usage_text, stdout);
        return 0;
      } else {
        return usage_error("unknown option", arg);
      }
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) {
    std::fputs("kuvra-check: no equation file given (see kuvra-check --help)\n", stderr);
    return 2;
  }

  PlotSettings.use_degrees = degrees ? 1 : 0;
  set_angle_factors();

  int exit_status = 0;
  for (const char* path : files) {
    bool from_stdin = std::strcmp(path, "-") == 0;
    std::FILE* in = from_stdin ? stdin : std::fopen(path, "rb");
    if (in == nullptr) {
      std::fprintf(stderr, "kuvra-check: %s: %s\n", path, std::strerror(errno));
      exit_status = 2;
      continue;
    }
    struct stat info;
    if (!from_stdin && fstat(fileno(in), &info) == 0 && S_ISDIR(info.st_mode)) {
      std::fprintf(stderr, "kuvra-check: %s: %s\n", path, std::strerror(EISDIR));
      std::fclose(in);
      exit_status = 2;
      continue;
    }
    CheckResult result = check_file(in, from_stdin ? "(stdin)" : path, options, stdout);
    if (!from_stdin) std::fclose(in);
    if (result.read_error != 0) {
      std::fprintf(stderr, "kuvra-check: %s: %s\n", path, std::strerror(result.read_error));
      exit_status = 2;
    } else if (result.failed_lines > 0 && exit_status == 0) {
      exit_status = 1;
    }
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "kuvra-check: standard output: %s\n", std::strerror(errno));
    return 2;
  }
  return exit_status;
}
