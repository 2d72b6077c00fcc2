// The desktop front end: the person at a window on the desktop as the host's input source and front
// end. The graphics window fills the window's background (shaded surfaces, curves, lines, points and
// screen marks in their palette colours, the axis marker, the view's name, the counts and the last
// refusal in its frame); the main dialog docks at the right, modal windows centre over both. The
// mouse turns (left drag), pans (right or middle drag) and zooms (wheel) the view; the toolbar and,
// after F2, the terminal's view keys choose named views and fit. Clicks and keys become the dialog
// manager's events, also in the host's prompts (core/host_prompts.h); a click on the view fills the
// point prompt. The text editor is the desktop's own modal window.
// With a script installed, the script's lines are the input instead and answer the prompts, while
// every wait for input still draws a frame, so a screenshot line writes what a person would see.
#pragma once
#include <array>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "core/database.h"
#include "core/frontend.h"
#include "desktop/desktop_window.h"
#include "desktop/gl_view.h"
#include "interaction/leave_question.h"
#include "interaction/plot_progress.h"
#include "interaction/refusal_strip.h"
#include "interaction/saving.h"
#include "interaction/view_navigation.h"
#include "platform/event_loop.h"
#include "view/measure.h"
#include "view/picture.h"

struct ImDrawList;

namespace orv::frontend {
class ScriptFrontEnd;
}

namespace orv::desktop {

/// The frame's width given to the main dialog at most, as a fraction of the window.
constexpr double kDockShare = 0.55;
/// Degrees the view turns per pixel dragged.
constexpr double kTurnPerPixel = 0.4;
/// Frames drawn after each input, so that ImGui's widgets settle.
constexpr int kSettleFrames = 3;
/// A click on the view snaps to a mark, point or curve end this many pixels away at most.
constexpr double kSnapPixels = 12;

/// The translation of a key press (GLFW key code and modifiers) into the dialog manager's key name
/// ("Tab", "Shift+Tab", "Alt+P", ...); empty for a key that is typed as text or means nothing.
std::string key_name(int key, int mods);

class DesktopFrontEnd : public FrontEnd {
 public:
  DesktopFrontEnd(DesktopWindow& window, const GeometryDatabase& db, WindowSystem& windows);
  ~DesktopFrontEnd() override;

  /// Takes events and prompt answers from `script` (null: from the person). The script's
  /// screenshot lines write this window.
  void set_script(frontend::ScriptFrontEnd* script);

  bool next_event(UiEvent& event) override;
  void event_failed(const UiEvent& event, const std::string& why) override;

  bool PromptForFileToOpen(std::string& path, const std::string& mode, const std::string& filter,
                           HWND owner) override;
  void edit_filename(const std::string& path) override;
  void list_filename(const std::string& path) override;
  bool point_proc(const std::string& prompt, std::array<double, 3>& point) override;
  void refused(const std::string& service, const std::string& why, int64_t repeats) override;
  void plot_told(const std::vector<std::string>& lines) override;
  bool plot_progress(int64_t step, int64_t count) override;
  /// Makes the export command (F3, the toolbar's button) available; a scripted window has none.
  void set_exporter(Exporter exporter) override;
  /// With geometry not saved and nobody's script driving, asks whether to save it, discard it or
  /// go back.
  bool goes_back_before_leaving() override;
  /// The script's outcome, when a script drove the window.
  InputOutcome input_finished() override;

  /// Draws one frame of everything (the graphics window, the host's windows, the prompt open).
  void draw_frame();
  /// Waits up to `seconds` for input and draws a frame when something came, and a few more after
  /// it, so that ImGui's widgets settle (a focus asked for takes effect a frame later).
  void idle_frame(double seconds);
  /// Draws a frame and writes it as a PNG; false with "path: reason".
  bool screenshot(const std::string& path, std::string& err);

  /// The id of the entity picked by a click on the view (highlighted and measured; Delete removes
  /// it), 0 for none.
  int64_t picked() const { return picked_.id; }
  interaction::ViewState& view_state() { return view_; }
  /// `base` with the view on screen (camera, zoom and pan) and the equation file's name as its
  /// title: what a picture exported from the window shows.
  view::PictureOptions picture_of_view(view::PictureOptions base) const;
  const std::string& status() const { return status_; }
  /// What the pointer snapped to in the last frame.
  const view::Snap& hover() const { return hover_; }
  /// The pixel rectangle of the graphics window in the last frame.
  const PixelRect& graphics_rect() const { return graphics_; }
  /// Where each top-level window was placed in the last frame, bottom first.
  const std::vector<Placement>& placed() const { return placed_; }
  /// Triangles in the 3D view when still.
  std::size_t triangles() const { return gl_.triangles(); }
  /// Draws at the coarse level of detail, as while the view is dragged (benchmarks).
  void set_moving(bool moving) { moving_ = moving; }
  /// Takes the fine triangles made in the background into the view: when they are ready, or with
  /// `wait` once they are. False when there were none to take.
  bool take_fine_mesh(bool wait);

