// Checking one equation file: every line goes through compile_line exactly as the Zlink's reader
// hands it over (read with the host's own line reader), then the file is plotted in a dry run
// through the Zlink's plotters. The report tells what became of each line, the warnings, the
// settings, the steps that fail and what the plot would make or the host would refuse.
#pragma once
#include <cstdint>
#include <cstdio>

#include "dry_run.h"

struct CheckOptions {
  bool json = false;      // one JSON object for the file instead of the plain lines
  bool degrees = false;   // settings lines evaluated with the angle factors for degrees
  bool dry_run = true;    // plot the file after reading it
  int64_t step_limit = dry_run_step_limit;  // most steps the dry run executes
  bool accuracy = false;  // measure how far the fit strays from the equation between the steps
  double tol = 0;         // with accuracy: the largest distance allowed (0: none given)
  double chord_dev = 0.001;  // the host's knot reduction tolerance for NURB curves
};

struct CheckResult {
  long lines = 0;           // lines read, blank ones included
  long failed_lines = 0;    // lines whose status is not 0
  long warnings = 0;        // warnings given
  bool dry_run_failed = false;  // a step failed, or the plot or the host refused something
  bool accuracy_missed = false;  // with a tolerance: the file's own step does not meet it
  int read_error = 0;       // errno of a failed read, 0 when the file was read to its end
};

/// Checks the lines of `in` (named `name` in the output) and writes the report to `out`.
/// Starts from fresh tables and the load-time plot settings, and releases the statements afterwards.
CheckResult check_file(std::FILE* in, const char* name, const CheckOptions& options, std::FILE* out);
