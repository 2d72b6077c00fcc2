// Warnings for lines that read without error but will not do what their writer meant: a function
// swallowed into a name by a space, a keyword in the wrong case, a number token read only in part
// ("2x", "1e+5", "1E-3"), "-x^2", a line that assigns nothing or assigns pi or e, a tab inside a
// name, a variable read but never assigned, other languages' forms ("x(t) =", "sinn(t)", "//", ";",
// "**", "geometry = surface"), angles meant in radians in a plot in degrees, and what the line
// reader lost (a cut line, a NUL byte). Each names the line, the column and the token as written.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "angle_warnings.h"
#include "line_view.h"


/// Collects the warnings of one file, line by line, then those that need the whole file.
class WarningCollector {
 public:
  /// Looks at line `number` (as the reader delivered it) that compile_line took as `route` with
  /// `status`; call it right after compile_line, so that every name of the line is a variable.
  void add_line(const char* line, long number, LineRoute route, int status);
  /// The reader cut the line at `limit` characters, or it held a NUL byte at `nul_column` (0: none).
  void add_loss(long number, bool cut, int limit, int nul_column);
  /// Adds the file-wide warnings (variables read but never assigned, other than `step_variables`;
  /// angles meant in radians in a plot in degrees) and returns every warning in line and column
  /// order. Call after the dry run, which gives the variables the values the angle check needs.
  std::vector<Warning> finish(const std::set<std::string>& step_variables);

 private:
  /// Keeps the first of this line's warnings on each token: the first says the most.
  void keep_one_a_token(std::vector<Warning> found);
  struct Read {
    long line;
    int column;
    std::string token;
  };
  std::vector<Warning> warnings_;
  std::vector<bool> assigned_;      // by variable row
  std::vector<bool> read_seen_;     // by variable row
  std::vector<Read> first_read_;    // by variable row
  AngleCheck angles_;
};

/// The warning on `line` whose words explain a plot failure of that line with `status`, or null.
const Warning* explaining_warning(const std::vector<Warning>& warnings, long line, int status);
