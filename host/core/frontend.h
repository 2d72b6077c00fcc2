// The host's front end: the person at the keyboard, as the host's services that need one see it and
// as the source of the window system's input (the pump reads it as platform's InputSource, which is
// all of it that the platform may know). The script, terminal and desktop front ends implement it;
// the session runs every one of them the same way, through this interface alone. The application
// installs one, or none, and then every request is refused as a person would refuse it. Requests,
// answers and the host's refusals of the Zlink's geometry (report_refusal) are recorded in the
// transcript here, where they pass through the host, so a front end records nothing itself.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "orvantis/win_types.h"
#include "platform/event_loop.h"

namespace orv {

/// Writes the database to a path the person typed (format by extension); false with `err` set when
/// the file was not written. The application supplies it to the interactive front ends.
using Exporter = std::function<bool(const std::string& path, std::string& err)>;

/// What became of the input once the Zlink has returned for good.
struct InputOutcome {
  std::string error;  // what went wrong with the input while it ran; "" when nothing did
  int dismissed = 0;  // message boxes closed unseen (a batch plot's)
};

class FrontEnd : public InputSource {
 public:
  ~FrontEnd() override = default;

  /// The next event for the window system; false when the input has ended. A front end that is no
  /// source of input (a test's) has none: its input has ended.
  bool next_event(UiEvent& event) override {
    (void)event;
    return false;
  }
  /// `event` could not be carried out (an unknown control, no active window, ...).
  void event_failed(const UiEvent& event, const std::string& why) override {
    (void)event;
    (void)why;
  }

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
  /// A host service refused what the Zlink asked of it; `why` is one sentence for a person
  /// ("spline refused: point 3 of 7 is not finite (x = nan); ..."). `repeats` is 0 for a refusal as
  /// it happens, and N > 0 for the note that the refusal told before came N more times in a row.
  virtual void refused(const std::string& service, const std::string& why, int64_t repeats) {
    (void)service;
    (void)why;
    (void)repeats;
  }
  /// The host's words on what became of the plot that just ended, or of the file just read
  /// (core/plot_report.h): one sentence a line, never empty. A front end that shows a graphics
  /// window reads the same words from report_frame_lines() instead, so this may be ignored.
  virtual void plot_told(const std::vector<std::string>& lines) { (void)lines; }
  /// Told during a plot, every so many steps, that `step` of `count` are done (step 0 when a plot
  /// starts): may show progress. True when the person asked to stop the plot.
  virtual bool plot_progress(int64_t step, int64_t count) {
    (void)step;
    (void)count;
    return false;
  }
  /// Makes the export command available; a front end without one (a script) ignores it.
  virtual void set_exporter(Exporter exporter) { (void)exporter; }
  /// Asked when the Zlink has returned and the session asks before leaving: true when the person
  /// went back to the Zlink (it runs again), false to leave: nothing unsaved, the geometry saved or
  /// discarded, or nobody there to answer.
  virtual bool goes_back_before_leaving() { return false; }
  /// Told once the Zlink has returned for good and the front end is no longer installed.
  virtual InputOutcome input_finished() { return {}; }
};

/// Runs the person's export command: `path` empty cancels it. `status` gets the line the person is
/// shown ("Wrote PATH", or why nothing was written). True when the file was written.
bool export_for_person(const Exporter& exporter, const std::string& path, std::string& status);

/// Installs the front end that serves the requests (null: none) in the installed Host; returns the
/// one it replaces. The caller keeps ownership and keeps it alive while installed.
FrontEnd* install_front_end(FrontEnd* front_end);
/// The installed front end, or null.
FrontEnd* front_end();

/// Tells the person that `service` refused its input because of `why`: recorded in the transcript
/// (event "refused") and handed to the installed front end. A refusal equal to the one told just
/// before it (same service, same text) is only counted, so that a plot refusing every step tells it
/// once; the count is told when another refusal comes or at flush_refusals().
void report_refusal(const std::string& service, const std::string& why);
/// Tells the count of the repeats of the last refusal, if any are untold.
void flush_refusals();
/// Refusals reported to the installed Host, repeats included.
int64_t refusal_count();

}  // namespace orv
