// The dialog manager: what a key, a typed text, a click or a close does in the active window.
// Tab order is template order; a click moves the focus first and is dropped when a handler run by
// that focus change took the focus elsewhere; Enter clicks a focused push button, opens a focused
// drop-down list (or takes the highlighted item of an open one, as Alt+Down does) and otherwise sends
// the OK command without moving the focus; Esc closes an open list, else sends the cancel command.
// An edit keeps a selection from an anchor to the caret, both on code-point boundaries of its UTF-8
// text: it gets its whole text selected with the focus (so typing replaces it) and by Ctrl+A; Home,
// End and the arrows move the caret and drop the selection, and with Shift extend it. A list box
// moves its selection with the arrows, Home, End and the page keys and a typed letter; Enter or a
// double-click opens the selected item (LBN_DBLCLK).
#pragma once
#include <string>

#include "platform/event_loop.h"

namespace orv {

struct DispatchResult {
  enum class Outcome { Done, Dropped, Failed };
  Outcome outcome = Outcome::Done;
  std::string message;  // Failed: why the event could not be carried out
  bool ok() const { return outcome != Outcome::Failed; }
};

/// Carries out one event in the active window.
DispatchResult dispatch_ui_event(const UiEvent& event);

DispatchResult press_key(const std::string& name);
DispatchResult type_text(const std::string& text);
DispatchResult click_control(int id);
/// Clicks the one button or check box of the active window whose caption, read without its "&"
/// accelerator mark, is `caption`. Fails when no such control, or more than one, has that caption.
DispatchResult press_captioned(const std::string& caption);
/// Chooses item N of drop-down list or list box ID, as a click on it does.
DispatchResult select_item(int id, int index);
/// Selects item N of list box ID and opens it (LBN_DBLCLK), as a double-click on it does.
DispatchResult double_click_item(int id, int index);
DispatchResult close_active();

/// True for the key names the dialog manager knows ("Tab", "Alt+X", ...).
bool known_key(const std::string& name);

/// A readable name of a window for messages: its caption or its control's text and id.
std::string describe_window(HWND window);

}  // namespace orv
