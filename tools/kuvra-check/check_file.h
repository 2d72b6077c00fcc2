// Checking one equation file: every line goes through compile_line exactly as the Zlink's reader
// hands it over, and the checker tells what became of it (blank, origin, settings, statement or
// failed), then the settings, variables and statements that the file leaves behind.
#pragma once
#include <cstdio>

struct CheckOptions {
  bool json = false;  // one JSON object for the file instead of the plain lines
};

struct CheckResult {
  long lines = 0;         // lines read, blank ones included
  long failed_lines = 0;  // lines whose status is not 0
  int read_error = 0;     // errno of a failed read, 0 when the file was read to its end
};

/// Checks the lines of `in` (named `name` in the output) and writes the report to `out`.
/// Starts from fresh tables and the load-time plot settings, and releases the statements afterwards.
CheckResult check_file(std::FILE* in, const char* name, const CheckOptions& options, std::FILE* out);
