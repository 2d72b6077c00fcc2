// One use of the plug-in from the host's call to the write-back: the exported entry points and the
// driver that runs the main dialog inside the host's event loop.
#pragma once
#include "equation/program.h"

extern "C" {
/// The host-interface version the plug-in was built for: 1200.
int q_version();
/// One run: prompt, read, dialog, write-back after OK, release. 1 when the dialog ran, 0 when the
/// prompt was cancelled or the chosen file could not be opened.
int q_main();
}

constexpr int kuvra_host_version = 1200;

/// Runs the main dialog modeless until OK, Cancel or the end of the host's events. `path` (256
/// bytes) and `head` go in and come back as the dialog's current path and list (Open file and Edit
/// equation may replace both). True when the dialog ended with OK.
bool run_plot_dialog(char* path, Statement** head);

/// Builds the default equation-file path, main directory + "ZLINKS\kuvra.eqn", into `path` (256
/// bytes); the empty text when the main directory is too long for the buffer.
void build_default_path(char* path);
