// Warnings for lines that read without error but will not do what their writer meant: a function
// swallowed into a name by a space, a keyword in the wrong case, "1e+5", "-x^2", a line that assigns
// nothing or assigns pi or e, a tab inside a name, a variable read but never assigned, and what the
// line reader lost (a cut line, a NUL byte). Each names the line, the column and the token as written.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "equation/line_routing.h"

struct Warning {
  long line = 0;
  int column = 0;       // 1-based byte column in the line
  std::string token;    // the text it is about, as written
  std::string message;  // in words
};

/// Collects the warnings of one file, line by line, then those that need the whole file.
class WarningCollector {
 public:
  /// Looks at line `number` (as the reader delivered it) that compile_line took as `route` with
  /// `status`; call it right after compile_line, so that every name of the line is a variable.
  void add_line(const char* line, long number, LineRoute route, int status);
  /// The reader cut the line at `limit` characters, or it held a NUL byte at `nul_column` (0: none).
  void add_loss(long number, bool cut, int limit, int nul_column);
  /// Adds the file-wide warnings (variables read but never assigned, other than `step_variables`)
  /// and returns every warning in line and column order.
  std::vector<Warning> finish(const std::set<std::string>& step_variables);

 private:
  struct Read {
    long line;
    int column;
    std::string token;
  };
  std::vector<Warning> warnings_;
  std::vector<bool> assigned_;      // by variable row
  std::vector<bool> read_seen_;     // by variable row
  std::vector<Read> first_read_;    // by variable row
};
