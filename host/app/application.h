// One run of the host: set the directories and globals, read the part file, install the front end,
// load the Zlink and run q_main once, then save the part file and write the exports.
#pragma once
#include "app/command_line.h"

namespace orv::app {

/// Runs the host as `options` ask. Returns the process's exit status: 0 when the Zlink ran
/// (whatever q_main returned), otherwise non-zero after one line on standard error. A batch plot
/// also prints what it made on standard output and returns kExitPlotNotClean when it made nothing,
/// raised a message box or had a refusal (a failure to write, 1, comes first).
int run_application(const Options& options);

}  // namespace orv::app
