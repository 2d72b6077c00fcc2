// The host's front end: the person at the keyboard, as the host's services that need one see it.
// The script and terminal front ends implement it; the application installs one. With none
// installed, every request is refused as a person would refuse it: the prompt is cancelled, no
// point is picked, and edit and show do nothing.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include "dialogs/win_types.h"

namespace orv {

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  /// Asks for a file to open. `path` holds the default on entry and the choice on return; `filter`
  /// is the extension offered (".EQN"; see path_matches_filter). True when a file was chosen.
  virtual bool PromptForFileToOpen(std::string& path, const std::string& mode, const std::string& filter,
                                   HWND owner) = 0;
  /// Lets the person edit the file; returns when they have finished.
  virtual void edit_filename(const std::string& path) = 0;
  /// Shows a text file; returns when the person has closed it.
  virtual void list_filename(const std::string& path) = 0;
  /// Asks for a point; `point` holds the current point on entry. True with `point` set when one was
  /// picked, false when the pick was cancelled.
  virtual bool point_proc(const std::string& prompt, std::array<double, 3>& point) = 0;
  /// Clears the marking of a pick made by point_proc.
  virtual void clean_pt(const std::array<double, 3>& point) { (void)point; }
  /// Told during a plot, every so many steps, that `step` of `count` are done (step 0 when a plot
  /// starts): may show progress. True when the person asked to stop the plot.
  virtual bool plot_progress(int64_t step, int64_t count) {
    (void)step;
    (void)count;
    return false;
  }
};

/// Installs the front end that serves the requests (null: none); returns the one it replaces.
/// The caller keeps ownership and keeps it alive while installed.
FrontEnd* install_front_end(FrontEnd* front_end);
/// The installed front end, or null.
FrontEnd* front_end();

}  // namespace orv
