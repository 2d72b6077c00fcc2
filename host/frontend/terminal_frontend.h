// The terminal front end: the person at the terminal as the host's input source and front end. The
// screen shows the graphics window (turned, zoomed and panned with keys or the mouse) beside the main
// dialog, every other window of the host (the text viewer too) centred over both, and a status line
// of the keys that apply; the host's prompts (core/host_prompts.h) are windows among them, and the
// editor takes the terminal. Every wait for input redraws it; a long plot shows its progress and
// stops on Esc or Ctrl+C.
#pragma once
#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>
#include "core/database.h"
#include "core/frontend.h"
#include "frontend/terminal_canvas.h"
#include "frontend/terminal_dialogs.h"
#include "frontend/terminal_screen.h"
#include "interaction/leave_question.h"
#include "interaction/plot_progress.h"
#include "interaction/refusal_strip.h"
#include "interaction/saving.h"
#include "interaction/view_navigation.h"
#include "platform/event_loop.h"

namespace orv::frontend {

/// Most lines a refusal takes at the foot of the graphics window.
constexpr int kRefusalLines = 3;
/// Most lines each sentence of the last plot's report takes at the top of the graphics window.
constexpr int kReportLines = 4;

/// `text` broken at blanks into lines of at most `width` cells, at most `max_lines` of them; a
/// word longer than a line is cut, and a last line that leaves text out ends in "...".
std::vector<std::string> wrap_text(const std::string& text, int width, int max_lines);

class TerminalFrontEnd : public FrontEnd {
 public:
  TerminalFrontEnd(TerminalScreen& screen, const GeometryDatabase& db, WindowSystem& windows);

  bool next_event(UiEvent& event) override;
  void event_failed(const UiEvent& event, const std::string& why) override;

  bool PromptForFileToOpen(std::string& path, const std::string& mode, const std::string& filter,
                           HWND owner) override;
  void edit_filename(const std::string& path) override;
  void list_filename(const std::string& path) override;
  bool point_proc(const std::string& prompt, std::array<double, 3>& point) override;
  void refused(const std::string& service, const std::string& why, int64_t repeats) override;
  bool plot_progress(int64_t step, int64_t count) override;
  /// Makes the export command (F3) available.
  void set_exporter(Exporter exporter) override { saving_.set_exporter(std::move(exporter)); }
  /// With geometry not saved, asks whether to save it, discard it or go back.
  bool goes_back_before_leaving() override;

  /// The point last picked (the Zlink asks for a point only to set its origin), shown in the
  /// graphics window's frame as "origin x, y, z"; empty before the first pick.
  const std::string& origin_text() const { return origin_text_; }

  /// Draws the whole screen (without putting it on the terminal).
  void draw();
  /// A message for the status line until the next key.
  void set_status(const std::string& text) { status_ = text; }
  /// Runs the export prompt, which stays open on a path that cannot be written; true when a file
  /// was written.
  bool export_command();

  /// How the graphics window is looked at, and whether its keys are in use.
  const interaction::ViewState& view_state() const { return view_; }
  bool graphics_in_use() const { return graphics_in_use_; }

 private:
  /// Asks whether to save (export) the geometry, discard it or go back, until one is chosen; a
  /// terminal that went away or a stop signal discards, since nobody is there to answer.
  interaction::LeaveChoice ask_before_leaving();
  void draw_graphics(int x, int y, int w, int h);
  /// A typed character in the viewer: q closes, / asks for a text and finds it, n finds it again.
  bool viewer_char(int ch, UiEvent& event);
  /// The event that finds the last text searched for in the viewer; false, with a status, when
  /// no line holds it.
  bool viewer_find(UiEvent& event);
  /// Turns a key into an event for the active window; false when it means nothing there.
  bool translate(const Key& key, UiEvent& event);
  /// Keys of the front end itself (the graphics window's); true when the key was one of them.
  bool front_end_key(const Key& key);
  /// The mouse on the graphics window: the wheel zooms, a drag turns; true when it was used there.
  bool graphics_mouse(const Key& key);
  /// True when (x, y) is on the graphics window and no window covers it.
  bool on_graphics(int x, int y) const;

  TerminalScreen& screen_;
  const GeometryDatabase& db_;
  WindowSystem& windows_;
  std::vector<PlacedWindow> placed_;  // of the last draw, bottom first
  std::string status_;
  std::string progress_;  // the status line of a progress redraw, empty otherwise

  interaction::PlotPacing plot_;  // the plot under way, as plot_progress sees it

  std::string last_search_;             // the viewer's last text to find, for n
  std::string origin_text_;             // the last picked point, as shown
  interaction::RefusalStrip refusal_;   // shown at the foot of the graphics window

  interaction::Saving saving_;  // whether the geometry is kept, and the export command
  std::deque<UiEvent> live_events_;  // the input of a live edit's run again, not yet given

  interaction::ViewState view_;
  bool graphics_in_use_ = false;  // keys go to the view, not to the windows
  bool dragging_ = false;         // the left button went down on the graphics window and is held
  int drag_x_ = 0, drag_y_ = 0;   // where the pointer was at the last turn
  struct {
    int x = 0, y = 0, w = 0, h = 0;
  } graphics_area_;               // where the graphics window was last drawn

  // The scene, rebuilt only when the database changed.
  view::Scene scene_;
  Revision scene_key_;  // the database's revision the scene was made from; none at first
};

}  // namespace orv::frontend
