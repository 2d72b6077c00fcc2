// The trace log (every variable's value at every step of one plot, shown to the user afterwards) and
// the warning for a step variable that no equation mentions. Texts come from the string table.
#pragma once
#include <cstdio>

#include "equation/program.h"

constexpr int log_path_limit = 259;          // longest log path; a longer one means no log
constexpr int log_path_size = log_path_limit + 1;  // bytes of a log path buffer
constexpr int temp_dir_limit = 255;          // the temporary directory's text is cut to this
inline constexpr const char* log_file_name = "kuvra.log";
inline constexpr const char* undefined_marker = "undefined";  // a variable that has no value yet

// String-table entries of the log and the warning; the string table (dialogs/kuvra_resources.cpp)
// checks them against its own ids.
constexpr unsigned string_angles = 12;        // "Angles :"
constexpr unsigned string_radians = 13;       // " Radians"
constexpr unsigned string_degrees = 14;       // " Degrees"
constexpr unsigned string_step = 15;          // " step = "
constexpr unsigned string_warning = 16;       // "Warning"
constexpr unsigned string_not_found = 17;     // "not found in equation"

/// Fills `path` (log_path_size bytes) with the host's temporary directory, cut to 255 characters, followed by
/// "kuvra.log". Returns false, leaving the empty text, when that would exceed 259 characters.
bool build_log_path(char* path);

/// Creates the log at `path` and writes its header: the live statements' texts, one range line per
/// step variable (two for surface kinds), the angle unit. Null, with nothing written, on failure.
FILE* open_trace_log(const char* path, const Statement* head);

/// What every plot does first: builds the log path and, when the trace is on, opens the log with its
/// header. Null when the trace is off or the log cannot be made; the plot goes on either way.
FILE* start_plot_log(char* path, const Statement* head);

/// What every plot does last: closes an open log and shows it to the user. Nothing for a null log.
void finish_plot_log(FILE* log, const char* path);

/// Appends one block: every variable that is not a constant, with its value or the marker.
void trace_step(FILE* log);

/// Shows "Warning <name> not found in equation" in a box captioned "Warning".
void warn_missing_variable(const char* name);
