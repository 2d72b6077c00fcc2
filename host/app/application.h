// One run of the host: set the directories and globals, read the part file, install the front end,
// load the Zlink and run q_main once, then save the part file and write the exports.
#pragma once
#include "app/command_line.h"

namespace orv::app {

/// Runs the host as `options` ask. Returns the process's exit status: 0 when the Zlink ran
/// (whatever q_main returned), otherwise non-zero after one line on standard error.
int run_application(const Options& options);

}  // namespace orv::app
