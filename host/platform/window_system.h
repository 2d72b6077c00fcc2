// The host's window system: window records behind handles, parents, text, visibility, one focus per
// top-level window, the activation order, and the message queues. Handles are never reused, not even
// by another window system of the process, so a stale handle is simply a window that no longer
// exists. Everything runs on the UI thread; callers that send messages re-find windows by handle
// afterwards, since a handler may destroy any window.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "orvantis/afx.h"
#include "orvantis/resource_format.h"
#include "platform/paged_text.h"

namespace orv {

/// Prompt: a host window made like a dialog (the file, point and export prompts, the question asked
/// before leaving); front ends centre it like a message box and never dock it.
enum class WindowKind { Frame, Dialog, MessageBox, Viewer, Control, Prompt };

/// A list box's notifications (WM_COMMAND's high word): its selection changed (a click, the arrow
/// keys), or an item was opened (a double-click, Enter).
constexpr UINT LBN_SELCHANGE = 1;
constexpr UINT LBN_DBLCLK = 2;

/// One window. Controls are children of a dialog; every other kind is a top-level window.
struct Window {
  HWND handle = nullptr;
  WindowKind kind = WindowKind::Control;
  ControlClass control = CTL_STATIC;  // controls only
  int id = 0;
  HWND parent = nullptr;               // controls: the dialog; top-level windows: the owner
  std::string text;                    // caption or control text (with "&" accelerators)
  uint32_t style = 0;
  bool visible = false;
  bool enabled = true;
  int x = 0, y = 0, cx = 0, cy = 0;    // dialog units; a control's place in its dialog
  std::vector<HWND> children;          // controls in template (tab) order

  HWND focus = nullptr;                // top-level: the control that has (or will regain) the focus

  int check = 0;                       // check box
  std::vector<std::string> items;      // drop-down list
  int cur_sel = -1;                    // drop-down list, list box: the selected item, -1 for none
  bool dropped = false;
  int hot = -1;                        // open drop-down list: the highlighted item, chosen by Enter
  int sel_start = 0, sel_end = 0;      // edit: the selection [start, end), caret at end
  bool killing_focus = false;          // EN_KILLFOCUS of this edit is being handled

  PagedText lines;                     // viewer: the file's lines, read a page at a time
  int top_line = 0;                    // viewer, list box: first line shown
  std::string path;                    // viewer: the file shown

  CWnd* object = nullptr;              // the framework object attached to the window
  std::unique_ptr<CWnd> stand_in;      // a host-kept object for FromHandle when none is attached
  /// Internal windows (frame, message box, viewer) process their messages here.
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> proc;
  bool ended = false;                  // a modal run on this window has been ended
  intptr_t result = -1;                // its result
};

class WindowSystem {
 public:
  WindowSystem() = default;
  /// The objects still attached let go of their handles, so none reaches back into it.
  ~WindowSystem();
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;

  /// The window of `handle`, or null when it does not exist.
  Window* find(HWND handle);
  /// Makes a window; returns its handle. `parent` of a control must be a dialog.
  HWND create(WindowKind kind, HWND parent);
  /// Makes a dialog and its controls from a template; hidden, not yet initialised.
  HWND create_dialog(const DialogTemplate& tmpl, HWND owner, CWnd* object);
  /// Destroys a window and its controls. The attached objects let go of their handles; no message
  /// reaches an object that is being destroyed.
  void destroy(HWND handle);

  /// Shows or hides; a top-level window shown becomes the active window.
  void show(HWND handle, bool visible);
  void activate(HWND handle);
  /// The topmost visible top-level window (the main frame when nothing else is shown), or null.
  HWND active() const;
  /// The top-level windows, bottom first.
  const std::vector<HWND>& z_order() const { return z_order_; }
  /// The dialog a front end docks beside its graphics window: the lowest visible dialog in the z
  /// order (the main dialog, shown first), or null when no dialog is shown.
  HWND docked_dialog() const;
  /// The top-level window a window belongs to (itself for a top-level window).
  HWND top_level_of(HWND handle);

  /// The control that has the focus in the active window, or null.
  HWND focus();
  /// Moves the focus within the top-level window of `target`. When the control losing it is an
  /// edit, EN_KILLFOCUS goes to its dialog first; if a handler moves the focus meanwhile, this
  /// change is dropped and false returned. An edit gaining the focus gets its whole text selected.
  bool set_focus(HWND target);
  /// Counts focus changes; a change of the count tells that someone moved the focus.
  uint64_t focus_serial() const { return focus_serial_; }

  /// Sends a message to a window's object, internal procedure or default procedure.
  LRESULT send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  /// The default processing of a message by the window's kind (controls, dialogs, the rest).
  LRESULT default_proc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

  /// Thread messages (posted with no window), delivered by get_event.
  std::deque<MSG>& thread_messages() { return thread_messages_; }
  /// Messages posted to windows, dispatched by the message processing.
  std::deque<MSG>& window_messages() { return window_messages_; }
  /// Dispatches every queued window message; true when there was one.
  bool dispatch_window_messages();

  /// Frees records of destroyed windows; called between input events, when no handler runs.
  void collect();
  /// The host's main frame window (made on first use).
  HWND main_frame();
  CWnd* main_frame_object();

  /// Destroys every window and forgets every queued message (tests, shutdown).
  void reset();

 private:
  std::map<HWND, std::unique_ptr<Window>> windows_;
  std::vector<std::unique_ptr<Window>> graveyard_;
  std::vector<HWND> z_order_;
  std::deque<MSG> thread_messages_;
  std::deque<MSG> window_messages_;
  uint64_t focus_serial_ = 0;
  HWND main_frame_ = nullptr;
  std::unique_ptr<CWnd> main_frame_object_;
};

/// The rows a list box shows: one for each 8 dialog units of its height (a line of text).
int list_box_rows(const Window& list);
/// The first item a list box shows: its top line, moved so that the selected item is in view.
int list_box_first(const Window& list);

/// The text of a control without its "&" marks ("&&" stands for "&").
std::string strip_accelerator(const std::string& text);
/// The accelerator letter of a text (lower case), or 0.
char accelerator_of(const std::string& text);
/// True for controls that can take the focus (not static texts or group boxes).
bool takes_focus(const Window& w);
/// True when Tab stops at `w`: a visible, enabled control that takes the focus and has WS_TABSTOP.
bool is_tab_stop(const Window& w);
/// The tab stop after (`forward`) or before the focus of `dialog`, in template order and wrapping
/// round; the first (last) stop when the focus is on none. Null when the dialog has no tab stop.
HWND next_tab_stop(WindowSystem& ws, const Window& dialog, bool forward);

}  // namespace orv
