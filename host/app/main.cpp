// orvantis: the host that runs a Zlink (by default Kuvra) in the terminal, from a script, or as a
// batch plot. main() only turns the command line into options and the run into an exit status.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "core/failure_text.h"

namespace {

int run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  orv::app::Options options;
  std::string err;
  if (!orv::app::parse_command_line(args, options, err)) {
    std::fprintf(stderr, "orvantis: %s\n", err.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(orv::app::help_text().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(orv::app::version_text().c_str(), stdout);
    return 0;
  }
  return orv::app::run_application(options);
}

}  // namespace

// The run catches what it can recover from and saves; what escapes it (memory running out while
// the command line is read) still ends with a reason and status 1, never an abort.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (...) {
    std::fprintf(stderr, "orvantis: %s\n", orv::failure_text(std::current_exception()).c_str());
  }
  return 1;
}
