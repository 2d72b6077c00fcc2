// kuvra-check: reads equation files exactly as the Kuvra Zlink does, plots them in a dry run through
// the Zlink's own plotters, and tells what became of every line, which lines will not do what was
// meant, which steps fail and what the host would refuse. The Zlink never reports equation errors,
// so this is where people writing equation files see them.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check_file.h"
#include "text_file.h"

#ifndef KUVRA_VERSION
#define KUVRA_VERSION "unknown"
#endif

namespace {

constexpr const char* usage_text =
    "usage: kuvra-check [OPTIONS] FILE...\n"
    "\n"
    "Reads each equation file the way the Kuvra Zlink does and tells what became of every line:\n"
    "an origin line, a settings line, a statement, or a line that failed, with the reason in words\n"
    "and its status number. Blank lines are not listed. Then the warnings: lines that read without\n"
    "error but will not do what was meant (\"sin t\" is the variable sint, \"1e+5\" is 6, \"-x^2\"\n"
    "squares the negation, a keyword in the wrong case, a variable no line assigns, a line that\n"
    "assigns nothing or assigns pi or e, a tab inside a name, a line longer than 200 characters,\n"
    "a number token read only in part (\"2x\" is 2, \"2e-3-t\" is 0.002, \"1E-3\" is 1 - 3), other\n"
    "languages' forms (\"x(t) = ...\", \"sinn(t)\", \"//\", \";\", \"**\", \"geometry = surface\"), and\n"
    "a range meant in radians plotted in degrees), each with its line, column, token and fix.\n"
    "Then the plot settings the file leaves, starting from the load-time settings.\n"
    "\n"
    "Then a dry run: \"Plot it\" as the Zlink does it, with the file's settings, through the Zlink's\n"
    "own plotting code and a host that only records. It tells the number of steps and points (grid\n"
    "points), for each statement that fails at some point the first such point with the step\n"
    "variables' values and whether the plot ends there or skips the point (and what a surface\n"
    "keeps: its complete rows before the first failed point), what the plot would make (points,\n"
    "lines, a spline through N points, a surface through a grid of R x C, marks on the screen) and\n"
    "what the host would refuse (a spline of more than 32,000 steps, a grid too large, a coordinate\n"
    "that is not finite, a curve whose points all coincide, a grid with no area, a missing step\n"
    "variable, a coordinate named but never given a value). A dry run executes at most 1,000,000\n"
    "points and then says where it stopped.\n"
    "\n"
    "  --json        one JSON object per file: lines, warnings, settings, variables, statements\n"
    "                and the dry run (\"dry_run\": steps, failures, makes, refusals)\n"
    "  --degrees     evaluate settings lines with the angle factors for degrees (as after a plot in\n"
    "                degrees); by default both factors are 1, as in a fresh process\n"
    "  --no-dry-run  read the file only\n"
    "  --accuracy    after the dry run, fit the plotted points as the host does and measure how far\n"
    "                the fit strays from the equation between the steps (spline, nurbs, lines,\n"
    "                parametric_surf, nurbs_surf): the largest distance and where, the mean, and\n"
    "                a statement that fails between two steps that both succeed\n"
    "  --tol X       with --accuracy: the largest distance allowed; advises the largest step size\n"
    "                that meets it, found by measuring, and exits 1 when the file's own step misses\n"
    "  --chord-dev X the host's knot reduction tolerance for NURB curves (default 0.001)\n"
    "  --strict      warnings count as problems (exit status 1)\n"
    "  --version     the version\n"
    "  --help        this text\n"
    "  -             read standard input\n"
    "\n"
    "Only regular files (and standard input) are read, and only text: a directory, a device, a\n"
    "FIFO or a file holding NUL bytes or mostly unprintable bytes is refused.\n"
    "\n"
    "Exit status: 0 every line read and the dry run found no failing step and no refusal;\n"
    "1 a line failed, a step failed, or the plot or the host would refuse something (with --strict,\n"
    "also a warning; with --tol, the file's step misses it); 2 an unusable argument, or a file that cannot be read or is not a text file.\n";

int usage_error(const char* what, const char* arg) {
  std::fprintf(stderr, "kuvra-check: %s: %s (see kuvra-check --help)\n", what, arg);
  return 2;
}

// A finite number above 0, read whatever the locale.
bool parse_positive(const char* text, double* value) {
  const char* end = text + std::strlen(text);
  auto result = std::from_chars(text, end, *value);
  return result.ec == std::errc() && result.ptr == end && std::isfinite(*value) && *value > 0;
}

}  // namespace

int main(int argc, char** argv) {
  CheckOptions options;
  bool strict = false;
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
        options.degrees = true;
      } else if (std::strcmp(arg, "--no-dry-run") == 0) {
        options.dry_run = false;
      } else if (std::strcmp(arg, "--accuracy") == 0) {
        options.accuracy = true;
      } else if (std::strcmp(arg, "--tol") == 0 || std::strcmp(arg, "--chord-dev") == 0) {
        const bool is_tol = arg[2] == 't';
        if (i + 1 >= argc) return usage_error("a number must follow", arg);
        double value = 0;
        if (!parse_positive(argv[++i], &value)) return usage_error("not a positive number", argv[i]);
        (is_tol ? options.tol : options.chord_dev) = value;
        if (is_tol) options.accuracy = true;  // a tolerance is only ever compared with a measure
      } else if (std::strcmp(arg, "--strict") == 0) {
        strict = true;
      } else if (std::strcmp(arg, "--version") == 0) {
        std::printf("kuvra-check %s\n", KUVRA_VERSION);
        return 0;
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

  int exit_status = 0;
  for (const char* path : files) {
    const bool from_stdin = std::strcmp(path, "-") == 0;
    std::string error;
    std::FILE* in = open_text_file(path, &error);
    if (in == nullptr) {
      std::fprintf(stderr, "kuvra-check: %s: %s\n", from_stdin ? "(stdin)" : path, error.c_str());
      exit_status = 2;
      continue;
    }
    CheckResult result = check_file(in, from_stdin ? "(stdin)" : path, options, stdout);
    if (in != stdin) std::fclose(in);
    int status = 0;
    if (result.read_error != 0) {
      std::fprintf(stderr, "kuvra-check: %s: %s\n", path, std::strerror(result.read_error));
      status = 2;
    } else if (result.failed_lines > 0 || result.dry_run_failed || result.accuracy_missed ||
               (strict && result.warnings > 0)) {
      status = 1;
    }
    if (status > exit_status) exit_status = status;
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "kuvra-check: standard output: %s\n", std::strerror(errno));
    return 2;
  }
  return exit_status;
}
