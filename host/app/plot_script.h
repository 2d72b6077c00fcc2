// The script of a batch plot: answer the file prompt with the equation file, press "Plot it", then
// "Cancel", so that the file is plotted once and never rewritten. Message boxes and viewers that
// the plot opens are dismissed by the script front end itself (its auto-dismiss setting), since
// whether one opens depends on the file.
#pragma once
#include <string>

namespace orv::app {

/// The script text for plotting `equation_file`. False with `err` when the path cannot stand on a
/// script line (it holds a line break) .
bool make_plot_script(const std::string& equation_file, std::string& script, std::string& err);

/// True when `equation_file` is a regular file the user may read. False with `err` ("plot: PATH:
/// is a directory", "not a regular file", "cannot be read: REASON") otherwise; a device or FIFO
/// is never opened, since reading one may never end.
bool check_plot_file(const std::string& equation_file, std::string& err);

}  // namespace orv::app
