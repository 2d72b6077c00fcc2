// The angle trap: a plot in degrees whose step variable runs over a range meant in radians, such as
// t from 0 to 2*pi with x = cos(t), draws a few degrees of the curve. The check measures what each
// cos, sin or tan of a step variable actually spans over the plot, by evaluating its argument at the
// ends and inside of the range, so a range in degrees scaled down (cos(360*t), t from 0 to 1) passes.
#pragma once
#include <string>
#include <vector>

#include "line_view.h"

class AngleCheck {
 public:
  /// Records the trigonometric calls of a statement and whether a limit line is written with pi.
  void add_line(const LineView& view);
  /// The warnings, one for each step variable at its first call that spans at most a turn in
  /// radians (2 pi) or less in degrees than a range written with pi would in radians. Call after the
  /// dry run: other variables of an argument are taken as the last step left them.
  std::vector<Warning> finish() const;

 private:
  struct Call {
    long line;
    int first, last;          // columns (0-based) of the function name and its closing parenthesis
    std::string text;         // "cos(t)" as written
    bool bare_variable;       // the argument is one variable alone
    std::vector<ProgramItem> argument;
  };
  std::vector<Call> calls_;
  bool limit_with_pi_[4] = {false, false, false, false};  // lower_limit1, lower_limit2, upper_limit1, upper_limit2
};