 /// The desktop's own text editor, an ImGui window.
  struct Prompt;

 private:

  /// Asks whether to save (export) the geometry, discard it or go back, until one is chosen.
  interaction::LeaveChoice ask_before_leaving();
  /// The host's keys on the plots (Ctrl+Z, F4, Delete of the picked entity); true when taken.
  bool history_key(int key, int mods);
  /// Picks the entity under a pixel of the view, or none; says so on the status line.
  void pick_at(double x, double y);
  void draw_picked(ImDrawList* dl);
  void refresh_scene();
  void layout();
  /// `box` moved clear of the focused field of the window it is about (its owner), when it covers it.
  Placement clear_of_field(const Placement& box, float bar) const;
  void draw_graphics();
  void draw_toolbar();
  void draw_marks_and_axes(ImDrawList* dl);
  /// The snap under the pointer and the picked entity's measures, at the frame's top right.
  void draw_measures(ImDrawList* dl, const view::Viewport& vp);
  void draw_prompt();
  /// Takes the window's raw input: front-end keys and mouse work on the view; the rest becomes
  /// events in `events_`.
  void take_input();
  bool view_key(int key, int mods);
  void click(double x, double y, int button, int mods);
  /// Runs the open prompt until it is answered; false when the window closed first.
  bool run_prompt();
  /// Runs the export prompt; true when a file was written.
  bool export_command();
  /// The snap point nearest a pixel of the graphics window, if one is within kSnapPixels.
  bool snap_point(double px, double py, std::array<double, 3>& out) const;
  ViewFrame view_frame() const;
  /// Shows the ground grid under the scene, or takes it away.
  void set_grid(bool on);
  /// Where the graphics window puts the view plane in the last frame's pixels.
  view::Viewport graphics_viewport() const;

  DesktopWindow& window_;
  const GeometryDatabase& db_;
  WindowSystem& windows_;
  frontend::ScriptFrontEnd* script_ = nullptr;
  GlView gl_;
  bool gl_ok_ = false;

  view::Scene scene_;
  std::future<FineMesh> fine_job_;  // the fine triangles of the scene, being made
  Revision scene_key_;  // the database's revision the scene was made from; none at first
  interaction::ViewState view_;
  view::Camera applied_camera_ = view_.camera;  // the camera the content last chose
  bool view_chosen_ = false;  // the person turned the view or chose one since the scene was empty
  bool view_keys_ = false;  // F2: keys go to the view
  bool show_grid_ = false;  // the ground grid (the toolbar, or g with the view keys)
  view::GroundGrid grid_;
  bool moving_ = false;     // the view is being dragged: drawn at the coarse level of detail

  std::vector<Placement> placed_;
  PixelRect graphics_;
  std::vector<UiEvent> events_;
  std::string status_;
  std::string progress_;
  interaction::RefusalStrip refusal_;
  std::string origin_text_;
  struct Picked {
    int64_t id = 0;
    Revision at;  // the database's revision the outline was made from
    std::vector<std::vector<std::array<double, 3>>> outline;
  } picked_;
  std::string title_;  // the window's title as last set

  // Mouse drag on the view.
  int drag_button_ = -1;
  double drag_x_ = 0, drag_y_ = 0;
  double press_x_ = 0, press_y_ = 0;  // where the button went down

  // Measuring: the snap under the pointer in the last frame, and the picked entity's measures.
  view::Snap hover_;
  view::Measures measured_;
  Revision measured_at_;

  interaction::Saving saving_;  // whether the geometry is kept, and the export command
  std::unique_ptr<Prompt> prompt_;
  bool export_asked_ = false;  // F3 or the toolbar: the export prompt runs at the next input
  interaction::PlotPacing pacing_;  // the plot under way, as plot_progress sees it
  bool plotting_ = false;   // a plot's progress frame: input is only looked at for Esc
  bool stop_plot_ = false;  // Esc came during the plot
  bool quit_ = false;       // the window was closed: the input has ended
  int settle_ = 0;          // frames still to draw after the last input
};

}  // namespace orv::desktop
